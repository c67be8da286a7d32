#pragma once

#include "graphics/ISwitchControl.h"

namespace vorlunda {

// A switch whose press opens the menu of its parameter's choices (value entry) instead of
// stepping.
class ISwitchPopUpControl : public ISwitchControl {
public:
    ISwitchPopUpControl(IPluginBase* plug, int x, int y, int paramIndex, const BitmapStrip& strip,
                        const BlendSpec& blend = {});

    void MouseDown(int x, int y, const MouseModifiers& mods) override;
    void DoubleClick(int x, int y, const MouseModifiers& mods) override;
};

} // namespace vorlunda
