#include "graphics/IKnobMultiControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

namespace vorlunda {

namespace {

constexpr double kFineGearing = 10.0; // shift or control: ten times the travel
constexpr double kWheelStep = 0.01;   // value per notch
constexpr double kFineWheelStep = 0.001;

} // namespace

IKnobMultiControl::IKnobMultiControl(IPluginBase* plug, const ScreenRect& rect, int paramIndex,
                                     const BitmapStrip& stripArg, Direction directionArg,
                                     double gearingArg, const BlendSpec& blend)
    : IKnobControl(plug, rect, paramIndex, blend), direction(directionArg),
      gearing(std::isfinite(gearingArg) && gearingArg > 0.0 ? gearingArg : 1.0), strip(stripArg) {}

int IKnobMultiControl::FrameForValue() const {
    const int i = static_cast<int>((strip.frames - 1) * value + 0.5);
    return i < 0 ? 1 : std::min(strip.frames, i + 1);
}

bool IKnobMultiControl::Render(IGraphics& graphics) {
    return graphics.DrawFrame(strip, rect, FrameForValue(), &blend);
}

void IKnobMultiControl::MouseDrag(int, int, int dX, int dY, const MouseModifiers& mods) {
    const double g = mods.Fine() ? gearing * kFineGearing : gearing;
    if (direction == kVertical) {
        // Up (negative dY) raises the value.
        const int extent = rect.top - rect.bottom;
        if (extent == 0)
            return;
        value += dY / static_cast<double>(extent) / g;
    } else {
        const int extent = rect.right - rect.left;
        if (extent == 0)
            return;
        value += dX / static_cast<double>(extent) / g;
    }
    MarkDirty(true);
}

void IKnobMultiControl::MouseWheel(int, int, const MouseModifiers& mods, int notches) {
    value += notches * (mods.Fine() ? kFineWheelStep : kWheelStep);
    MarkDirty(true);
}

} // namespace vorlunda
