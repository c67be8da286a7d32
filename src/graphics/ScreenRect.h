#pragma once

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

} // namespace vorlunda
