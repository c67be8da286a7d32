#pragma once

#include "graphics/BitmapStrip.h"
#include "graphics/IKnobControl.h"

namespace vorlunda {

// A knob drawn from a strip of frames. Dragging moves the value along one direction: a full sweep
// takes `gearing` times the control's extent in pixels (ten times more with shift or control);
// a wheel notch moves it by 0.01 (0.001 with shift or control).
class IKnobMultiControl : public IKnobControl {
public:
    // A gearing that is not a positive number is taken as 1.
    IKnobMultiControl(IPluginBase* plug, const ScreenRect& rect, int paramIndex,
                      const BitmapStrip& strip, Direction direction = kVertical,
                      double gearing = 4.0, const BlendSpec& blend = {});

    bool Render(IGraphics& graphics) override;
    void MouseDrag(int x, int y, int dX, int dY, const MouseModifiers& mods) override;
    void MouseWheel(int x, int y, const MouseModifiers& mods, int notches) override;

    // i = int((N - 1) x value + 0.5); frame 1 when i < 0, else min(N, i + 1).
    int FrameForValue() const;
    double Gearing() const { return gearing; }

private:
    Direction direction;
    double gearing;
    BitmapStrip strip;
};

} // namespace vorlunda
