#pragma once

#include "graphics/IControl.h"

namespace vorlunda {

class Synth;

// The polyphony display ("16 Voices"): the display text of parameter 0 for its current value. A
// press opens the menu of all its display texts.
class ITKVoiceControl : public IControl {
public:
    ITKVoiceControl(Synth* synth, const ScreenRect& rect);

    void MouseDown(int x, int y, const MouseModifiers& mods) override;
    bool Render(IGraphics& graphics) override;

    // The text drawn for the current value ("" when the value has none).
    const char* DisplayText() const;
};

} // namespace vorlunda
