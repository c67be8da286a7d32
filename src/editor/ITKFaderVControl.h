#pragma once

#include "graphics/IFaderControl.h"

namespace vorlunda {

// An equaliser band's vertical fader: 135 pixels of travel from y 238 to 373, only its handle is
// hit. Its rectangle starts 3 pixels right of the given position.
class ITKFaderVControl : public IFaderControl {
public:
    static constexpr int kLength = 135; // pixels of travel, handle included
    static constexpr int kTop = 238;
    static constexpr int kBottom = 373;

    ITKFaderVControl(IPluginBase* plug, int x, int paramIndex, const BitmapStrip& handle);
};

} // namespace vorlunda
