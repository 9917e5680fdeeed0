// Trellmark on a terminal: the run's whole dialogue happens on the controlling
// terminal, whatever standard input and output are redirected to.

#include <clocale>
#include <cstdio>
#include <exception>

#include "console/console.hpp"
#include "run/run_driver.hpp"
#include "terminal/terminal_backend.hpp"

int main() {
    // Only the character set follows the user's settings: number formats and
    // collation stay those of the C locale, so that every figure reads and
    // prints the same on every machine.
    std::setlocale(LC_CTYPE, "");

    trellmark::TerminalBackend backend;
    if (!backend.open()) {
        std::fputs("trellmark: needs a terminal, and none could be opened\n", stderr);
        return 1;
    }
    trellmark::Console console(backend, &backend);
    try {
        const int status = trellmark::WINMAIN(console);
        backend.finish(console.screen);
        return status;
    } catch (const std::exception& failure) {
        backend.finish(console.screen);
        std::fprintf(stderr, "trellmark: stopped: %s\n", failure.what());
        return 1;
    }
}
