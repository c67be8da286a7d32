#include "graphics/ISwitchPopUpControl.h"

namespace vorlunda {

ISwitchPopUpControl::ISwitchPopUpControl(IPluginBase* plug, int x, int y, int paramIndex,
                                         const BitmapStrip& strip, const BlendSpec& blend)
    : ISwitchControl(plug, x, y, paramIndex, strip, blend) {
    promptDisabled = false;
}

void ISwitchPopUpControl::MouseDown(int, int, const MouseModifiers&) {
    PromptValueEntry();
    MarkDirty(true);
}

void ISwitchPopUpControl::DoubleClick(int x, int y, const MouseModifiers& mods) {
    MouseDown(x, y, mods);
}

} // namespace vorlunda
