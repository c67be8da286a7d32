#pragma once

#include "SharedLibrary.h"
#include "vst2/VstAbi.h"

#include <string>

namespace vorlunda::render {

class ProgramFile;

// Loads one VST 2.4 instrument from a shared library and serves its host callback: version,
// time, sample rate and block size, process level, MIDI wishes and MIDI output, identity
// strings, automation notices and capabilities. Only instruments (effFlagsIsSynth) with
// processReplacing are accepted. Single-threaded: every call to the plug-in comes from the
// thread that owns this object.
class PluginHost {
public:
    static constexpr const char* kProductString = "vorlunda2-render";
    static constexpr const char* kVendorString = "TarnKettleMusic";

    PluginHost();
    ~PluginHost(); // suspends, closes and unloads the plug-in
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // Loads the library and starts the plug-in through its entry point; false with a one-line
    // reason in Error() (missing file, not a VST 2.4 library, not an instrument, ...).
    bool Load(const std::string& path);
    // effOpen, then the sample rate and the largest block size.
    void Open(double sampleRate, int blockSize);
    // Processing on: effMainsChanged(1), then effStartProcess.
    void Resume();
    // Processing off: effStopProcess, then effMainsChanged(0); the plug-in stays open.
    void Suspend();
    // Loads a program or bank into the plug-in (by chunk or by parameters); false with a reason.
    bool LoadProgramFile(const ProgramFile& file);
    // effSetProgram; false when the plug-in has no such program.
    bool SelectProgram(int program);
    std::string ProgramName();

    void SetOffline(bool offline) { this->offline = offline; }
    // The transport that audioMasterGetTime reports until the next call.
    void SetTime(const vst::VstTimeInfo& time) { timeInfo = time; }

    vst::IntPtr Dispatch(vst::Int32 opcode, vst::Int32 index = 0, vst::IntPtr value = 0,
                         void* ptr = nullptr, float opt = 0.0f);
    void ProcessEvents(vst::VstEvents* events);
    void ProcessReplacing(float** inputs, float** outputs, int frames);

    vst::AEffect* Effect() const { return effect; }
    const std::string& Error() const { return error; }
    long MidiEventsReceived() const { return midiEventsReceived; }
    long AutomationCalls() const { return automationCalls; }

private:
    static vst::IntPtr VORLUNDA_VST_CALL Callback(vst::AEffect* effect, vst::Int32 opcode,
                                                  vst::Int32 index, vst::IntPtr value, void* ptr,
                                                  float opt);
    vst::IntPtr Answer(vst::Int32 opcode, vst::Int32 index, vst::IntPtr value, void* ptr);
    vst::IntPtr CountOutgoingEvents(const vst::VstEvents* events);
    bool Fail(std::string reason);
    void Unload();

    SharedLibrary library;
    vst::AEffect* effect = nullptr;
    std::string error;
    vst::VstTimeInfo timeInfo{};
    double sampleRate = 48000.0;
    int blockSize = 512;
    bool offline = false;
    bool running = false;
    bool inAudioCall = false; // the plug-in is inside an audio-thread call
    long midiEventsReceived = 0;
    long automationCalls = 0;
};

} // namespace vorlunda::render
