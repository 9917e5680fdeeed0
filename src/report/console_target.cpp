// Kept apart from the file target so that code writing only files does not
// pull in the console.
#include "report/output_target.hpp"
#include "run/console.hpp"

namespace trellmark {

void ConsoleTarget::text(std::string_view text) {
    printText(console_, text);
}
void ConsoleTarget::zone() {
    nextZone(console_);
}
void ConsoleTarget::lineEnd() {
    newLine(console_);
}

}  // namespace trellmark
