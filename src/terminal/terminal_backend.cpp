#include "terminal/terminal_backend.hpp"

#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>

#include "terminal/cell_display.hpp"
#include "terminal/palette_colours.hpp"
#include "terminal/terminal_restore.hpp"
#include "terminal/viewport.hpp"
#include "text/utf8.hpp"

namespace trellmark {
namespace {

// Long output changes the screen thousands of times, and an analysis finishes
// hundreds of lines a second; painting each would cost more than the work
// being shown. Nothing stays unpainted for longer than this.
constexpr auto paintInterval = std::chrono::milliseconds(15);
// Bytes of one escape sequence arrive together; after an ESC, a pause this
// long means the Escape key itself was pressed.
constexpr int escapeWaitMilliseconds = 25;
// After this many failed reads in a row with no sign of a hang-up, the
// terminal is taken to be gone all the same, so the run cannot spin forever.
constexpr int failedReadsAllowed = 1000;

constexpr std::string_view titlePush = "\x1b[22;0t";
constexpr std::string_view titlePop = "\x1b[23;0t";
constexpr std::string_view sizeRequest = "\x1b[8;50;120t";
// Until the terminal's own description is read: what nearly every terminal in
// use understands (attributes off, cursor shown, keypad mode off, main screen).
constexpr std::string_view commonReset = "\x1b[0m\x1b[?25h\x1b[?1l\x1b>\x1b[?1049l";

// A capability of the terminal's description without its padding delays,
// which would otherwise reach the screen as text.
std::string capability(const char* name) {
    const char* value = tigetstr(name);
    if (value == nullptr || value == reinterpret_cast<const char*>(-1)) return {};
    std::string bytes;
    for (const char* p = value; *p != '\0'; ++p) {
        if (p[0] == '$' && p[1] == '<') {
            const char* end = std::strchr(p, '>');
            if (end != nullptr) {
                p = end;
                continue;
            }
        }
        bytes += *p;
    }
    return bytes;
}

std::string terminalReset() {
    std::string reset =
        capability("sgr0") + capability("cnorm") + capability("rmkx") + capability("rmcup");
    if (reset.empty()) reset = commonReset;
    reset += titlePop;
    return reset;
}

TerminalInput inputOf(int value) {
    switch (value) {
        case KEY_ENTER:
            return TerminalInput{TerminalInput::Kind::enterKey, 0};
        case KEY_BACKSPACE:
            return TerminalInput{TerminalInput::Kind::backspaceKey, 0};
        default:
            if (value >= 0 && value <= 0xFF) {
                return TerminalInput{TerminalInput::Kind::byte, static_cast<unsigned char>(value)};
            }
            return TerminalInput{TerminalInput::Kind::otherKey, 0};
    }
}

}  // namespace

TerminalBackend::~TerminalBackend() {
    close();
}

bool TerminalBackend::open(std::string& failure) {
    failure = "needs a terminal, and none could be opened";
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    termios saved{};
    std::FILE* tty = tcgetattr(fd, &saved) == 0 ? fdopen(fd, "r+") : nullptr;
    if (tty == nullptr) {
        ::close(fd);
        return false;
    }
    armTerminalRestore(fd, saved, commonReset);
    const char* type = std::getenv("TERM");
    const std::string typeText = "TERM=" + printableText(type != nullptr ? type : "");
    SCREEN* terminal = newterm(nullptr, tty, tty);
    // A terminal that cannot place its cursor would take answers to questions
    // it never shows.
    if (terminal != nullptr && capability("cup").empty()) {
        endwin();
        delscreen(terminal);
        terminal = nullptr;
        failure = "needs a terminal that can move its cursor, and " + typeText + " cannot";
    } else if (terminal == nullptr) {
        failure = "does not know the terminal " + typeText;
    }
    if (terminal == nullptr) {
        tcsetattr(fd, TCSANOW, &saved);
        disarmTerminalRestore();
        std::fclose(tty);
        return false;
    }
    failure.clear();
    tty_ = tty;
    ttyFd_ = fd;
    terminal_ = terminal;
    setTerminalResetBytes(terminalReset());

    // Ctrl+C and Ctrl+Z reach the program as characters; Enter is not turned
    // into a line feed; and keys typed while the program is busy must stay
    // queued, so nothing here flushes input.
    raw();
    noecho();
    nonl();
    intrflush(stdscr, FALSE);
    keypad(stdscr, TRUE);
    meta(stdscr, TRUE);
    set_escdelay(escapeWaitMilliseconds);
    // Paint every frame to the end even while keys are waiting, so a prompt is
    // never left half drawn.
    typeahead(-1);
    if (has_colors() && start_color() == OK) colourCount_ = COLORS;
    // The first paint clears the terminal in the background colours before it
    // draws the cells; in the terminal library's own white on black that
    // flashes before the program's frame appears.
    const Cell blank;
    const TerminalStyle style = terminalStyle(blank.foreground, blank.background, colourCount_);
    cchar_t background{};
    setcchar(&background, L" ", A_NORMAL, colourPair(style.foreground, style.background), nullptr);
    wbkgrndset(stdscr, &background);
    unicode_ = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;

    writeRaw(titlePush);
    titlePushed_ = true;
    writeRaw(sizeRequest);

    // Signals stay with this thread: the restore handlers and the terminal
    // library's resize flag expect them here.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    try {
        painter_ = std::thread([this] { paintWhenDue(); });
    } catch (const std::system_error&) {
        // Without the thread every paint is made at once.
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return true;
}

void TerminalBackend::stopPainting() {
    if (!painter_.joinable()) return;
    {
        const std::lock_guard lock(terminalMutex_);
        stopPainter_ = true;
    }
    paintChanged_.notify_all();
    painter_.join();
}

void TerminalBackend::paintWhenDue() {
    std::unique_lock lock(terminalMutex_);
    while (!stopPainter_) {
        if (!paintDue_) {
            paintChanged_.wait(lock);
        } else if (const auto due = lastPaint_ + paintInterval;
                   std::chrono::steady_clock::now() < due) {
            paintChanged_.wait_until(lock, due);
        } else {
            paintNow(deferred_);
        }
    }
}

// Ends the terminal library's hold on the terminal: the main screen, the
// terminal's own settings and title come back.
void TerminalBackend::leaveScreen() {
    stopPainting();
    if (terminal_ == nullptr) return;
    endwin();
    delscreen(terminal_);
    terminal_ = nullptr;
    disarmTerminalRestore();
    if (titlePushed_) writeRaw(titlePop);
    titlePushed_ = false;
}

void TerminalBackend::close() {
    leaveScreen();
    if (tty_ != nullptr) {
        std::fclose(tty_);
        tty_ = nullptr;
        ttyFd_ = -1;
    }
}

void TerminalBackend::finish(const Screen& finalScreen) {
    if (terminal_ == nullptr) return;
    leaveScreen();
    termios settings{};
    const bool newlineReturns = tcgetattr(ttyFd_, &settings) == 0 &&
                                (settings.c_oflag & OPOST) != 0 && (settings.c_oflag & ONLCR) != 0;
    std::string text;
    for (const std::string& line : plainScreenLines(finalScreen, unicode_)) {
        text += line;
        text += newlineReturns ? "\n" : "\r\n";
    }
    writeRaw(text);
    close();
}

void TerminalBackend::writeRaw(std::string_view bytes) {
    while (!bytes.empty() && ttyFd_ >= 0) {
        const ssize_t n = ::write(ttyFd_, bytes.data(), bytes.size());
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

short TerminalBackend::colourPair(short foreground, short background) {
    if (foreground < 0 || background < 0) return 0;
    const auto key = std::make_pair(foreground, background);
    const auto found = pairs_.find(key);
    if (found != pairs_.end()) return found->second;
    if (nextPair_ >= COLOR_PAIRS || init_pair(nextPair_, foreground, background) != OK) return 0;
    pairs_.emplace(key, nextPair_);
    return nextPair_++;
}

void TerminalBackend::screenChanged(const Screen& screen) {
    const std::lock_guard lock(terminalMutex_);
    shown_ = &screen;
    if (terminal_ == nullptr) return;
    if (std::chrono::steady_clock::now() - lastPaint_ >= paintInterval) paintNow(screen);
}

void TerminalBackend::paint(const Screen& screen) {
    std::unique_lock lock(terminalMutex_);
    shown_ = &screen;
    if (terminal_ == nullptr) return;
    if (!painter_.joinable() || std::chrono::steady_clock::now() - lastPaint_ >= paintInterval) {
        paintNow(screen);
        return;
    }
    deferred_ = screen;
    const bool wasDue = std::exchange(paintDue_, true);
    lock.unlock();
    if (!wasDue) paintChanged_.notify_one();
}

void TerminalBackend::paintNow(const Screen& screen) {
    paintDue_ = false;
    lastPaint_ = std::chrono::steady_clock::now();
    const int terminalRows = LINES;
    const int terminalColumns = COLS;
    const bool resized = terminalRows != paintedRows_ || terminalColumns != paintedColumns_;
    paintedRows_ = terminalRows;
    paintedColumns_ = terminalColumns;
    originColumn_ =
        viewOrigin(originColumn_, resized, screen.cursorColumn, screen.columns, terminalColumns);
    originRow_ = viewOrigin(originRow_, resized, screen.cursorRow, screen.rows, terminalRows);
    const int shownColumns = std::max(0, std::min(terminalColumns, screen.columns - originColumn_));
    const int shownRows = std::max(0, std::min(terminalRows, screen.rows - originRow_));

    std::vector<cchar_t> row(static_cast<std::size_t>(shownColumns) + 1);
    for (int r = 0; r < shownRows; ++r) {
        for (int c = 0; c < shownColumns; ++c) {
            const Cell& cell = screen.at(originColumn_ + c, originRow_ + r);
            const wchar_t text[2] = {static_cast<wchar_t>(displayCharacter(cell.text, unicode_)),
                                     L'\0'};
            const TerminalStyle style =
                terminalStyle(cell.foreground, cell.background, colourCount_);
            const attr_t attributes = style.bold ? A_BOLD : A_NORMAL;
            setcchar(&row[c], text, attributes, colourPair(style.foreground, style.background),
                     nullptr);
        }
        if (shownColumns > 0) mvwadd_wchnstr(stdscr, r, 0, row.data(), shownColumns);
        if (shownColumns < terminalColumns) {
            wmove(stdscr, r, shownColumns);
            wclrtoeol(stdscr);
        }
    }
    if (shownRows < terminalRows) {
        wmove(stdscr, shownRows, 0);
        wclrtobot(stdscr);
    }
    const int cursorRow = screen.cursorRow - originRow_;
    const int cursorColumn = screen.cursorColumn - originColumn_;
    const bool cursorShown = screen.cursorVisible && cursorRow >= 0 && cursorRow < shownRows &&
                             cursorColumn >= 0 && cursorColumn < shownColumns;
    curs_set(cursorShown ? 1 : 0);
    if (cursorShown) wmove(stdscr, cursorRow, cursorColumn);
    wrefresh(stdscr);
}

void TerminalBackend::setTitle(std::string_view title) {
    const std::lock_guard lock(terminalMutex_);
    if (terminal_ == nullptr) return;
    std::string sequence = "\x1b]0;";
    for (char byte : title) {
        const auto b = static_cast<unsigned char>(byte);
        if (b >= 0x20 && b != 0x7F) sequence += byte;  // a control byte would end it early
    }
    sequence += '\a';
    writeRaw(sequence);
}

void TerminalBackend::beep() {
    const std::lock_guard lock(terminalMutex_);
    if (terminal_ != nullptr) ::beep();
}

void TerminalBackend::unreadKey(Key key) {
    keys_.push_front(std::move(key));
}

bool TerminalBackend::inputWaiting() {
    pollfd watch{ttyFd_, POLLIN, 0};
    return poll(&watch, 1, 0) > 0 && (watch.revents & POLLIN) != 0;
}

bool TerminalBackend::terminalGone() {
    pollfd watch{ttyFd_, POLLIN, 0};
    if (poll(&watch, 1, 0) < 0) return errno != EINTR;
    return (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

std::optional<Key> TerminalBackend::nextKey() {
    // Keys typed ahead need no paint before each: a paint put off meanwhile
    // comes before a real wait. The lock is held while waiting as well: nothing
    // is due to be painted then (or only until the keys typed ahead are read),
    // and a resize repaints from here.
    const std::lock_guard lock(terminalMutex_);
    if (paintDue_ && terminal_ != nullptr && shown_ != nullptr && keys_.empty() &&
        !inputWaiting()) {
        paintNow(*shown_);
    }
    if (terminal_ != nullptr && !keysEnded_) {
        while (keys_.empty()) {
            std::vector<Key> keys = readKeys();
            if (keys.empty()) {
                keysEnded_ = true;
                break;
            }
            for (Key& key : keys) keys_.push_back(std::move(key));
        }
    }
    if (keys_.empty()) return std::nullopt;
    Key key = std::move(keys_.front());
    keys_.pop_front();
    return key;
}

std::optional<Key> TerminalBackend::keyIfWaiting() {
    {
        const std::lock_guard lock(terminalMutex_);
        if (keys_.empty() && (terminal_ == nullptr || keysEnded_ || !inputWaiting())) {
            return std::nullopt;
        }
    }
    return nextKey();
}

// Reads until the terminal gives at least one key; none when it is gone. The
// bytes are read one by one rather than as wide characters: the terminal
// library would swallow the keys after a byte that is no character in the
// locale while it waits for the rest of it.
std::vector<Key> TerminalBackend::readKeys() {
    int failedReads = 0;
    while (true) {
        wtimeout(stdscr, translator_.waitingForMore() ? escapeWaitMilliseconds : -1);
        const int value = wgetch(stdscr);
        if (value == ERR) {
            if (translator_.waitingForMore()) {
                std::vector<Key> keys = translator_.inputPaused();
                if (!keys.empty()) return keys;
                continue;
            }
            if (terminalGone() || ++failedReads >= failedReadsAllowed) return {};
            continue;
        }
        failedReads = 0;
        if (value == KEY_RESIZE) {
            if (shown_ != nullptr) paintNow(*shown_);
            continue;
        }
        std::vector<Key> keys = translator_.take(inputOf(value));
        if (!keys.empty()) return keys;
    }
}

}  // namespace trellmark
