// The settings dialog's cursors: the number the logic sets and the name of the module's
// cursor resource (monochrome, 32 x 32 pixels, hot spot at the top left corner).
#pragma once

#include <string_view>

namespace qv {

constexpr int kCursorCount = 8;
inline constexpr const char* kCursorNames[kCursorCount] = {
    "IDC_CURSOR_DEFAULT",     "IDC_CURSOR_ALL",          "IDC_CURSOR_TOP_LEFT",   "IDC_CURSOR_TOP_RIGHT",
    "IDC_CURSOR_BOTTOM_LEFT", "IDC_CURSOR_BOTTOM_RIGHT", "IDC_CURSOR_HORIZONTAL", "IDC_CURSOR_VERTICAL"};

// The cursor's number, -1 for a name that is none of them.
inline int CursorByName(std::string_view name) {
    for (int cursor = 0; cursor < kCursorCount; ++cursor)
        if (name == kCursorNames[cursor])
            return cursor;
    return -1;
}

} // namespace qv
