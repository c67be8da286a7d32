#include "vst2/IPluginVST.h"

#include "core/IEditorView.h"
#include "vst2/VstCallbacks.h"

#include <algorithm>
#include <cmath>

namespace vorlunda {

namespace {

std::int32_t ArrangementType(int channels) {
    switch (channels) {
    case 0:
        return vst::kSpeakerArrEmpty;
    case 1:
        return vst::kSpeakerArrMono;
    case 2:
        return vst::kSpeakerArrStereo;
    default:
        return vst::kSpeakerArrUserDefined;
    }
}

} // namespace

IPluginVST::IPluginVST(const PluginIdentity& identity) : IPluginBase(identity) {
    effect.magic = vst::kEffectMagic;
    effect.dispatcher = callbacks::Dispatcher;
    effect.process = callbacks::Process;
    effect.setParameter = callbacks::SetParameter;
    effect.getParameter = callbacks::GetParameter;
    effect.numPrograms = ProgramCount();
    effect.numParams = ParameterCount();
    effect.numInputs = InputChannelCount();
    effect.numOutputs = OutputChannelCount();
    effect.flags = vst::effFlagsCanReplacing | vst::effFlagsCanDoubleReplacing;
    if (UsesStateChunks())
        effect.flags |= vst::effFlagsProgramChunks;
    if (IsInstrument())
        effect.flags |= vst::effFlagsIsSynth;
    if (LegalIO(1, -1))
        effect.flags |= vst::effFlagsCanMono;
    effect.initialDelay = LatencySamples();
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = UniqueId();
    // The host sees the version in its decimal form: 0x00020002 -> 20002.
    const std::int32_t v = PluginVersion();
    effect.version = ((v >> 16) & 0xFFFF) * 10000 + ((v >> 8) & 0xFF) * 100 + (v & 0xFF);
    effect.processReplacing = callbacks::ProcessReplacing;
    effect.processDoubleReplacing = callbacks::ProcessDoubleReplacing;

    inputArrangement.numChannels = InputChannelCount();
    inputArrangement.type = ArrangementType(InputChannelCount());
    outputArrangement.numChannels = OutputChannelCount();
    outputArrangement.type = ArrangementType(OutputChannelCount());

    SetInputChannelsConnected(0, InputChannelCount(), true);
    SetOutputChannelsConnected(0, OutputChannelCount(), true);
    StoreBlockSize(kDefaultBlockSize);
}

IPluginVST::~IPluginVST() {
    // A host that keeps the record after closing must not reach a deleted object.
    effect.object = nullptr;
}

IPluginVST* IPluginVST::FromEffect(vst::AEffect* e) {
    if (!e || e->magic != vst::kEffectMagic)
        return nullptr;
    return static_cast<IPluginVST*>(e->object);
}

std::intptr_t IPluginVST::CallHost(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                   void* ptr, float opt) {
    return host ? host(&effect, opcode, index, value, ptr, opt) : 0;
}

// --- Parameters and programs told to the host ---

void IPluginVST::BeginParameterGesture(int index) {
    CallHost(vst::audioMasterBeginEdit, index);
}

void IPluginVST::NotifyHostOfParameter(int index, double normalised) {
    CallHost(vst::audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalised));
}

void IPluginVST::EndParameterGesture(int index) {
    CallHost(vst::audioMasterEndEdit, index);
}

void IPluginVST::NotifyHostOfProgramChange() {
    CallHost(vst::audioMasterUpdateDisplay);
}

bool IPluginVST::HostRendersOffline() {
    return CallHost(vst::audioMasterGetCurrentProcessLevel) == vst::kVstProcessLevelOffline;
}

// --- Host time ---

const vst::VstTimeInfo* IPluginVST::HostTime(std::int32_t mask) {
    return reinterpret_cast<const vst::VstTimeInfo*>(CallHost(vst::audioMasterGetTime, 0, mask));
}

std::int32_t IPluginVST::HostSamplePosition() {
    const vst::VstTimeInfo* t = HostTime(0);
    // Rounded to the nearest sample; positions beyond 32 bits saturate rather than wrap.
    if (!t || !(t->samplePos >= 0.0))
        return 0;
    return static_cast<std::int32_t>(std::min(t->samplePos + 0.5, 2147483647.0));
}

double IPluginVST::HostTempo() {
    const vst::VstTimeInfo* t = HostTime(vst::kVstTempoValid);
    if (t && (t->flags & vst::kVstTempoValid) && t->tempo >= 0.0)
        return t->tempo;
    return 0.0;
}

void IPluginVST::HostTimeSignature(int* numerator, int* denominator) {
    int n = 0;
    int d = 0;
    const vst::VstTimeInfo* t = HostTime(vst::kVstTimeSigValid);
    if (t && (t->flags & vst::kVstTimeSigValid) && t->timeSigNumerator >= 0 &&
        t->timeSigDenominator >= 0) {
        n = t->timeSigNumerator;
        d = t->timeSigDenominator;
    }
    if (numerator)
        *numerator = n;
    if (denominator)
        *denominator = d;
}

bool IPluginVST::QueryHostTime(HostTimeInfo& info) {
    constexpr std::int32_t kWanted = vst::kVstPpqPosValid | vst::kVstTempoValid |
                                     vst::kVstBarsValid | vst::kVstCyclePosValid |
                                     vst::kVstTimeSigValid;
    const vst::VstTimeInfo* t = HostTime(kWanted);
    if (!t || !(t->flags & kWanted))
        return false;
    info.samplePos = t->samplePos;
    if ((t->flags & vst::kVstPpqPosValid) && t->ppqPos >= 0.0)
        info.ppqPos = t->ppqPos;
    if ((t->flags & vst::kVstTempoValid) && t->tempo > 0.0)
        info.tempo = t->tempo;
    if ((t->flags & vst::kVstBarsValid) && t->barStartPos >= 0.0)
        info.lastBar = t->barStartPos;
    if ((t->flags & vst::kVstCyclePosValid) && t->cycleStartPos >= 0.0 && t->cycleEndPos >= 0.0) {
        info.cycleStart = t->cycleStartPos;
        info.cycleEnd = t->cycleEndPos;
    }
    if ((t->flags & vst::kVstTimeSigValid) && t->timeSigNumerator > 0 &&
        t->timeSigDenominator > 0) {
        info.numerator = t->timeSigNumerator;
        info.denominator = t->timeSigDenominator;
    }
    info.transportIsRunning = (t->flags & vst::kVstTransportPlaying) != 0;
    info.transportIsLooping = (t->flags & vst::kVstTransportCycleActive) != 0;
    return true;
}

// --- MIDI to the host ---

bool IPluginVST::SendMidiMessage(const MidiEvent& event) {
    vst::VstMidiEvent midi{};
    midi.type = vst::kVstMidiType;
    midi.byteSize = sizeof midi;
    midi.deltaFrames = event.offset;
    midi.midiData[0] = static_cast<char>(event.status);
    midi.midiData[1] = static_cast<char>(event.data1);
    midi.midiData[2] = static_cast<char>(event.data2);
    vst::VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<vst::VstEvent*>(&midi);
    return CallHost(vst::audioMasterProcessEvents, 0, 0, &list) == 1;
}

bool IPluginVST::SendSysExMessage(const SysExEvent& event) {
    vst::VstMidiSysexEvent sysex{};
    sysex.type = vst::kVstSysExType;
    // The record's own size: 48 bytes in 64-bit hosts, 32 in 32-bit ones.
    sysex.byteSize = sizeof sysex;
    sysex.deltaFrames = event.offset;
    sysex.dumpBytes = event.size;
    sysex.sysexDump = reinterpret_cast<char*>(const_cast<std::uint8_t*>(event.data));
    vst::VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<vst::VstEvent*>(&sysex);
    return CallHost(vst::audioMasterProcessEvents, 0, 0, &list) == 1;
}

// --- Opening and the editor ---

void IPluginVST::PrepareForHost() {
    hostInitialised = true;
    const HostId id = IdentifyHost();
    // Hosts known to mishandle more than a stereo pair of inputs get only the first pair; their
    // extra outputs stay usable.
    const int code = static_cast<int>(id);
    if (code == 15 || code == 17 || code == 18 || code == 20) {
        SetInputChannelsConnected(2, InputChannelCount() - 2, false);
        if (OutputChannelCount() >= 3)
            SetOutputChannelsConnected(2, OutputChannelCount() - 2, true);
    }
    effect.numInputs = InputChannelCount();
    effect.numOutputs = OutputChannelCount();
    inputArrangement.numChannels = InputChannelCount();
    outputArrangement.numChannels = OutputChannelCount();
    HostIdentified();
}

void IPluginVST::AttachEditor(IEditorView* editor) {
    if (!editor)
        return;
    IPluginBase::AttachEditor(editor);
    effect.flags |= vst::effFlagsHasEditor;
    SetEditorRectFromEditor();
}

void IPluginVST::EditorSizeChanged() {
    SetEditorRectFromEditor();
    EditorResized();
}

std::intptr_t IPluginVST::SetEditorRectFromEditor() {
    const IEditorView* editor = AttachedEditor();
    if (!editor)
        return 0;
    editorRect.top = 0;
    editorRect.left = 0;
    editorRect.bottom = static_cast<std::int16_t>(editor->Height());
    editorRect.right = static_cast<std::int16_t>(editor->Width());
    return 1;
}

} // namespace vorlunda
