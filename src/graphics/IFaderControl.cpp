#include "graphics/IFaderControl.h"

#include "graphics/IGraphics.h"

namespace vorlunda {

namespace {

constexpr double kWheelStep = 0.01; // value per notch
constexpr double kFineWheelStep = 0.001;

} // namespace

IFaderControl::IFaderControl(IPluginBase* plug, const ScreenRect& rect, int paramIndex,
                             const BitmapStrip& handle, int lengthArg, int handleSizeArg,
                             Direction direction, bool onlyHandleArg, const BlendSpec& blend)
    : IControl(plug, rect, paramIndex, blend), length(lengthArg), handleSize(handleSizeArg),
      strip(handle), horizontal(direction == kHorizontal), onlyHandle(onlyHandleArg) {}

ScreenRect IFaderControl::HandleRect() const {
    const int travel = length - handleSize;
    ScreenRect r{rect.left, rect.top, rect.left + strip.width, rect.top + strip.height};
    const int shift =
        horizontal ? static_cast<int>(travel * value) : static_cast<int>(travel * (1.0 - value));
    if (horizontal) {
        r.left += shift;
        r.right += shift;
    } else {
        r.top += shift;
        r.bottom += shift;
    }
    return r;
}

bool IFaderControl::Render(IGraphics& graphics) {
    return graphics.DrawBitmapRegion(strip.bitmap, HandleRect(), 0, 0, &blend);
}

void IFaderControl::SnapToPoint(int x, int y) {
    const int travel = length - handleSize;
    if (travel == 0)
        return;
    if (horizontal)
        value = static_cast<double>(x - rect.left - handleSize / 2) / travel;
    else
        value = 1.0 - static_cast<double>(y - rect.top - handleSize / 2) / travel;
    MarkDirty(true);
}

void IFaderControl::MouseDown(int x, int y, const MouseModifiers& mods) {
    if (mods.right)
        PromptValueEntry();
    else
        SnapToPoint(x, y);
}

void IFaderControl::MouseDrag(int x, int y, int, int, const MouseModifiers&) {
    SnapToPoint(x, y);
}

void IFaderControl::MouseWheel(int, int, const MouseModifiers& mods, int notches) {
    value += notches * (mods.Fine() ? kFineWheelStep : kWheelStep);
    MarkDirty(true);
}

bool IFaderControl::HitTest(int x, int y) {
    if (!onlyHandle)
        return IControl::HitTest(x, y);
    const ScreenRect handle = HandleRect();
    return !handle.IsEmpty() && handle.Contains(x, y);
}

} // namespace vorlunda
