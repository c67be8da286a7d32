#include "Host.h"

#include "Instance.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace vorlunda::vsthost {

using namespace vorlunda::vst;

namespace {

// Process levels of the interface besides offline (4): the caller's thread is the
// user-interface thread (1) or the audio thread (2).
constexpr IntPtr kLevelUser = 1;
constexpr IntPtr kLevelRealtime = 2;
constexpr IntPtr kAutomationOff = 1; // audioMasterGetAutomationState: not reading or writing
constexpr IntPtr kLanguageEnglish = 1;

// What every host of the project can do, for audioMasterCanDo.
constexpr const char* kCapabilities[] = {"sendVstEvents",       "sendVstMidiEvent",
                                         "sendVstTimeInfo",     "receiveVstEvents",
                                         "receiveVstMidiEvent", "acceptIOChanges"};

thread_local Host* creating = nullptr;
thread_local bool inAudioCall = false;
std::atomic<Host*> unnamed{nullptr};

} // namespace

Host::~Host() {
    Host* self = this;
    unnamed.compare_exchange_strong(self, nullptr);
}

void Host::ServeUnnamed(Host* host) {
    unnamed.store(host);
}

IntPtr VORLUNDA_VST_CALL Host::Callback(AEffect* effect, Int32 opcode, Int32 index, IntPtr value,
                                        void* ptr, float opt) {
    Host* host = effect && effect->user ? static_cast<Host*>(effect->user) : creating;
    if (!host)
        host = unnamed.load();
    if (!host)
        return opcode == audioMasterVersion ? kVstVersion : 0;
    return host->Answer(opcode, index, value, ptr, opt);
}

AEffect* Host::Create(EntryPointProc entry, Refusal* refusal, CallWatch* watch) {
    auto refuse = [&](Refusal why) -> AEffect* {
        if (refusal)
            *refusal = why;
        return nullptr;
    };
    if (!entry)
        return refuse(Refusal::NoEffect);
    Host* previous = creating;
    creating = this;
    const std::uint32_t token = watch ? watch->BeforeCall() : 0;
    AEffect* effect = entry(&Host::Callback);
    if (watch)
        watch->AfterCall(token, "entry point", -1);
    creating = previous;
    if (!effect)
        return refuse(Refusal::NoEffect);
    if (effect->magic != kEffectMagic)
        return refuse(Refusal::BadMagic);
    effect->user = this;
    if (refusal)
        *refusal = Refusal::None;
    return effect;
}

IntPtr Host::ProcessLevel() const {
    if (offline)
        return kVstProcessLevelOffline;
    return AudioCallScope::Active() ? kLevelRealtime : kLevelUser;
}

IntPtr Host::Answer(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    Called(opcode);
    if (SilentTo(opcode))
        return 0;
    switch (opcode) {
    case audioMasterVersion:
        return kVstVersion;
    case audioMasterAutomate:
        Automated(index, opt);
        return 1;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        Edited(opcode, index);
        return 1;
    case audioMasterUpdateDisplay:
    case audioMasterIOChanged:
    case audioMasterWantMidi:
        return 1;
    case audioMasterGetTime:
        return reinterpret_cast<IntPtr>(Time(value));
    case audioMasterProcessEvents:
        return EventsFromPlugin(static_cast<const VstEvents*>(ptr));
    case audioMasterGetSampleRate:
        return static_cast<IntPtr>(sampleRate);
    case audioMasterGetBlockSize:
        return blockSize;
    case audioMasterGetCurrentProcessLevel:
        return ProcessLevel();
    case audioMasterGetAutomationState:
        return kAutomationOff;
    case audioMasterGetVendorString:
        return CopyHostText(ptr, vendor, textBytes);
    case audioMasterGetProductString:
        return CopyHostText(ptr, product, textBytes);
    case audioMasterGetVendorVersion:
        return vendorVersion;
    case audioMasterGetLanguage:
        return kLanguageEnglish;
    case audioMasterCanDo:
        return HostCanDo(static_cast<const char*>(ptr)) ? 1 : 0;
    default:
        return 0;
    }
}

AudioCallScope::AudioCallScope() : outer(inAudioCall) {
    inAudioCall = true;
}

AudioCallScope::~AudioCallScope() {
    inAudioCall = outer;
}

bool AudioCallScope::Active() {
    return inAudioCall;
}

InstrumentProblem CheckInstrument(const AEffect& effect) {
    if (!(effect.flags & effFlagsIsSynth))
        return InstrumentProblem::NotInstrument;
    if (!(effect.flags & effFlagsCanReplacing) || !effect.processReplacing)
        return InstrumentProblem::NoProcessReplacing;
    if (effect.numOutputs < 1)
        return InstrumentProblem::NoOutputs;
    return InstrumentProblem::None;
}

IntPtr CopyHostText(void* buffer, const std::string& text, std::size_t capacity) {
    if (!buffer || capacity == 0)
        return 0;
    auto* out = static_cast<char*>(buffer);
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
    return 1;
}

bool HostCanDo(const char* text) {
    if (!text)
        return false;
    return std::any_of(std::begin(kCapabilities), std::end(kCapabilities),
                       [&](const char* capability) { return std::strcmp(text, capability) == 0; });
}

} // namespace vorlunda::vsthost
