#pragma once

#include "graphics/IControl.h"

namespace vorlunda {

class PopupMenu;
class Synth;

// The invisible "SETUP" button: a menu of the global performance parameters that have no control
// of their own (polyphony, sync-to-host rate, pitch-bend range and the three wheel routings).
class ITKSettingsControl : public IControl {
public:
    static constexpr int kCode = -81;

    ITKSettingsControl(Synth* synth, const ScreenRect& rect);

    // Any button: shows the menu at the press point and applies the choice.
    void MouseDown(int x, int y, const MouseModifiers& mods) override;
    // Draws nothing: the button is part of the background.
    bool Render(IGraphics& graphics) override;

    // Builds the menu from the parameters' current values. Mutex held.
    void BuildMenu(PopupMenu& menu) const;
    // The parameter and plain value a choice stands for; false when it stands for none.
    bool ChoiceValue(const PopupMenu& menu, const PopupMenu* holder, int* param,
                     double* value) const;
    // Stores `value` (clamped) in parameter `index`, lets the instrument apply it and tells the
    // host; the editor's controls of that parameter follow at the next tick.
    void ApplySetting(int index, double value);

private:
    Synth* synth;
};

} // namespace vorlunda
