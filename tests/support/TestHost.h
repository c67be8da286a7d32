#pragma once

#include "Host.h"
#include "Instance.h"
#include "PluginLibrary.h"
#include "vst2/VstAbi.h"

#include <mutex>
#include <string>
#include <vector>

namespace vorlunda::test {

// The host side of the VST 2.4 interface as the tests play it: the project's host
// (tools/vsthost) answering from configurable fields and recording what the plug-in asked for.
// The host constructed last also serves instances made in-process, whose record names no host.
struct TestHost : vsthost::Host {
    vst::IntPtr processLevel = 1;
    bool reportTime = true;
    vst::VstTimeInfo time{};
    bool acceptEvents = true;

    std::vector<vst::Int32> opcodes;              // every callback, in order
    std::vector<vst::Int32> timeMasks;            // value of each audioMasterGetTime
    std::vector<std::pair<int, float>> automated; // audioMasterAutomate (index, value)
    std::vector<std::pair<int, int>> edits;       // audioMasterBegin/EndEdit (opcode, index)
    std::vector<vst::VstMidiEvent> midiOut;

    TestHost();
    int Count(vst::Int32 opcode) const;

    // The plug-in calls back from the audio thread and the host's other threads alike.
    mutable std::mutex mutex;

protected:
    void Called(vst::Int32 opcode) override;
    void Automated(vst::Int32 index, float value) override;
    void Edited(vst::Int32 opcode, vst::Int32 index) override;
    vst::VstTimeInfo* Time(vst::IntPtr mask) override;
    vst::IntPtr EventsFromPlugin(const vst::VstEvents* events) override;
    vst::IntPtr ProcessLevel() const override { return processLevel; }
};

// One plug-in instance created through an exported entry point of the built plug-in library,
// closed through the dispatcher when it goes away.
class HostedPlugin {
public:
    // Loads the library once per process and creates an instance through `entryName`.
    explicit HostedPlugin(TestHost& host, const char* entryName = "VSTPluginMain");
    ~HostedPlugin();
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    vst::AEffect* effect = nullptr;

    vst::IntPtr Dispatch(vst::Int32 opcode, vst::Int32 index = 0, vst::IntPtr value = 0,
                         void* ptr = nullptr, float opt = 0.0f);
    // effOpen, sample rate, block size, processing on.
    void Start(float rate = 48000.0f, int blockSize = 512);
    void SendMidi(int status, int data1, int data2, int deltaFrames = 0);
    // processReplacing into two fresh buffers of `frames`; appended to left/right.
    void Render(int frames);
    std::string ProgramName(int index);
    std::vector<unsigned char> Chunk(int index);
    vst::IntPtr SetChunk(const std::vector<unsigned char>& data, int index);

    std::vector<float> left, right;

    static vsthost::PluginLibrary& Module();

private:
    vsthost::Instance calls;
};

} // namespace vorlunda::test
