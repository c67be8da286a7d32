#pragma once

#include "graphics/IControl.h"

namespace vorlunda {

class Synth;

// An invisible button painted on the background that steps to the previous (code -82) or next
// (code -83) program when released, wrapping around at either end of the bank.
class ITKUtilityKick : public IControl {
public:
    static constexpr int kPreviousProgram = -82;
    static constexpr int kNextProgram = -83;

    ITKUtilityKick(Synth* synth, const ScreenRect& rect, int code);
    ~ITKUtilityKick() override;

    // The step acts on release; a press alone does nothing.
    void MouseUp(int x, int y, const MouseModifiers& mods) override;
    // Draws nothing: the button is part of the background.
    bool Render(IGraphics& graphics) override;

private:
    Synth* synth;
};

} // namespace vorlunda
