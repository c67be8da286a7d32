#pragma once

#include <algorithm>

namespace vorlunda {

// An integer rectangle in editor pixels. Empty when all four edges are 0; a point (x, y) lies
// inside when left <= x < right and top <= y < bottom.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    constexpr bool Contains(int x, int y) const {
        return left <= x && x < right && top <= y && y < bottom;
    }
    friend constexpr bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The smallest rectangle holding both; an empty rectangle adds nothing.
constexpr ScreenRect Union(const ScreenRect& a, const ScreenRect& b) {
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

} // namespace vorlunda
