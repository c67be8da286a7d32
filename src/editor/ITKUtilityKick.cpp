#include "editor/ITKUtilityKick.h"

#include "synth/Synth.h"

namespace vorlunda {

ITKUtilityKick::ITKUtilityKick(Synth* synthArg, const ScreenRect& rectArg, int code)
    : IControl(synthArg, rectArg, code), synth(synthArg) {}

ITKUtilityKick::~ITKUtilityKick() = default;

bool ITKUtilityKick::Render(IGraphics&) {
    return true;
}

void ITKUtilityKick::MouseUp(int, int, const MouseModifiers&) {
    if (!synth)
        return;
    // Held across the step, so a program change from the host cannot slip in between.
    IPluginBase::Lock lock(synth->Mutex());
    const int count = synth->ProgramCount();
    int program = synth->CurrentProgram();
    if (paramIndex == kPreviousProgram) {
        if (--program < 0)
            program = count - 1;
    } else if (paramIndex == kNextProgram) {
        if (++program >= count)
            program = 0;
    } else {
        return;
    }
    synth->SelectProgram(program);
}

} // namespace vorlunda
