#pragma once

#include "graphics/IFaderControl.h"

namespace vorlunda {

// A short horizontal fader above a knob: 80 pixels of travel, only its handle is hit. Its
// rectangle starts 8 pixels left of and 1 pixel above the given position.
class ITKFaderHControl : public IFaderControl {
public:
    static constexpr int kLength = 80; // pixels of travel, handle included

    ITKFaderHControl(IPluginBase* plug, int x, int y, int paramIndex, const BitmapStrip& handle);
};

} // namespace vorlunda
