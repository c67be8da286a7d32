#pragma once

#include "EventList.h"
#include "Host.h"
#include "Instance.h"
#include "PluginLibrary.h"
#include "vst2/VstAbi.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorlunda::validate {

// The project's host library (tools/vsthost) supplies the library loader and the event lists.
using vsthost::EventList;
using vsthost::PluginLibrary;

// The sample type of a processing session (effMainsChanged(1) to effMainsChanged(0)).
enum class Precision { Single, Double };

// What the host reports when the plug-in asks for the transport (audioMasterGetTime).
enum class TimeReport {
    Playing, // a playing transport at 120 BPM in 4/4, every field valid
    None,    // no answer (null)
    NoFlags, // a record whose every valid flag is clear, its optional fields nonsense
    Odd,     // every flag set, tempo 0, positions negative
};

// How the validator's host answers the plug-in's calls.
struct HostBehaviour {
    bool silent = false;        // every call answers 0, as the most minimal host does
    bool answerVersion = false; // a silent host still answers audioMasterVersion
    bool offline = false;       // the process level is offline (4) on every thread
    TimeReport time = TimeReport::Playing;
    bool advanceTime = true; // the transport moves on after every audio call
};

// One plug-in instance created through the entry point, and the host side of it: the
// project's host (tools/vsthost) with the validator's policy, the transport it reports and the
// record of what the plug-in did to the caller's floating-point mode. Every call into the
// plug-in goes through the host library's call watch, so each one is watched (MXCSR before and
// after, and the real-time monitor's bookkeeping on Linux).
//
// Threads: the calls may come from any thread, as a host makes them; the counters are atomic.
// The transport is written only by the thread that renders.
class PluginInstance : public vsthost::Host, private vsthost::CallWatch {
public:
    static constexpr const char* kProduct = "vorlunda2-validate";
    static constexpr const char* kVendor = "Vorlunda validator";
    // The start of Create's reason for a record that is not an instrument.
    static constexpr const char* kNotInstrument = "not an instrument";

    // Null with a reason when the entry point answers nothing or a record that is not a VST 2.4
    // instrument with processReplacing.
    static std::unique_ptr<PluginInstance> Create(PluginLibrary& library,
                                                  const HostBehaviour& behaviour = {},
                                                  std::string* error = nullptr);
    ~PluginInstance() override; // effClose unless closed already

    vst::AEffect* Effect() const { return effect; }
    int Inputs() const { return effect->numInputs; }
    int Outputs() const { return effect->numOutputs; }
    int Parameters() const { return effect->numParams; }
    int Programs() const { return effect->numPrograms; }
    bool CanDouble() const;
    bool HasChunks() const;

    vst::IntPtr Dispatch(vst::Int32 opcode, vst::Int32 index = 0, vst::IntPtr value = 0,
                         void* ptr = nullptr, float opt = 0.0f);
    // The usual host sequence: effOpen, sample rate, block size, processing on.
    void Start(double rate, int maxBlock);
    void Open();
    void SetSampleRate(double rate);
    void SetBlockSize(int frames);
    // The precision of the sessions from the next Resume on. A host announces it with
    // effSetProcessPrecision while suspended and keeps it for the whole session.
    void SetPrecision(Precision precision) { nextPrecision = precision; }
    // The precision of the audio calls now: double only when asked for and the plug-in can.
    Precision SessionPrecision() const { return sessionPrecision; }
    // effSetProcessPrecision (plug-ins that can process doubles), effMainsChanged(1),
    // effStartProcess.
    void Resume();
    void Suspend(); // effStopProcess, effMainsChanged(0)
    void Close();   // effClose; nothing may be called afterwards

    // Audio-thread calls.
    void Deliver(EventList& events); // effProcessEvents, sorted by frame as hosts send them
    void Process(float** inputs, float** outputs, int frames);
    void ProcessDouble(double** inputs, double** outputs, int frames);
    void Accumulate(float** inputs, float** outputs, int frames); // the old `process`
    void SetParameter(int index, float value);
    float GetParameter(int index);

    // Chunks: empty when the plug-in answers none.
    std::vector<unsigned char> GetChunk(bool bank);
    vst::IntPtr SetChunk(const void* data, std::size_t size, bool bank);

    // The transport the host reports; moved on by the audio calls when the behaviour says so.
    vst::VstTimeInfo& Transport() { return transport; }
    void AdvanceTransport(int frames);

    // Calls after which the floating-point mode (MXCSR without its status flags) differed
    // from before, and the first of them.
    long ControlChanges() const { return controlChanges.load(); }
    long CallsWatched() const { return callsWatched.load(); }
    std::string FirstControlChange() const;
    long MidiFromPlugin() const { return midiFromPlugin.load(); }

protected:
    bool Silent() const override { return behaviour.silent; }
    bool SilentTo(vst::Int32 opcode) const override {
        return behaviour.silent && !(opcode == vst::audioMasterVersion && behaviour.answerVersion);
    }
    vst::VstTimeInfo* Time(vst::IntPtr mask) override;
    vst::IntPtr EventsFromPlugin(const vst::VstEvents* events) override;

private:
    explicit PluginInstance(const HostBehaviour& behaviour);
    void ResetTransport();
    std::uint32_t BeforeCall() override;
    void AfterCall(std::uint32_t before, const char* what, vst::Int32 opcode) override;

    HostBehaviour behaviour;
    vst::AEffect* effect = nullptr;
    vsthost::Instance calls;
    bool closed = false;
    Precision nextPrecision = Precision::Single;
    Precision sessionPrecision = Precision::Single;
    vst::VstTimeInfo transport{};
    double nominalTempo = 120.0; // BPM; moves the quarter-note position even at tempo 0
    std::atomic<long> controlChanges{0};
    std::atomic<long> callsWatched{0};
    std::atomic<long> midiFromPlugin{0};
    std::atomic<bool> firstChangeNoted{false};
    std::string firstChange; // written once, by the thread that set firstChangeNoted
};

} // namespace vorlunda::validate
