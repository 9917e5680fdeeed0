#pragma once
// What paints the screen model for a person. Tests use none.

#include <string_view>

#include "console/screen.hpp"

namespace trellmark {

class Display {
  public:
    virtual ~Display() = default;
    // The screen changed; the display may paint now or a little later.
    virtual void screenChanged(const Screen& screen) = 0;
    // Paints the screen now: called before every wait for a key.
    virtual void paint(const Screen& screen) = 0;
    virtual void setTitle(std::string_view title) = 0;
    virtual void beep() = 0;
};

}  // namespace trellmark
