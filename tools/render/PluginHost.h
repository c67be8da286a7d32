#pragma once

#include "Host.h"
#include "Instance.h"
#include "PluginLibrary.h"
#include "vst2/VstAbi.h"

#include <string>

namespace vorlunda::render {

class ProgramFile;

// Loads one VST 2.4 instrument from a shared library through the project's host library
// (tools/vsthost), which answers its callback; the renderer's own policy is the transport it
// reports (set per block from the MIDI file's tempo map) and the count of automation notices
// and MIDI events from the plug-in. Only instruments (effFlagsIsSynth) with processReplacing are
// accepted. Single-threaded: every call to the plug-in comes from the
// thread that owns this object.
class PluginHost : public vsthost::Host {
public:
    static constexpr const char* kProductString = "vorlunda2-render";
    static constexpr const char* kVendorString = "TarnKettleMusic";

    PluginHost();
    ~PluginHost() override; // suspends, closes and unloads the plug-in

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

protected:
    void Automated(vst::Int32 index, float value) override;
    void Edited(vst::Int32 opcode, vst::Int32 index) override;
    vst::VstTimeInfo* Time(vst::IntPtr mask) override;
    vst::IntPtr EventsFromPlugin(const vst::VstEvents* events) override;

private:
    bool Fail(std::string reason);
    void Unload();

    vsthost::PluginLibrary library;
    vst::AEffect* effect = nullptr;
    vsthost::Instance plugin;
    std::string error;
    vst::VstTimeInfo timeInfo{};
    bool running = false;
    long midiEventsReceived = 0;
    long automationCalls = 0;
};

} // namespace vorlunda::render
