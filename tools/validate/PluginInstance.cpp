#include "PluginInstance.h"

#include "EventList.h"
#include "FloatControl.h"
#include "RealtimeMonitor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace vorlunda::validate {

using namespace vorlunda::vst;

namespace {

// Process levels of the interface: the caller's thread is the user interface (1) or the audio
// thread (2); 4 is offline.
constexpr Int32 kLevelUser = 1;
constexpr Int32 kLevelRealtime = 2;
constexpr std::size_t kHostTextBytes = 64; // the interface's bound for vendor/product strings
constexpr Int32 kHostVersion = 1;
constexpr Int32 kLanguageEnglish = 1;
constexpr Int32 kAutomationOff = 1;

// The instance being created on this thread: the plug-in may call the host before the entry
// point has answered, when its record cannot name the host yet.
thread_local PluginInstance* creating = nullptr;
// Set while this thread is inside an audio call, for the process level.
thread_local bool inAudioCall = false;

const char* const kCapabilities[] = {"sendVstEvents",    "sendVstMidiEvent",    "sendVstTimeInfo",
                                     "receiveVstEvents", "receiveVstMidiEvent", "acceptIOChanges"};

IntPtr CopyText(void* ptr, const char* text) {
    if (!ptr)
        return 0;
    auto* out = static_cast<char*>(ptr);
    const std::size_t length = std::min(std::strlen(text), kHostTextBytes - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
    return 1;
}

struct AudioCall {
    AudioCall() { inAudioCall = true; }
    ~AudioCall() { inAudioCall = false; }
};

} // namespace

PluginInstance::PluginInstance(const HostBehaviour& behaviour) : behaviour(behaviour) {
    ResetTransport();
}

std::unique_ptr<PluginInstance>
PluginInstance::Create(PluginLibrary& library, const HostBehaviour& behaviour, std::string* error) {
    auto fail = [&](const char* why) -> std::unique_ptr<PluginInstance> {
        if (error)
            *error = why;
        return nullptr;
    };
    if (!library.Entry())
        return fail("the library is not loaded");
    std::unique_ptr<PluginInstance> instance(new PluginInstance(behaviour));
    creating = instance.get();
    const std::uint32_t before = instance->BeforeCall();
    AEffect* effect = library.Entry()(&PluginInstance::Callback);
    instance->AfterCall(before, "entry point", -1);
    creating = nullptr;
    if (!effect)
        return fail("the entry point answered no plug-in");
    if (effect->magic != kEffectMagic)
        return fail("the entry point answered a record without the VST magic");
    instance->effect = effect;
    effect->user = instance.get();
    if (!(effect->flags & effFlagsIsSynth) || !effect->processReplacing ||
        !(effect->flags & effFlagsCanReplacing) || effect->numOutputs < 1) {
        instance->Close();
        return fail("not an instrument with processReplacing and audio outputs");
    }
    return instance;
}

PluginInstance::~PluginInstance() {
    Close();
}

bool PluginInstance::CanDouble() const {
    return (effect->flags & effFlagsCanDoubleReplacing) && effect->processDoubleReplacing;
}

bool PluginInstance::HasChunks() const {
    return (effect->flags & effFlagsProgramChunks) != 0;
}

std::uint32_t PluginInstance::BeforeCall() {
    RealtimeMonitor::EnterPlugin();
    return FloatControl::Mode();
}

void PluginInstance::AfterCall(std::uint32_t before, const char* what, Int32 opcode) {
    const std::uint32_t after = FloatControl::Mode();
    RealtimeMonitor::LeavePlugin();
    callsWatched.fetch_add(1, std::memory_order_relaxed);
    if (after == before)
        return;
    controlChanges.fetch_add(1, std::memory_order_relaxed);
    if (!firstChangeNoted.exchange(true)) {
        char text[160];
        std::snprintf(text, sizeof text, "%s%s%d: MXCSR %04X -> %04X", what,
                      opcode >= 0 ? " opcode " : "", opcode >= 0 ? opcode : 0,
                      static_cast<unsigned>(before), static_cast<unsigned>(after));
        firstChange = text;
    }
    // The host's mode is put back, so one offence is not counted again by every later call.
    FloatControl::Write((FloatControl::Read() & FloatControl::kStatusFlags) | before);
}

std::string PluginInstance::FirstControlChange() const {
    return firstChangeNoted.load() ? firstChange : std::string();
}

IntPtr PluginInstance::Dispatch(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    const std::uint32_t before = BeforeCall();
    const IntPtr answer = effect->dispatcher(effect, opcode, index, value, ptr, opt);
    AfterCall(before, "dispatcher", opcode);
    return answer;
}

void PluginInstance::Open() {
    Dispatch(effOpen);
}

void PluginInstance::SetSampleRate(double rate) {
    sampleRate = rate;
    transport.sampleRate = rate;
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void PluginInstance::SetBlockSize(int frames) {
    blockSize = frames;
    Dispatch(effSetBlockSize, 0, frames);
}

void PluginInstance::Resume() {
    Dispatch(effMainsChanged, 0, 1);
    Dispatch(effStartProcess);
}

void PluginInstance::Suspend() {
    Dispatch(effStopProcess);
    Dispatch(effMainsChanged, 0, 0);
}

void PluginInstance::Start(double rate, int maxBlock) {
    Open();
    SetSampleRate(rate);
    SetBlockSize(maxBlock);
    Resume();
}

void PluginInstance::Close() {
    if (!effect || closed)
        return;
    closed = true;
    Dispatch(effClose);
}

void PluginInstance::Deliver(EventList& events) {
    AudioCall audio;
    Dispatch(effProcessEvents, 0, 0, events.Events());
}

void PluginInstance::Process(float** inputs, float** outputs, int frames) {
    {
        AudioCall audio;
        const std::uint32_t before = BeforeCall();
        effect->processReplacing(effect, inputs, outputs, frames);
        AfterCall(before, "processReplacing", -1);
    }
    AdvanceTransport(frames);
}

void PluginInstance::ProcessDouble(double** inputs, double** outputs, int frames) {
    {
        AudioCall audio;
        const std::uint32_t before = BeforeCall();
        effect->processDoubleReplacing(effect, inputs, outputs, frames);
        AfterCall(before, "processDoubleReplacing", -1);
    }
    AdvanceTransport(frames);
}

void PluginInstance::Accumulate(float** inputs, float** outputs, int frames) {
    {
        AudioCall audio;
        const std::uint32_t before = BeforeCall();
        effect->process(effect, inputs, outputs, frames);
        AfterCall(before, "process", -1);
    }
    AdvanceTransport(frames);
}

void PluginInstance::SetParameter(int index, float value) {
    const std::uint32_t before = BeforeCall();
    effect->setParameter(effect, index, value);
    AfterCall(before, "setParameter", -1);
}

float PluginInstance::GetParameter(int index) {
    const std::uint32_t before = BeforeCall();
    const float value = effect->getParameter(effect, index);
    AfterCall(before, "getParameter", -1);
    return value;
}

std::vector<unsigned char> PluginInstance::GetChunk(bool bank) {
    void* data = nullptr;
    const IntPtr size = Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

IntPtr PluginInstance::SetChunk(const void* data, std::size_t size, bool bank) {
    return Dispatch(effSetChunk, bank ? 0 : 1, static_cast<IntPtr>(size), const_cast<void*>(data));
}

void PluginInstance::ResetTransport() {
    transport = {};
    transport.sampleRate = sampleRate;
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    switch (behaviour.time) {
    case TimeReport::Playing:
    case TimeReport::None:
        transport.tempo = nominalTempo;
        transport.timeSigNumerator = 4;
        transport.timeSigDenominator = 4;
        transport.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                          kVstTimeSigValid;
        break;
    case TimeReport::NoFlags:
        // Fields the flags do not vouch for hold nonsense: a plug-in that reads them anyway
        // shows it in its output.
        transport.tempo = kNaN;
        transport.ppqPos = -1e300;
        transport.barStartPos = std::numeric_limits<double>::infinity();
        transport.cycleStartPos = kNaN;
        transport.cycleEndPos = -kNaN;
        transport.nanoSeconds = kNaN;
        transport.timeSigNumerator = -7;
        transport.timeSigDenominator = 0;
        transport.samplesToNextClock = -1;
        transport.flags = 0;
        break;
    case TimeReport::Odd:
        transport.tempo = 0.0;
        transport.samplePos = -2.0 * sampleRate;
        transport.ppqPos = -4.0;
        transport.barStartPos = -4.0;
        transport.cycleStartPos = -8.0;
        transport.cycleEndPos = -2.0;
        transport.timeSigNumerator = 4;
        transport.timeSigDenominator = 4;
        transport.flags = kVstTransportPlaying | kVstTransportCycleActive | kVstPpqPosValid |
                          kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;
        break;
    }
}

void PluginInstance::AdvanceTransport(int frames) {
    if (!behaviour.advanceTime || frames <= 0)
        return;
    transport.samplePos += frames;
    if (behaviour.time == TimeReport::NoFlags)
        return; // the nonsense stays nonsense
    const double quarters = frames / sampleRate * nominalTempo / 60.0;
    transport.ppqPos += quarters;
    transport.barStartPos = std::floor(transport.ppqPos / 4.0) * 4.0;
    if (behaviour.time == TimeReport::Odd)
        transport.barStartPos = std::min(transport.barStartPos, -4.0);
}

IntPtr VORLUNDA_VST_CALL PluginInstance::Callback(AEffect* effect, Int32 opcode, Int32, IntPtr,
                                                  void* ptr, float) {
    PluginInstance* host =
        effect && effect->user ? static_cast<PluginInstance*>(effect->user) : creating;
    if (!host || host->behaviour.silent)
        return 0;
    return host->Answer(opcode, ptr);
}

IntPtr PluginInstance::Answer(Int32 opcode, void* ptr) {
    switch (opcode) {
    case audioMasterVersion:
        return kVstVersion;
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterUpdateDisplay:
    case audioMasterIOChanged:
        return 1;
    case audioMasterWantMidi:
        return 1;
    case audioMasterGetTime:
        if (behaviour.time == TimeReport::None)
            return 0;
        return reinterpret_cast<IntPtr>(&transport);
    case audioMasterProcessEvents:
        if (ptr) {
            const auto* events = static_cast<const VstEvents*>(ptr);
            midiFromPlugin.fetch_add(std::max(events->numEvents, 0), std::memory_order_relaxed);
        }
        return 1;
    case audioMasterGetSampleRate:
        return static_cast<IntPtr>(sampleRate);
    case audioMasterGetBlockSize:
        return blockSize;
    case audioMasterGetCurrentProcessLevel:
        if (behaviour.offline)
            return kVstProcessLevelOffline;
        return inAudioCall ? kLevelRealtime : kLevelUser;
    case audioMasterGetAutomationState:
        return kAutomationOff;
    case audioMasterGetVendorString:
        return CopyText(ptr, kVendor);
    case audioMasterGetProductString:
        return CopyText(ptr, kProduct);
    case audioMasterGetVendorVersion:
        return kHostVersion;
    case audioMasterGetLanguage:
        return kLanguageEnglish;
    case audioMasterCanDo:
        if (!ptr)
            return 0;
        for (const char* capability : kCapabilities)
            if (std::strcmp(static_cast<const char*>(ptr), capability) == 0)
                return 1;
        return 0;
    default:
        return 0;
    }
}

} // namespace vorlunda::validate
