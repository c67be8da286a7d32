#include "synth/Synth.h"

#include "core/ProgramFiles.h"
#include "core/ProgramSnapshot.h"
#include "engine/TuningClient.h"

#include <algorithm>
#include <clocale>
#include <exception>

namespace vorlunda {

Synth::Synth(const PluginIdentity& identity) : IPluginVST(identity) {
    controllerMap.fill(-1);
    // Numbers are formatted and parsed by our own locale-free code; the process locale is set
    // as the plug-in always did, for anything else that might print.
    std::setlocale(LC_ALL, "en_US.UTF-8");
    SetUpConfiguration();
    // Last, so that the tuning library sees the registration of a complete instance.
    tuningClient = std::make_unique<TuningClient>();
}

Synth::~Synth() {
    // First, so that the library hears of the instance's end before anything else is freed.
    tuningClient.reset();
}

void Synth::RestartProcessing() {
    Lock lock(Mutex());
    midiQueue.Resize(BlockSize());
    heldNotes.Clear();
    controlSamplesLeft = 0;
    learnArmed = false;
    // One control tick per millisecond. Rates below 1 kHz still tick once per sample, so the
    // block loop always advances.
    controlBlockSize = std::max(static_cast<int>(std::min(SampleRate(), 1e9)) / 1000, 1);
}

void Synth::ParameterChanged(int index) {
    Lock lock(Mutex());
    if (learnArmed && index >= 0 && index < ParameterCount()) {
        learnParam = index;
        CommitLearn();
    }
}

void Synth::ShowAllParameterValues() {
    IPluginVST::ShowAllParameterValues();
    programDisplaySerial.fetch_add(1, std::memory_order_acq_rel);
}

void Synth::ActivationChanged(bool active) {
    Lock lock(Mutex());
    if (active)
        ApplyAllParameters();
}

bool Synth::LoadBankImage(const void* bytes, int length) {
    bool loaded = false;
    try {
        StateChunk image;
        image.AppendBytes(bytes, length);
        loaded = LoadAllOrNothing(*this, [&] {
            // No header field is checked: the image is our own, stored in the module.
            int position = image.ByteCount() >= fx::kBankChunkStart ? fx::kBankChunkStart : -1;
            if (position >= 0)
                ReadChunkHeader(image, &position);
            return position >= 0 && UnserializePresets(image, position) >= 0;
        });
    } catch (const std::exception&) {
        loaded = false;
    }
    NotifyHostOfProgramChange();
    return loaded;
}

void Synth::CommitLearn() {
    if (!learnArmed)
        return;
    auto unbindParam = [this](int param) {
        std::replace(controllerMap.begin(), controllerMap.end(), param, -1);
    };
    const bool controllerValid = learnController >= 0 && learnController < kMappableControllers;
    if (!unlearnMode) {
        if (controllerValid && learnParam != -1) {
            unbindParam(learnParam);
            controllerMap[static_cast<std::size_t>(learnController)] = learnParam;
            learnArmed = false;
            learnEnded.store(true, std::memory_order_release);
        }
    } else if (controllerValid || learnParam != -1) {
        if (controllerValid)
            controllerMap[static_cast<std::size_t>(learnController)] = -1;
        else
            unbindParam(learnParam);
        learnArmed = false;
        unlearnMode = false;
        learnEnded.store(true, std::memory_order_release);
    }
}

} // namespace vorlunda
