#include "editor/ITKFaderVControl.h"

#include <algorithm>

namespace vorlunda {

ITKFaderVControl::ITKFaderVControl(IPluginBase* plug, int x, int paramIndex,
                                   const BitmapStrip& handle)
    : IFaderControl(plug, {x + 3, kTop, x + 3 + handle.width, kBottom}, paramIndex, handle, kLength,
                    handle.height / std::max(handle.frames, 1), kVertical, true) {}

} // namespace vorlunda
