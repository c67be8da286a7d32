// The dispatcher: every host request that is not audio or a parameter value. One switch; each
// case calls a named operation.
#include "core/TextFormat.h"
#include "graphics/IGraphics.h"
#include "vst2/IPluginVST.h"
#include "vst2/VstCallbacks.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace vorlunda {

namespace {

// Bytes (terminator included) written into the host's text buffers. The interface leaves the
// buffer sizes to each host; these bounds fit what hosts are known to allocate for each kind of
// text, so a long program name is cut rather than written past a host's buffer.
constexpr std::size_t kProgramNameBytes = 25;   // 24 characters
constexpr std::size_t kParameterTextBytes = 32; // 31 characters
constexpr std::size_t kEffectNameBytes = 32;    // 31 characters
constexpr std::size_t kVendorTextBytes = 64;    // 63 characters, vendor and product strings
constexpr std::size_t kPinLabelBytes = sizeof(vst::VstPinProperties::label);

// Largest chunk accepted from a host: far above any bank of 64 programs, low enough that a
// corrupted size never makes us allocate gigabytes.
constexpr std::intptr_t kLargestChunk = 64 * 1024 * 1024; // bytes
// Rates the engine is built for (its tables and control tick assume at least 1 kHz).
constexpr double kLowestSampleRate = 1000.0;     // Hz
constexpr double kHighestSampleRate = 1.0e6;     // Hz
constexpr std::intptr_t kLargestBlock = 1 << 20; // samples

bool CopyToHost(void* ptr, const char* text, std::size_t capacity) {
    if (!ptr)
        return false;
    CopyText(static_cast<char*>(ptr), text ? text : "", capacity);
    return true;
}

} // namespace

std::intptr_t IPluginVST::Dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                   void* ptr, float opt) {
    PlugParam* param = Parameter(index);
    switch (opcode) {
    case vst::effOpen:
        PrepareForHost();
        ApplyAllParameters();
        return 0;
    case vst::effSetProgram:
        ModifyCurrentPreset();
        if (value >= 0 && value < ProgramCount())
            ActivatePreset(static_cast<int>(value));
        return 0;
    case vst::effGetProgram:
        return CurrentProgram();
    case vst::effSetProgramName:
        if (ptr) {
            ModifyCurrentPreset(static_cast<const char*>(ptr));
            ProgramsChanged();
        }
        return 0;
    case vst::effGetProgramName:
        CopyToHost(ptr, PresetName(CurrentProgram()), kProgramNameBytes);
        return 0;
    case vst::effGetParamLabel:
        if (param)
            CopyToHost(ptr, param->LabelText(), kParameterTextBytes);
        return 0;
    case vst::effGetParamDisplay:
        if (param && ptr) {
            char text[PlugParam::kTextSize] = {};
            param->FormatValue(param->RealValue(), false, text, true);
            CopyToHost(ptr, text, kParameterTextBytes);
        }
        return 0;
    case vst::effGetParamName:
        if (param)
            CopyToHost(ptr, param->NameText(), kParameterTextBytes);
        return 0;
    case vst::effSetSampleRate:
        // A rate the engine cannot run at is ignored; the previous one stays.
        if (opt >= kLowestSampleRate && opt <= kHighestSampleRate) {
            StoreSampleRate(opt);
            RestartProcessing();
        }
        return 0;
    case vst::effSetBlockSize:
        if (value > 0 && value <= kLargestBlock) {
            StoreBlockSize(static_cast<int>(value));
            RestartProcessing();
        }
        return 0;
    case vst::effMainsChanged:
        if (value == 0) {
            ActivationChanged(false);
            RestartProcessing();
        } else {
            ActivationChanged(true);
        }
        return 0;
    case vst::effEditGetRect:
        if (!ptr || !AttachedEditor())
            return 0;
        *static_cast<vst::ERect**>(ptr) = &editorRect;
        return 1;
    case vst::effEditOpen:
        if (!AttachedEditor() || !AttachedEditor()->OpenEditorWindow(ptr))
            return 0;
        EditorOpened();
        return 1;
    case vst::effEditClose:
        if (!AttachedEditor())
            return 0;
        EditorClosing();
        AttachedEditor()->CloseEditorWindow();
        return 1;
    case vst::effEditIdle:
    case vst::effIdle:
        IdleTick();
        return 0;
    case vst::effIdentify:
        return vst::kIdentifyAnswer;
    case vst::effGetChunk: {
        const bool bankForm = index == 0 && !HostUsesProgramChunks();
        return GetChunk(static_cast<void**>(ptr), bankForm);
    }
    case vst::effSetChunk: {
        const bool bankForm = index == 0 && !HostUsesProgramChunks();
        return SetChunk(ptr, value, bankForm);
    }
    case vst::effProcessEvents:
        return ProcessEvents(static_cast<const vst::VstEvents*>(ptr));
    case vst::effCanBeAutomated:
        return 1;
    case vst::effString2Parameter:
        return StringToParameter(index, static_cast<const char*>(ptr));
    case vst::effGetProgramNameIndexed:
        if (!CopyToHost(ptr, PresetName(index), kProgramNameBytes))
            return 0;
        return static_cast<const char*>(ptr)[0] != '\0' ? 1 : 0;
    case vst::effGetInputProperties:
        return GetPinProperties(index, static_cast<vst::VstPinProperties*>(ptr), false);
    case vst::effGetOutputProperties:
        return GetPinProperties(index, static_cast<vst::VstPinProperties*>(ptr), true);
    case vst::effGetPlugCategory:
        return IsInstrument() ? vst::kPlugCategSynth : vst::kPlugCategEffect;
    case vst::effSetSpeakerArrangement:
        return SetSpeakerArrangement(reinterpret_cast<const vst::VstSpeakerArrangement*>(value),
                                     static_cast<const vst::VstSpeakerArrangement*>(ptr));
    case vst::effGetEffectName:
        return CopyToHost(ptr, EffectName(), kEffectNameBytes) ? 1 : 0;
    case vst::effGetVendorString:
        return CopyToHost(ptr, MakerName(), kVendorTextBytes) ? 1 : 0;
    case vst::effGetProductString:
        return CopyToHost(ptr, ProductName(), kVendorTextBytes) ? 1 : 0;
    case vst::effGetVendorVersion:
        return effect.version;
    case vst::effVendorSpecific:
        return VendorSpecific(index, value, ptr, opt);
    case vst::effCanDo:
        return CanDo(static_cast<const char*>(ptr));
    case vst::effGetTailSize:
        return TailSize();
    case vst::effGetVstVersion:
        return vst::kVstVersion;
    case vst::effGetMidiKeyName: {
        if (!ptr)
            return 0;
        auto* key = static_cast<vst::MidiKeyName*>(ptr);
        key->keyName[0] = '\0';
        char name[sizeof key->keyName + 1] = {};
        const bool named = NameOfMidiKey(key->thisKeyNumber, name);
        CopyText(key->keyName, name, sizeof key->keyName);
        return named ? 1 : 0;
    }
    case vst::effGetSpeakerArrangement:
        if (value)
            *reinterpret_cast<vst::VstSpeakerArrangement**>(value) = &inputArrangement;
        if (ptr)
            *static_cast<vst::VstSpeakerArrangement**>(ptr) = &outputArrangement;
        return 1;
    default:
        return 0;
    }
}

std::intptr_t IPluginVST::GetChunk(void** data, bool bankForm) {
    if (!data)
        return 0;
    StateChunk& chunk = bankForm ? bankChunk : programChunk;
    const bool written = bankForm ? WriteBankChunk(chunk) : WriteProgramChunk(chunk);
    if (!written || chunk.ByteCount() == 0)
        return 0;
    *data = chunk.Data();
    return chunk.ByteCount();
}

std::intptr_t IPluginVST::SetChunk(const void* data, std::intptr_t size, bool bankForm) {
    if (!data || size < 0 || size > kLargestChunk)
        return 0;
    StateChunk& chunk = bankForm ? bankChunk : programChunk;
    chunk.SetSize(static_cast<int>(size));
    if (size > 0)
        std::memcpy(chunk.Data(), data, static_cast<std::size_t>(size));
    // A chunk that cannot be read whole leaves every program and parameter as it was.
    const int position = ReadHostChunk(chunk, bankForm, HostUsesProgramChunks());
    if (position < 0)
        return 0;
    ShowAllParameterValues();
    return 1;
}

std::intptr_t IPluginVST::StringToParameter(int index, const char* text) {
    PlugParam* param = Parameter(index);
    if (!param)
        return 0;
    if (!text)
        return 1;
    double v = 0.0;
    if (!param->ValueOfDisplay(text, &v))
        return 0;
    v = std::clamp(v, param->Minimum(), param->Maximum());
    if (IGraphics* editor = AttachedEditor())
        editor->UpdateParameterControls(index, v, false);
    param->SetReal(v);
    ParameterChanged(index);
    return 1;
}

std::intptr_t IPluginVST::GetPinProperties(int index, vst::VstPinProperties* pin, bool output) {
    const int count = output ? OutputChannelCount() : InputChannelCount();
    if (!pin || index < 0 || index >= count)
        return 0;
    pin->flags = vst::kVstPinIsActive;
    if (index % 2 == 0 && index < count - 1)
        pin->flags |= vst::kVstPinIsStereo; // pairs with the next channel
    const std::string& label = output ? OutputChannelAt(index).label : InputChannelAt(index).label;
    if (!label.empty()) {
        CopyText(pin->label, label, kPinLabelBytes);
    } else {
        char number[16];
        FormatInt(index + 1, number, sizeof number);
        std::string text = output ? "Output " : "Input ";
        text += number;
        CopyText(pin->label, text, kPinLabelBytes);
    }
    return 1;
}

std::intptr_t IPluginVST::SetSpeakerArrangement(const vst::VstSpeakerArrangement* inputs,
                                                const vst::VstSpeakerArrangement* outputs) {
    if (inputs) {
        const int n = std::max(inputs->numChannels, 0);
        SetInputChannelsConnected(0, std::min(n, InputChannelCount()), true);
        SetInputChannelsConnected(n, InputChannelCount() - n, false);
    }
    if (outputs) {
        const int n = std::max(outputs->numChannels, 0);
        SetOutputChannelsConnected(0, std::min(n, OutputChannelCount()), true);
        SetOutputChannelsConnected(n, OutputChannelCount() - n, false);
    }
    return 1;
}

std::intptr_t IPluginVST::VendorSpecific(int index, std::intptr_t value, void* ptr, float opt) {
    constexpr std::intptr_t kHandled = 0xBEEF;
    const bool validParameter = value >= 0 && value < ParameterCount();
    switch (index) {
    case 7: // display text of a normalised value the host proposes
        if (!ptr)
            return 0;
        if (validParameter) {
            char text[PlugParam::kTextSize] = {};
            Parameter(static_cast<int>(value))->FormatValue(opt, true, text, true);
            CopyToHost(ptr, text, kParameterTextBytes);
        }
        return kHandled;
    case 8: // does the parameter move in steps?
        if (validParameter &&
            Parameter(static_cast<int>(value))->Kind() != PlugParam::Type::Continuous)
            return kHandled;
        return 0;
    default:
        return 0;
    }
}

std::intptr_t IPluginVST::CanDo(const char* capability) const {
    if (!capability)
        return 0;
    const std::string_view name(capability, ::strnlen(capability, 256));
    if (name == "receiveVstTimeInfo")
        return 1;
    if (DoesMidi() && (name == "sendVstEvents" || name == "sendVstMidiEvent" ||
                       name == "receiveVstEvents" || name == "receiveVstMidiEvent"))
        return 1;
    return 0;
}

namespace callbacks {

vst::IntPtr VORLUNDA_VST_CALL Dispatcher(vst::AEffect* effect, vst::Int32 opcode, vst::Int32 index,
                                         vst::IntPtr value, void* ptr, float opt) {
    IPluginVST* plugin = IPluginVST::FromEffect(effect);
    if (!plugin)
        return 0;
    try {
        if (opcode == vst::effClose) {
            // Taking the mutex once makes sure no other call is still inside; it is released
            // before the object (and the mutex with it) goes away.
            plugin->Mutex().lock();
            plugin->Mutex().unlock();
            delete plugin;
            return 0;
        }
        IPluginBase::Lock lock(plugin->Mutex());
        return plugin->Dispatch(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0; // nothing may unwind into the host
    }
}

} // namespace callbacks

} // namespace vorlunda
