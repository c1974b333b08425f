// Where a window left on some screen opens again; plain C++, so that the
// arithmetic is tested without screens.
#pragma once

#include <algorithm>

namespace twinsweep {

struct ScreenRect {
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;
    bool operator==(const ScreenRect&) const = default;
};

// Grown from its top left corner to at least the given size.
inline ScreenRect AtLeast(const ScreenRect& rect, long minWidth, long minHeight)
{
    return {rect.left, rect.top, rect.left + std::max(rect.right - rect.left, minWidth),
            rect.top + std::max(rect.bottom - rect.top, minHeight)};
}

// Moved the shortest way into the work area, shrunk to fit it if need be.
inline ScreenRect MovedInside(const ScreenRect& rect, const ScreenRect& work)
{
    const long width = std::min(rect.right - rect.left, work.right - work.left);
    const long height = std::min(rect.bottom - rect.top, work.bottom - work.top);
    const long left = std::clamp(rect.left, work.left, work.right - width);
    const long top = std::clamp(rect.top, work.top, work.bottom - height);
    return {left, top, left + width, top + height};
}

}  // namespace twinsweep
