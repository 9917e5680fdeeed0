#pragma once
// The console on a real terminal: keys come from the terminal device, the
// screen model is painted on it with the terminal library. The one place that
// knows about terminals; the program's own logic never sees them.

#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "console/display.hpp"
#include "console/key_source.hpp"
#include "console/screen.hpp"
#include "terminal/key_translation.hpp"

struct screen;  // the terminal library's own record of a terminal

namespace trellmark {

class TerminalBackend : public KeySource, public Display {
  public:
    TerminalBackend() = default;
    TerminalBackend(const TerminalBackend&) = delete;
    TerminalBackend& operator=(const TerminalBackend&) = delete;
    // Gives the terminal back if finish was not reached.
    ~TerminalBackend() override;

    // Takes over the controlling terminal (/dev/tty, whatever standard input and
    // output are). False when there is none or it cannot be driven; nothing has
    // changed then.
    bool open();
    // Gives the terminal back as it was and leaves the text of `finalScreen`
    // in it as plain lines, so that the results stay readable.
    void finish(const Screen& finalScreen);

    std::optional<Key> nextKey() override;
    void unreadKey(Key key) override;

    void screenChanged(const Screen& screen) override;
    void paint(const Screen& screen) override;
    void setTitle(std::string_view title) override;
    void beep() override;

  private:
    void leaveScreen();
    void close();
    void writeRaw(std::string_view bytes);
    short colourPair(short foreground, short background);
    bool terminalGone();
    std::vector<Key> readKeys();

    std::FILE* tty_ = nullptr;
    int ttyFd_ = -1;
    ::screen* terminal_ = nullptr;
    bool unicode_ = false;
    int colourCount_ = 0;
    std::map<std::pair<short, short>, short> pairs_;
    short nextPair_ = 1;
    // Where the view of a smaller terminal stands on the screen.
    int originColumn_ = 0;
    int originRow_ = 0;
    // The screen last shown, to paint again when the terminal is resized: the
    // console's own, which outlives the backend's use of it.
    const Screen* shown_ = nullptr;
    std::chrono::steady_clock::time_point lastPaint_{};
    // Keys put back or already translated, next out first.
    std::deque<Key> keys_;
    KeyTranslator translator_;
    bool keysEnded_ = false;
    bool titlePushed_ = false;
};

}  // namespace trellmark
