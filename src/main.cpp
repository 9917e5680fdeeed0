// Trellmark: with no arguments the interactive dialogue, on the controlling
// terminal whatever standard input and output are redirected to; with
// arguments a run from the command line.

#include <sys/ioctl.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "compare/compare_run.hpp"
#include "console/console.hpp"
#include "dialogue/dialogue_run.hpp"
#include "io/temporary_files.hpp"
#include "terminal/terminal_backend.hpp"
#include "terminal/terminal_restore.hpp"
#include "text/utf8.hpp"

namespace {

// Standard output and error as a command-line run uses them: a progress bar
// only for a person at a terminal, colour only where NO_COLOR does not forbid
// it and the terminal is not a dumb one.
trellmark::Streams standardStreams() {
    trellmark::Streams streams;
    const char* term = std::getenv("TERM");
    const bool dumb = term == nullptr || std::string(term) == "dumb";
    streams.errIsTerminal = ::isatty(STDERR_FILENO) && !dumb;
    winsize size{};
    if (streams.errIsTerminal && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 &&
        size.ws_col > 0) {
        streams.terminalWidth = size.ws_col;
    }
    const char* noColour = std::getenv("NO_COLOR");
    streams.colour = streams.errIsTerminal && (noColour == nullptr || noColour[0] == '\0');
    return streams;
}

int runDialogue(const trellmark::DialogueOptions& options) {
    trellmark::TerminalBackend backend;
    if (std::string failure; !backend.open(failure)) {
        std::fprintf(stderr, "trellmark: %s\n", failure.c_str());
        return 2;
    }
    trellmark::Console console(backend, &backend);
    try {
        std::vector<std::string> notices;
        const int status = trellmark::askAndAnalyse(console, options, &notices);
        backend.finish(console.screen);
        for (const std::string& notice : notices) {
            std::fprintf(stderr, "trellmark: %s\n", trellmark::printableText(notice).c_str());
        }
        return status;
    } catch (const std::exception& failure) {
        trellmark::removeTemporaryFiles();
        backend.finish(console.screen);
        std::fprintf(stderr, "trellmark: stopped: %s\n", failure.what());
        return 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Only the character set follows the user's settings: number formats and
    // collation stay those of the C locale, so that every figure reads and
    // prints the same on every machine.
    std::setlocale(LC_CTYPE, "");
    // A write past the file-size limit then fails with its reason, and the
    // earlier file is kept, instead of the signal killing the process with a
    // temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);

    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const trellmark::Command command = trellmark::parseCommandLine(arguments);
    if (command.kind == trellmark::CommandKind::dialogue) {
        trellmark::setSignalCleanUp(&trellmark::removeTemporaryFiles);
        return runDialogue(command.dialogue);
    }
    trellmark::removeTemporaryFilesOnSignals();
    try {
        return trellmark::runParsedCommand(command, standardStreams());
    } catch (const std::bad_alloc&) {
        trellmark::removeTemporaryFiles();
    } catch (const std::system_error&) {
        // A thread that cannot be started: the memory for its stack is missing.
        trellmark::removeTemporaryFiles();
    }
    std::fputs("trellmark: stopped: not enough memory\n", stderr);
    return 2;
}
