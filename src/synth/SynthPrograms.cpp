// Program commands of the editor: initialise, copy, paste and select.
#include "synth/Synth.h"

#include <cmath>

namespace vorlunda {

void Synth::InitProgram() {
    Lock lock(Mutex());
    for (int i = 0; i < ParameterCount(); ++i) {
        const PlugParam* p = Parameter(i);
        const double range = p->Maximum() - p->Minimum();
        SetParameterFromEditor(
            i, std::pow((p->DefaultValue() - p->Minimum()) / range, 1.0 / p->Shape()));
    }
    ModifyCurrentPreset("Init");
    ShowAllParameterValues();
    ResendAllParameters();
}

void Synth::CopyProgram() {
    Lock lock(Mutex());
    ModifyCurrentPreset();
    copySourceProgram = CurrentProgram();
    programCopyBuffer.Empty();
    WriteState(programCopyBuffer);
}

void Synth::PasteProgram() {
    if (programCopyBuffer.ByteCount() == 0)
        return;
    Lock lock(Mutex());
    ReadState(programCopyBuffer, 0);
    // The source's name as it is now, not as it was when copied.
    const std::string name = PresetName(copySourceProgram);
    ModifyCurrentPreset(name.c_str());
    ShowAllParameterValues();
    ResendAllParameters();
}

void Synth::SelectProgram(int index) {
    Lock lock(Mutex());
    ModifyCurrentPreset();
    ActivatePreset(index);
    NotifyHostOfProgramChange();
    ResendAllParameters();
}

} // namespace vorlunda
