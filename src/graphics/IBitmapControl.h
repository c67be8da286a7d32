#pragma once

#include "graphics/BitmapStrip.h"
#include "graphics/IControl.h"

namespace vorlunda {

// A control drawn as one frame of a strip: the frame that matches its value.
class IBitmapControl : public IControl {
public:
    // Placed at (x, y) with the size of one frame of the strip.
    IBitmapControl(IPluginBase* plug, int x, int y, int paramIndex, const BitmapStrip& strip,
                   const BlendSpec& blend = {});

    bool Render(IGraphics& graphics) override;

    // The 1-based frame shown for the current value: 1 with fewer than 2 frames, else
    // int((N - 1) x value + 0.5) + 1 within 1..N.
    int FrameForValue() const;
    const BitmapStrip& Strip() const { return strip; }
    void SetStrip(const BitmapStrip& s) { strip = s; }

    // One frame of the strip placed at (x, y).
    static ScreenRect FrameRect(int x, int y, const BitmapStrip& strip);

protected:
    BitmapStrip strip;
};

} // namespace vorlunda
