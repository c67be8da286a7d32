#pragma once

#include "graphics/ISwitchControl.h"

namespace vorlunda {

class Synth;

// The MIDI-learn switch. A left press arms (on) or disarms (off) a learn; the right button, while
// the switch is off, swaps between learning a binding ("LEARN" picture) and removing one
// ("UNLEARN"). The binding itself is made by the Synth when both a moved control and a controller
// are known; the switch then turns off.
//
// A learn can end on the audio thread (a controller message): the Synth then only raises a flag,
// and the switch turns itself off on the editor's thread when the timer asks what needs drawing.
class ITKSwitchMidiLearn : public ISwitchControl {
public:
    static constexpr int kCode = -86;

    // Starts in learn mode, off.
    ITKSwitchMidiLearn(Synth* synth, int x, int y, int code, const BitmapStrip& strip);
    ~ITKSwitchMidiLearn() override;

    void MouseDown(int x, int y, const MouseModifiers& mods) override;
    bool Render(IGraphics& graphics) override;
    bool NeedsRedraw() const override;

    // True: the learn picture is shown (a learn binds), false: the unlearn picture (it unbinds).
    bool LearnImage() const { return learnImage; }

private:
    // Turns the switch off when a learn ended since it last looked.
    void FollowLearnEnd();

    Synth* synth;
    bool learnImage = true;
};

} // namespace vorlunda
