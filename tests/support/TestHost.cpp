#include "support/TestHost.h"

#include "EventList.h"
#include "support/BuiltPlugin.h"

#include <algorithm>
#include <stdexcept>

namespace vorlunda::test {

TestHost::TestHost() {
    product = "vorlunda-tests";
    vendor = "Vorlunda test rig";
    vendorVersion = 10203;
    textBytes = 256; // the plug-in passes 256 bytes for these requests
    time.sampleRate = 48000.0;
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = vst::kVstTempoValid | vst::kVstTimeSigValid | vst::kVstPpqPosValid;
    ServeUnnamed(this);
}

int TestHost::Count(vst::Int32 opcode) const {
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int>(std::count(opcodes.begin(), opcodes.end(), opcode));
}

void TestHost::Called(vst::Int32 opcode) {
    std::lock_guard<std::mutex> lock(mutex);
    opcodes.push_back(opcode);
}

void TestHost::Automated(vst::Int32 index, float value) {
    std::lock_guard<std::mutex> lock(mutex);
    automated.emplace_back(index, value);
}

void TestHost::Edited(vst::Int32 opcode, vst::Int32 index) {
    std::lock_guard<std::mutex> lock(mutex);
    edits.emplace_back(opcode, index);
}

vst::VstTimeInfo* TestHost::Time(vst::IntPtr mask) {
    std::lock_guard<std::mutex> lock(mutex);
    timeMasks.push_back(static_cast<vst::Int32>(mask));
    return reportTime ? &time : nullptr;
}

vst::IntPtr TestHost::EventsFromPlugin(const vst::VstEvents* list) {
    std::lock_guard<std::mutex> lock(mutex);
    for (int i = 0; list && i < list->numEvents; ++i) {
        if (list->events[i] && list->events[i]->type == vst::kVstMidiType)
            midiOut.push_back(*reinterpret_cast<vst::VstMidiEvent*>(list->events[i]));
    }
    return acceptEvents ? 1 : 0;
}

vsthost::PluginLibrary& HostedPlugin::Module() {
    static vsthost::PluginLibrary module;
    static const bool opened = module.Open(BuiltPluginPath());
    static_cast<void>(opened);
    return module;
}

HostedPlugin::HostedPlugin(TestHost& host, const char* entryName) {
    vst::EntryPointProc entry = Module().EntryNamed(entryName);
    if (!entry)
        throw std::runtime_error("plug-in library or entry point not found: " + BuiltPluginPath());
    effect = host.Create(entry);
    if (!effect)
        throw std::runtime_error("the entry point refused to create an instance");
    calls = vsthost::Instance(effect, nullptr);
}

HostedPlugin::~HostedPlugin() {
    if (effect)
        calls.Close();
}

vst::IntPtr HostedPlugin::Dispatch(vst::Int32 opcode, vst::Int32 index, vst::IntPtr value,
                                   void* ptr, float opt) {
    return calls.Dispatch(opcode, index, value, ptr, opt);
}

void HostedPlugin::Start(float rate, int blockSize) {
    calls.Open(rate, blockSize);
    Dispatch(vst::effMainsChanged, 0, 1);
}

void HostedPlugin::SendMidi(int status, int data1, int data2, int deltaFrames) {
    vsthost::EventList list(1);
    list.Midi(deltaFrames, status, data1, data2);
    Dispatch(vst::effProcessEvents, 0, 0, list.Events());
}

void HostedPlugin::Render(int frames) {
    std::vector<float> l(static_cast<std::size_t>(frames)), r(static_cast<std::size_t>(frames));
    float* outs[2] = {l.data(), r.data()};
    calls.ProcessReplacing(nullptr, outs, frames);
    left.insert(left.end(), l.begin(), l.end());
    right.insert(right.end(), r.begin(), r.end());
}

std::string HostedPlugin::ProgramName(int index) {
    char name[256] = {};
    Dispatch(vst::effGetProgramNameIndexed, index, 0, name);
    return name;
}

std::vector<unsigned char> HostedPlugin::Chunk(int index) {
    void* data = nullptr;
    const vst::IntPtr size = Dispatch(vst::effGetChunk, index, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

vst::IntPtr HostedPlugin::SetChunk(const std::vector<unsigned char>& data, int index) {
    return Dispatch(vst::effSetChunk, index, static_cast<vst::IntPtr>(data.size()),
                    const_cast<unsigned char*>(data.data()));
}

} // namespace vorlunda::test
