#include "editor/ITKSwitchMidiLearn.h"

#include "editor/EditorImages.h"
#include "graphics/IGraphics.h"
#include "synth/Synth.h"

namespace vorlunda {

ITKSwitchMidiLearn::ITKSwitchMidiLearn(Synth* synthArg, int x, int y, int code,
                                       const BitmapStrip& stripArg)
    : ISwitchControl(synthArg, x, y, code, stripArg), synth(synthArg) {
    value = 0.0;
}

ITKSwitchMidiLearn::~ITKSwitchMidiLearn() = default;

void ITKSwitchMidiLearn::FollowLearnEnd() {
    if (synth && synth->TakeLearnEnded()) {
        ApplyHostValue(0.0);
        MarkDirty(true);
    }
}

bool ITKSwitchMidiLearn::NeedsRedraw() const {
    return ISwitchControl::NeedsRedraw() || (synth && synth->LearnEndPending());
}

bool ITKSwitchMidiLearn::Render(IGraphics& graphics) {
    FollowLearnEnd();
    return ISwitchControl::Render(graphics);
}

void ITKSwitchMidiLearn::MouseDown(int x, int y, const MouseModifiers& mods) {
    if (!synth)
        return;
    // What the user saw before the press may be out of date by one tick.
    FollowLearnEnd();
    if (mods.left) {
        ISwitchControl::MouseDown(x, y, mods);
        // The audio thread reads these under the plug-in mutex.
        IPluginBase::Lock lock(synth->Mutex());
        synth->learnController = -1;
        synth->learnParam = -1;
        synth->unlearnMode = !learnImage;
        synth->learnArmed = value > 0.0;
    } else if (mods.right && value == 0.0 && graphics) {
        learnImage = !learnImage;
        const EditorImage& image = EditorImageOf(learnImage ? kImageLearn : kImageUnlearn);
        SetStrip(graphics->LoadEditorBitmap(image.id, image.name, image.frames));
        MarkDirty(true);
    }
}

} // namespace vorlunda
