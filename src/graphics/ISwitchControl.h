#pragma once

#include "graphics/IBitmapControl.h"

namespace vorlunda {

// A switch that steps through the frames of its strip: every press (any button) moves to the next
// frame, and from the last back to the first.
class ISwitchControl : public IBitmapControl {
public:
    using IBitmapControl::IBitmapControl;

    void MouseDown(int x, int y, const MouseModifiers& mods) override;
    // Steps once more: a double click advances twice in all (its press, then the double click).
    void DoubleClick(int x, int y, const MouseModifiers& mods) override;
};

} // namespace vorlunda
