#include "graphics/ISwitchControl.h"

namespace vorlunda {

namespace {

// Past the last frame (with some room for rounding, so 3 x 1/3 still shows the last frame).
constexpr double kWrapAbove = 1.001;

} // namespace

void ISwitchControl::MouseDown(int, int, const MouseModifiers&) {
    const double step = strip.frames < 2 ? 1.0 : 1.0 / (strip.frames - 1);
    value += step;
    if (value > kWrapAbove)
        value = 0.0;
    MarkDirty(true);
}

void ISwitchControl::DoubleClick(int x, int y, const MouseModifiers& mods) {
    MouseDown(x, y, mods);
}

} // namespace vorlunda
