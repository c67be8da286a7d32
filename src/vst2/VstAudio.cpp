// The audio and parameter callbacks and the host's event lists. Audio thread for the process
// callbacks: nothing here allocates, and every call holds the plug-in mutex.
#include "graphics/IGraphics.h"
#include "vst2/IPluginVST.h"
#include "vst2/VstCallbacks.h"

#include <algorithm>

namespace vorlunda {

namespace {

// The most a host is ever handed: +24 dBFS. Nothing after the engine's equaliser limits the
// level, and its loudest settings (every oscillator of every footage at full volume through
// seven bands at +15 dB) reach past +30 dBFS; hosts and their meters are not built for that.
// Ordinary playing stays far below, where this changes nothing.
constexpr double kOutputLimit = 16.0;

double Held(double x) {
    return x > kOutputLimit ? kOutputLimit : x < -kOutputLimit ? -kOutputLimit : x;
}

} // namespace

void IPluginVST::ConnectFloatBuffers(float** inputs, float** outputs, int offset, int frames) {
    int next = 0;
    for (int i = 0; i < InputChannelCount(); ++i) {
        InputChannel& channel = InputChannelAt(i);
        if (!channel.connected)
            continue;
        const float* source = inputs ? inputs[next] : nullptr;
        ++next;
        double* scratch = channel.scratch.data();
        if (source) {
            for (int s = 0; s < frames; ++s)
                scratch[s] = source[offset + s];
        } else {
            std::fill_n(scratch, frames, 0.0);
        }
        *channel.pointer = scratch;
    }
    next = 0;
    for (int i = 0; i < OutputChannelCount(); ++i) {
        OutputChannel& channel = OutputChannelAt(i);
        if (!channel.connected)
            continue;
        float* destination = outputs ? outputs[next] : nullptr;
        ++next;
        *channel.pointer = channel.scratch.data();
        channel.hostFloat = destination ? destination + offset : nullptr;
    }
}

void IPluginVST::ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate) {
    if (DoesMidi())
        CallHost(vst::audioMasterWantMidi);
    // A host block longer than the announced block size is rendered in pieces that fit the
    // scratch buffers; the engine carries its timing across them.
    const int piece = std::max(BlockSize(), 1);
    for (int offset = 0; offset < frames; offset += piece) {
        const int n = std::min(piece, frames - offset);
        ConnectFloatBuffers(inputs, outputs, offset, n);
        RenderBlock(InputChannelCount() > 0 ? InputPointers() : nullptr, OutputPointers(), n);
        for (int i = 0; i < OutputChannelCount(); ++i) {
            OutputChannel& channel = OutputChannelAt(i);
            if (!channel.connected || !channel.hostFloat)
                continue;
            const double* rendered = channel.scratch.data();
            float* destination = channel.hostFloat;
            if (accumulate) {
                for (int s = 0; s < n; ++s)
                    destination[s] += static_cast<float>(Held(rendered[s]));
            } else {
                for (int s = 0; s < n; ++s)
                    destination[s] = static_cast<float>(Held(rendered[s]));
            }
        }
    }
}

void IPluginVST::ProcessDouble(double** inputs, double** outputs, int frames) {
    if (DoesMidi())
        CallHost(vst::audioMasterWantMidi);
    const int piece = std::max(BlockSize(), 1);
    for (int offset = 0; offset < frames; offset += piece) {
        const int n = std::min(piece, frames - offset);
        int next = 0;
        for (int i = 0; i < InputChannelCount(); ++i) {
            InputChannel& channel = InputChannelAt(i);
            if (!channel.connected)
                continue;
            double* source = inputs ? inputs[next] : nullptr;
            ++next;
            if (!source)
                std::fill_n(channel.scratch.data(), n, 0.0);
            *channel.pointer = source ? source + offset : channel.scratch.data();
        }
        next = 0;
        for (int i = 0; i < OutputChannelCount(); ++i) {
            OutputChannel& channel = OutputChannelAt(i);
            if (!channel.connected)
                continue;
            double* destination = outputs ? outputs[next] : nullptr;
            ++next;
            // A missing host buffer is rendered into scratch and dropped.
            *channel.pointer = destination ? destination + offset : channel.scratch.data();
        }
        RenderBlock(InputChannelCount() > 0 ? InputPointers() : nullptr, OutputPointers(), n);
        for (int i = 0; i < OutputChannelCount(); ++i) {
            OutputChannel& channel = OutputChannelAt(i);
            double* rendered = channel.connected ? *channel.pointer : nullptr;
            for (int s = 0; rendered && s < n; ++s)
                rendered[s] = Held(rendered[s]);
        }
    }
}

float IPluginVST::GetParameterNormalised(int index) {
    const PlugParam* param = Parameter(index);
    return param ? static_cast<float>(param->ToNormalised()) : 0.0f;
}

void IPluginVST::SetParameterNormalised(int index, float value) {
    PlugParam* param = Parameter(index);
    if (!param)
        return;
    // Hosts have been seen to send values a little outside 0..1, and a NaN would reach the
    // engine as a real value below the minimum: the host's value is held to the normalised range.
    value = value >= 0.0f ? std::min(value, 1.0f) : 0.0f;
    if (IGraphics* editor = AttachedEditor())
        editor->UpdateParameterControls(index, value, true);
    param->SetFromNormalised(value);
    ParameterChanged(index); // the change came from the host: it is not told back
}

std::intptr_t IPluginVST::ProcessEvents(const vst::VstEvents* events) {
    if (!events)
        return 0;
    // The record declares two entries but carries numEvents of them.
    vst::VstEvent* const* entries = events->events;
    for (int i = 0; i < events->numEvents; ++i) {
        const vst::VstEvent* event = entries[i];
        if (!event)
            continue;
        if (event->type == vst::kVstMidiType) {
            const auto* midi = reinterpret_cast<const vst::VstMidiEvent*>(event);
            MidiEvent m;
            m.offset = midi->deltaFrames;
            m.status = static_cast<std::uint8_t>(midi->midiData[0]);
            m.data1 = static_cast<std::uint8_t>(midi->midiData[1]);
            m.data2 = static_cast<std::uint8_t>(midi->midiData[2]);
            HandleMidiMessage(m);
        } else if (event->type == vst::kVstSysExType) {
            const auto* sysex = reinterpret_cast<const vst::VstMidiSysexEvent*>(event);
            SysExEvent s;
            s.offset = sysex->deltaFrames;
            s.size = sysex->sysexDump ? std::max(sysex->dumpBytes, 0) : 0;
            s.data = reinterpret_cast<const std::uint8_t*>(sysex->sysexDump);
            HandleSysExMessage(s);
        }
    }
    return 1;
}

namespace callbacks {

namespace {

// Runs `body` on the plug-in behind `effect` with its mutex held; a foreign record does nothing
// and no exception leaves.
template <typename Body>
void WithPlugin(vst::AEffect* effect, Body&& body) {
    IPluginVST* plugin = IPluginVST::FromEffect(effect);
    if (!plugin)
        return;
    try {
        IPluginBase::Lock lock(plugin->Mutex());
        body(*plugin);
    } catch (...) {
    }
}

} // namespace

void VORLUNDA_VST_CALL Process(vst::AEffect* effect, float** inputs, float** outputs,
                               vst::Int32 frames) {
    WithPlugin(effect, [&](IPluginVST& p) { p.ProcessFloat(inputs, outputs, frames, true); });
}

void VORLUNDA_VST_CALL ProcessReplacing(vst::AEffect* effect, float** inputs, float** outputs,
                                        vst::Int32 frames) {
    WithPlugin(effect, [&](IPluginVST& p) { p.ProcessFloat(inputs, outputs, frames, false); });
}

void VORLUNDA_VST_CALL ProcessDoubleReplacing(vst::AEffect* effect, double** inputs,
                                              double** outputs, vst::Int32 frames) {
    WithPlugin(effect, [&](IPluginVST& p) { p.ProcessDouble(inputs, outputs, frames); });
}

void VORLUNDA_VST_CALL SetParameter(vst::AEffect* effect, vst::Int32 index, float value) {
    WithPlugin(effect, [&](IPluginVST& p) { p.SetParameterNormalised(index, value); });
}

float VORLUNDA_VST_CALL GetParameter(vst::AEffect* effect, vst::Int32 index) {
    float value = 0.0f;
    WithPlugin(effect, [&](IPluginVST& p) { value = p.GetParameterNormalised(index); });
    return value;
}

} // namespace callbacks

} // namespace vorlunda
