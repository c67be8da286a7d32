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
constexpr vst::IntPtr kHostVersion = 1;
} // namespace

PluginInstance::PluginInstance(const HostBehaviour& behaviour) : behaviour(behaviour) {
    vendor = kVendor;
    product = kProduct;
    vendorVersion = kHostVersion;
    SetOffline(behaviour.offline);
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
    Refusal refusal = Refusal::None;
    AEffect* effect = instance->Host::Create(library.Entry(), &refusal, instance.get());
    if (refusal == Refusal::BadMagic)
        return fail("the entry point answered a record without the VST magic");
    if (!effect)
        return fail("the entry point answered no plug-in");
    instance->effect = effect;
    instance->calls = vsthost::Instance(effect, instance.get());
    if (vsthost::CheckInstrument(*effect) != vsthost::InstrumentProblem::None) {
        instance->Close();
        return fail("not an instrument with processReplacing and audio outputs (flags, "
                    "processReplacing or outputs missing)");
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
    return calls.Dispatch(opcode, index, value, ptr, opt);
}

void PluginInstance::Open() {
    Dispatch(effOpen);
}

void PluginInstance::SetSampleRate(double rate) {
    Host::SetSampleRate(rate);
    transport.sampleRate = rate;
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void PluginInstance::SetBlockSize(int frames) {
    Host::SetBlockSize(frames);
    Dispatch(effSetBlockSize, 0, frames);
}

void PluginInstance::Resume() {
    sessionPrecision = CanDouble() ? nextPrecision : Precision::Single;
    if (CanDouble())
        Dispatch(effSetProcessPrecision, 0,
                 sessionPrecision == Precision::Double ? kVstProcessPrecision64
                                                       : kVstProcessPrecision32);
    calls.Resume();
}

void PluginInstance::Suspend() {
    calls.Suspend();
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
    calls.Close();
}

void PluginInstance::Deliver(EventList& events) {
    events.Sort();
    calls.ProcessEvents(events.Events());
}

void PluginInstance::Process(float** inputs, float** outputs, int frames) {
    calls.ProcessReplacing(inputs, outputs, frames);
    AdvanceTransport(frames);
}

void PluginInstance::ProcessDouble(double** inputs, double** outputs, int frames) {
    calls.ProcessDoubleReplacing(inputs, outputs, frames);
    AdvanceTransport(frames);
}

void PluginInstance::Accumulate(float** inputs, float** outputs, int frames) {
    calls.Accumulate(inputs, outputs, frames);
    AdvanceTransport(frames);
}

void PluginInstance::SetParameter(int index, float value) {
    calls.SetParameter(index, value);
}

float PluginInstance::GetParameter(int index) {
    return calls.GetParameter(index);
}

std::vector<unsigned char> PluginInstance::GetChunk(bool bank) {
    return calls.GetChunk(bank);
}

IntPtr PluginInstance::SetChunk(const void* data, std::size_t size, bool bank) {
    return calls.SetChunk(data, size, bank);
}

void PluginInstance::ResetTransport() {
    transport = {};
    transport.sampleRate = SampleRate();
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
        transport.samplePos = -2.0 * SampleRate();
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
    const double quarters = frames / SampleRate() * nominalTempo / 60.0;
    transport.ppqPos += quarters;
    transport.barStartPos = std::floor(transport.ppqPos / 4.0) * 4.0;
    if (behaviour.time == TimeReport::Odd)
        transport.barStartPos = std::min(transport.barStartPos, -4.0);
}

VstTimeInfo* PluginInstance::Time(IntPtr) {
    return behaviour.time == TimeReport::None ? nullptr : &transport;
}

IntPtr PluginInstance::EventsFromPlugin(const VstEvents* events) {
    if (events)
        midiFromPlugin.fetch_add(std::max(events->numEvents, 0), std::memory_order_relaxed);
    return 1;
}

} // namespace vorlunda::validate
