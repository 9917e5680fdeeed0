#pragma once
// Gives the terminal back as it was found on every way out of the program,
// including signals from outside and crashes: a program that dies in raw mode
// on the alternate screen leaves the user a terminal that echoes nothing.

#include <termios.h>

#include <string_view>

namespace trellmark {

// Remembers how to put the terminal `fd` back (its settings from before the
// program changed them, and the bytes that undo the screen changes) and
// installs handlers that do so when a terminating signal arrives, then let the
// signal take its usual course. Call before the terminal library starts, so
// that it leaves these signals to us. `resetBytes` beyond 512 bytes is cut off.
void armTerminalRestore(int fd, const termios& saved, std::string_view resetBytes);

// Something to do first when a signal ends the program, such as removing
// half-written files; `action` must be async-signal-safe. Set before arming.
void setSignalCleanUp(void (*action)());

// Replaces the reset bytes, once it is known what this terminal understands.
void setTerminalResetBytes(std::string_view resetBytes);

// Takes the handlers away again and puts back the terminal settings; the
// reset bytes are left to the caller, who knows a gentler way to undo.
void disarmTerminalRestore();

}  // namespace trellmark
