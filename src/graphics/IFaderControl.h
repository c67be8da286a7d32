#pragma once

#include "graphics/BitmapStrip.h"
#include "graphics/IControl.h"

namespace vorlunda {

// A fader: a handle bitmap travelling `length` pixels (handle included) across the control. A
// press or drag puts the handle's centre under the pointer; the right button opens value entry;
// a wheel notch moves by 0.01 (0.001 with shift or control).
class IFaderControl : public IControl {
public:
    IFaderControl(IPluginBase* plug, const ScreenRect& rect, int paramIndex,
                  const BitmapStrip& handle, int length, int handleSize,
                  Direction direction = kVertical, bool onlyHandle = false,
                  const BlendSpec& blend = {});

    bool Render(IGraphics& graphics) override;
    void MouseDown(int x, int y, const MouseModifiers& mods) override;
    void MouseDrag(int x, int y, int dX, int dY, const MouseModifiers& mods) override;
    void MouseWheel(int x, int y, const MouseModifiers& mods, int notches) override;
    // With onlyHandle only the handle is hit.
    bool HitTest(int x, int y) override;
    // Moves the handle's centre to the point (along the travel) and sends the value.
    virtual void SnapToPoint(int x, int y);

    // Where the handle is drawn for the current value.
    ScreenRect HandleRect() const;

private:
    int length;
    int handleSize;
    BitmapStrip strip;
    bool horizontal;
    bool onlyHandle;
};

} // namespace vorlunda
