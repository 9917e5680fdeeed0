#include "terminal/viewport.hpp"

#include <algorithm>

namespace trellmark {

int followCursor(int origin, int cursor, int size, int shown) {
    if (shown <= 0 || shown >= size) return 0;
    if (cursor < origin) origin = cursor;
    if (cursor >= origin + shown) origin = cursor - shown + 1;
    return std::clamp(origin, 0, size - shown);
}

int viewOrigin(int origin, bool resized, int cursor, int size, int shown) {
    return followCursor(resized ? 0 : origin, cursor, size, shown);
}

}  // namespace trellmark
