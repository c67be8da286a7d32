#include "graphics/IBitmapControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>

namespace vorlunda {

ScreenRect IBitmapControl::FrameRect(int x, int y, const BitmapStrip& strip) {
    const int n = std::max(strip.frames, 1);
    const int w = strip.sideBySide ? strip.width / n : strip.width;
    const int h = strip.sideBySide ? strip.height : strip.height / n;
    return {x, y, x + w, y + h};
}

IBitmapControl::IBitmapControl(IPluginBase* plug, int x, int y, int paramIndex,
                               const BitmapStrip& stripArg, const BlendSpec& blend)
    : IControl(plug, FrameRect(x, y, stripArg), paramIndex, blend), strip(stripArg) {}

int IBitmapControl::FrameForValue() const {
    const int n = strip.frames;
    if (n < 2)
        return 1;
    const int frame = static_cast<int>((n - 1) * value + 0.5) + 1;
    return std::clamp(frame, 1, n);
}

bool IBitmapControl::Render(IGraphics& graphics) {
    return graphics.DrawFrame(strip, rect, FrameForValue(), &blend);
}

} // namespace vorlunda
