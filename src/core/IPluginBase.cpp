#include "core/IPluginBase.h"

#include "core/TextFormat.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace vorlunda {

IPluginBase::IPluginBase(const PluginIdentity& identity)
    : uniqueId(identity.uniqueId), makerId(identity.makerId), version(identity.version),
      stateChunks(identity.stateChunks), isInstrument(identity.isInstrument),
      doesMidi(identity.doesMidi),
      parameters(static_cast<std::size_t>(std::max(identity.parameterCount, 0))),
      presets(static_cast<std::size_t>(std::max(identity.programCount, 0))) {
    CopyText(effectName, identity.effectName ? identity.effectName : "", sizeof effectName);
    CopyText(productName, identity.productName ? identity.productName : "", sizeof productName);
    CopyText(makerName, identity.makerName ? identity.makerName : "", sizeof makerName);
    ParseChannelConfigs(identity.channelConfigs ? identity.channelConfigs : "");
}

IPluginBase::~IPluginBase() {
    // The editor's controls may still refer to parameters: it goes first.
    graphics.reset();
}

void IPluginBase::ParseChannelConfigs(const char* text) {
    // Blank-separated "inputs-outputs" items, e.g. "0-1 0-2".
    int maxInputs = 0;
    int maxOutputs = 0;
    const char* p = text;
    while (p && *p) {
        int inputs = 0;
        int outputs = 0;
        if (std::sscanf(p, "%d-%d", &inputs, &outputs) == 2) {
            channelConfigs.push_back({inputs, outputs});
            maxInputs = std::max(maxInputs, inputs);
            maxOutputs = std::max(maxOutputs, outputs);
        }
        p = std::strchr(p, ' ');
        if (p)
            ++p;
    }
    inputPointers.assign(static_cast<std::size_t>(maxInputs), nullptr);
    outputPointers.assign(static_cast<std::size_t>(maxOutputs), nullptr);
    inputChannels.resize(static_cast<std::size_t>(maxInputs));
    outputChannels.resize(static_cast<std::size_t>(maxOutputs));
    for (std::size_t i = 0; i < inputChannels.size(); ++i)
        inputChannels[i].pointer = &inputPointers[i];
    for (std::size_t i = 0; i < outputChannels.size(); ++i)
        outputChannels[i].pointer = &outputPointers[i];
}

bool IPluginBase::LegalIO(int inputs, int outputs) const {
    // A negative count means "any".
    return std::any_of(channelConfigs.begin(), channelConfigs.end(), [&](const ChannelConfig& c) {
        return (inputs < 0 || c.inputs == inputs) && (outputs < 0 || c.outputs == outputs);
    });
}

PlugParam* IPluginBase::Parameter(int index) {
    if (index < 0 || index >= ParameterCount())
        return nullptr;
    return &parameters[static_cast<std::size_t>(index)];
}

const PlugParam* IPluginBase::Parameter(int index) const {
    if (index < 0 || index >= ParameterCount())
        return nullptr;
    return &parameters[static_cast<std::size_t>(index)];
}

void IPluginBase::RestartProcessing() {
    Lock lock(mutex);
}
void IPluginBase::ParameterChanged(int) {
    Lock lock(mutex);
}
void IPluginBase::ActivationChanged(bool) {
    Lock lock(mutex);
}

void IPluginBase::RenderBlock(double** inputs, double** outputs, int frames) {
    if (!outputs || frames <= 0)
        return;
    const int nIn = InputChannelCount();
    for (int c = 0; c < OutputChannelCount(); ++c) {
        double* out = outputs[c];
        if (!out)
            continue;
        if (c < nIn && inputs && inputs[c])
            std::copy_n(inputs[c], frames, out);
        else
            std::fill_n(out, frames, 0.0);
    }
}

void IPluginBase::HandleMidiMessage(const MidiEvent& event) {
    SendMidiMessage(event);
}
void IPluginBase::HandleSysExMessage(const SysExEvent&) {}

bool IPluginBase::NameOfMidiKey(int, char* text) {
    if (text)
        text[0] = '\0';
    return false;
}

bool IPluginBase::WriteState(StateChunk& chunk) {
    return SerializeParams(chunk);
}
int IPluginBase::ReadState(const StateChunk& chunk, int position) {
    return UnserializeParams(chunk, position);
}

bool IPluginBase::StateMatches(const StateChunk& chunk, int position) {
    for (const PlugParam& p : parameters) {
        double stored = 0.0;
        position = chunk.Read(&stored, position);
        if (position < 0 || !(std::fabs(p.RealValue() - stored) < 0.00001))
            return false;
    }
    return true;
}

void IPluginBase::SetParameterFromEditor(int index, double normalised) {
    Lock lock(mutex);
    PlugParam* p = Parameter(index);
    if (!p)
        return;
    p->SetFromNormalised(normalised);
    // The host hears the value as the control sent it, not the step-rounded one.
    NotifyHostOfParameter(index, normalised);
    ParameterChanged(index);
    // The editor's controls of this parameter show it at the next tick (the one that sent it
    // already does). Posted last, under the mutex: it supersedes whatever the host posted before,
    // a host's echo included, so the controls end where the parameter is.
    if (graphics)
        graphics->UpdateParameterControls(index, normalised, true);
}

void IPluginBase::AttachEditor(IGraphics* editor) {
    if (!editor)
        return;
    Lock lock(mutex);
    for (int i = 0; i < ParameterCount(); ++i)
        editor->UpdateParameterControls(i, parameters[static_cast<std::size_t>(i)].ToNormalised(),
                                        true);
    // No other thread knows the editor yet: its controls take the values at once.
    editor->ApplyPendingParameterValues();
    editor->PrepareSurface();
    graphics.reset(editor);
}

void IPluginBase::ShowAllParameterValues() {
    if (!graphics)
        return;
    for (int i = 0; i < ParameterCount(); ++i)
        graphics->UpdateParameterControls(i, parameters[static_cast<std::size_t>(i)].RealValue(),
                                          false);
}

void IPluginBase::StoreBlockSize(int frames) {
    if (frames == blockSize)
        return;
    const std::size_t n = static_cast<std::size_t>(std::max(frames, 0));
    for (InputChannel& c : inputChannels) {
        c.scratch.assign(n, 0.0);
        if (!c.connected)
            *c.pointer = c.scratch.data();
    }
    for (OutputChannel& c : outputChannels) {
        c.scratch.assign(n, 0.0);
        if (!c.connected)
            *c.pointer = c.scratch.data();
    }
    blockSize = frames;
}

void IPluginBase::SetInputChannelsConnected(int first, int count, bool connected) {
    for (int i = std::max(first, 0); i < first + count && i < InputChannelCount(); ++i) {
        InputChannel& c = inputChannels[static_cast<std::size_t>(i)];
        c.connected = connected;
        if (!connected)
            *c.pointer = c.scratch.data();
    }
}

void IPluginBase::SetOutputChannelsConnected(int first, int count, bool connected) {
    for (int i = std::max(first, 0); i < first + count && i < OutputChannelCount(); ++i) {
        OutputChannel& c = outputChannels[static_cast<std::size_t>(i)];
        c.connected = connected;
        if (!connected)
            *c.pointer = c.scratch.data();
    }
}

void IPluginBase::ApplyAllParameters() {
    for (int i = 0; i < ParameterCount(); ++i)
        ParameterChanged(i);
}

void IPluginBase::ResendAllParameters() {
    Lock lock(mutex);
    for (int i = 0; i < ParameterCount(); ++i)
        NotifyHostOfParameter(i, parameters[static_cast<std::size_t>(i)].ToNormalised());
}

// --- Programs and chunks ---

PresetSlot* IPluginBase::Preset(int index) {
    if (index < 0 || index >= ProgramCount())
        return nullptr;
    return &presets[static_cast<std::size_t>(index)];
}

const char* IPluginBase::PresetName(int index) const {
    if (index < 0 || index >= ProgramCount())
        return "";
    return presets[static_cast<std::size_t>(index)].name.c_str();
}

void IPluginBase::FillEmptyPresets(const char* name, int count) {
    for (int n = 0; n < count; ++n) {
        auto slot = std::find_if(presets.begin(), presets.end(),
                                 [](const PresetSlot& s) { return !s.initialized; });
        if (slot == presets.end())
            return;
        slot->initialized = true;
        slot->name = name ? name : "Empty";
        slot->state.Empty();
        WriteState(slot->state);
    }
}

bool IPluginBase::ActivatePreset(int index) {
    PresetSlot* slot = Preset(index);
    if (!slot)
        return false;
    bool success;
    if (slot->initialized) {
        success = ReadState(slot->state, 0) > 0;
    } else {
        // First use of an empty slot: it captures the current sound under a fresh user name.
        slot->initialized = true;
        const int users =
            static_cast<int>(std::count_if(presets.begin(), presets.end(), [](const PresetSlot& s) {
                return s.name.find("user preset") != std::string::npos;
            }));
        char name[PresetSlot::kNameCapacity];
        std::snprintf(name, sizeof name, "%s %d", "user preset", users + 1);
        slot->name = name;
        slot->state.Empty();
        success = WriteState(slot->state);
    }
    if (success) {
        currentProgram = index;
        ProgramsChanged();
        ShowAllParameterValues();
    }
    return success;
}

void IPluginBase::ModifyCurrentPreset(const char* name) {
    PresetSlot* slot = Preset(currentProgram);
    if (!slot)
        return;
    slot->state.Empty();
    WriteState(slot->state);
    if (name && name[0] != '\0')
        slot->name.assign(name, ::strnlen(name, PresetSlot::kNameCapacity - 1));
}

bool IPluginBase::SerializePresets(StateChunk& chunk) {
    // Per slot: name, initialised flag, and the state's bytes without a length; the instrument's
    // state layout delimits itself.
    for (const PresetSlot& slot : presets) {
        chunk.AppendString(slot.name);
        chunk.Append(slot.initialized);
        if (slot.initialized) {
            chunk.AppendBytes(slot.state.Data(), slot.state.ByteCount());
            if (chunk.ByteCount() == 0)
                return false;
        }
    }
    return true;
}

int IPluginBase::UnserializePresets(const StateChunk& chunk, int position) {
    return ReadPresets(chunk, position, SlotBytes::CurrentLayout);
}

int IPluginBase::ReadPresets(const StateChunk& chunk, int position, SlotBytes bytes) {
    for (PresetSlot& slot : presets) {
        if (position < 0)
            break;
        std::string name;
        bool initialized = false;
        position = chunk.ReadString(&name, position);
        position = chunk.Read(&initialized, position);
        if (position < 0)
            break; // a slot whose name or flag is cut off keeps what it had
        name.resize(std::min<std::size_t>(name.size(), PresetSlot::kNameCapacity - 1));
        slot.name = std::move(name);
        if (!initialized) {
            slot.initialized = false;
            continue;
        }
        // Reading makes the program live; it is stored back in the current layout, or as the
        // bytes it was read from.
        const int start = position;
        position = ReadState(chunk, position);
        if (position > 0) {
            slot.initialized = true;
            slot.state.Empty();
            if (bytes == SlotBytes::AsRead)
                slot.state.AppendBytes(chunk.Data() + start, position - start);
            else
                WriteState(slot.state);
        }
    }
    ActivatePreset(currentProgram);
    return position;
}

bool IPluginBase::SerializeParams(StateChunk& chunk) {
    Lock lock(mutex);
    for (const PlugParam& p : parameters)
        chunk.Append(p.RealValue());
    return chunk.ByteCount() > 0;
}

int IPluginBase::UnserializeParams(const StateChunk& chunk, int position) {
    Lock lock(mutex);
    for (PlugParam& p : parameters) {
        if (position < 0)
            break;
        double v = 0.0;
        position = chunk.Read(&v, position);
        if (position < 0)
            v = 0.0;
        p.SetReal(v);
    }
    ApplyAllParameters();
    return position;
}

void IPluginBase::StartChunkWithHeader(StateChunk& chunk) {
    chunk.Empty();
    chunk.Append(kChunkMarker);
    chunk.Append(kFrameworkVersion);
}

int IPluginBase::ReadChunkHeader(const StateChunk& chunk, int* position) {
    std::int32_t marker = 0;
    const int afterMarker = chunk.Read(&marker, *position);
    if (afterMarker < 0 || marker != kChunkMarker)
        return 0;
    std::int32_t frameworkVersion = 0;
    const int afterVersion = chunk.Read(&frameworkVersion, afterMarker);
    if (afterVersion < 0) {
        *position = -1;
        return 0;
    }
    *position = afterVersion;
    return frameworkVersion;
}

} // namespace vorlunda
