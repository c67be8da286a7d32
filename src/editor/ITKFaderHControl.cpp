#include "editor/ITKFaderHControl.h"

#include <algorithm>

namespace vorlunda {

namespace {

ScreenRect FaderRect(int x, int y, const BitmapStrip& handle) {
    return {x - 8, y - 1, x + ITKFaderHControl::kLength - 8,
            y - 1 + handle.height / std::max(handle.frames, 1)};
}

} // namespace

ITKFaderHControl::ITKFaderHControl(IPluginBase* plug, int x, int y, int paramIndex,
                                   const BitmapStrip& handle)
    : IFaderControl(plug, FaderRect(x, y, handle), paramIndex, handle, kLength, handle.width,
                    kHorizontal, true) {}

} // namespace vorlunda
