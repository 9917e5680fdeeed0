#pragma once
// The console on a real terminal: keys come from the terminal device, the
// screen model is painted on it with the terminal library. The one place that
// knows about terminals; the program's own logic never sees them.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
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
    // output are). False when there is none or it cannot be driven, with
    // `failure` saying why; nothing has changed then.
    bool open(std::string& failure);
    // Gives the terminal back as it was and leaves the text of `finalScreen`
    // in it as plain lines, so that the results stay readable.
    void finish(const Screen& finalScreen);

    // Paints what is still waiting to be painted before it waits for a key
    // (not when keys typed ahead are there already).
    std::optional<Key> nextKey() override;
    std::optional<Key> keyIfWaiting() override;
    void unreadKey(Key key) override;

    void screenChanged(const Screen& screen) override;
    // Paints at once unless the last paint is less than a paint interval old;
    // then the screen is painted when the interval is over, by a thread of the
    // backend's own if nothing on this one paints first. So a finished line
    // shows within the interval even when long work follows it, and a burst of
    // lines costs a copy of the screen each instead of a paint.
    void paint(const Screen& screen) override;
    void setTitle(std::string_view title) override;
    void beep() override;

  private:
    // The callers hold terminalMutex_.
    void paintNow(const Screen& screen);
    void paintWhenDue();  // the painting thread
    void stopPainting();

    void leaveScreen();
    void close();
    void writeRaw(std::string_view bytes);
    short colourPair(short foreground, short background);
    bool terminalGone();
    bool inputWaiting();  // bytes typed ahead wait to be read
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
    // The terminal's size at the last paint, to know when it changed.
    int paintedColumns_ = 0;
    int paintedRows_ = 0;
    // The screen last shown, to paint again when the terminal is resized: the
    // console's own, which outlives the backend's use of it.
    const Screen* shown_ = nullptr;
    std::chrono::steady_clock::time_point lastPaint_{};

    // Held for every use of the terminal library and the terminal device, by
    // this thread and the painting one.
    std::mutex terminalMutex_;
    std::condition_variable paintChanged_;
    Screen deferred_;        // the screen as it was when its paint was put off
    bool paintDue_ = false;  // deferred_ is newer than what the terminal shows
    bool stopPainter_ = false;
    std::thread painter_;  // joinable while the terminal library is in use
    // Keys put back or already translated, next out first.
    std::deque<Key> keys_;
    KeyTranslator translator_;
    bool keysEnded_ = false;
    bool titlePushed_ = false;
};

}  // namespace trellmark
