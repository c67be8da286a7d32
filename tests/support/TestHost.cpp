#include "support/TestHost.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace vorlunda::test {

TestHost* TestHost::current = nullptr;

TestHost::TestHost() {
    time.sampleRate = 48000.0;
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = vst::kVstTempoValid | vst::kVstTimeSigValid | vst::kVstPpqPosValid;
    current = this;
}

int TestHost::Count(vst::Int32 opcode) const {
    return static_cast<int>(std::count(opcodes.begin(), opcodes.end(), opcode));
}

namespace {

void CopyString(void* ptr, const std::string& text) {
    // The plug-in passes 256 bytes for these requests.
    std::strncpy(static_cast<char*>(ptr), text.c_str(), 255);
    static_cast<char*>(ptr)[255] = '\0';
}

} // namespace

vst::IntPtr VORLUNDA_VST_CALL TestHost::Callback(vst::AEffect*, vst::Int32 opcode, vst::Int32 index,
                                                 vst::IntPtr value, void* ptr, float opt) {
    TestHost* host = current;
    if (!host)
        return opcode == vst::audioMasterVersion ? 2400 : 0;
    std::lock_guard<std::mutex> lock(host->mutex);
    host->opcodes.push_back(opcode);
    switch (opcode) {
    case vst::audioMasterVersion:
        return 2400;
    case vst::audioMasterAutomate:
        host->automated.emplace_back(index, opt);
        return 1;
    case vst::audioMasterWantMidi:
        return 1;
    case vst::audioMasterGetTime:
        host->timeMasks.push_back(static_cast<vst::Int32>(value));
        return host->reportTime ? reinterpret_cast<vst::IntPtr>(&host->time) : 0;
    case vst::audioMasterProcessEvents: {
        const auto* list = static_cast<const vst::VstEvents*>(ptr);
        for (int i = 0; list && i < list->numEvents; ++i) {
            if (list->events[i] && list->events[i]->type == vst::kVstMidiType)
                host->midiOut.push_back(*reinterpret_cast<vst::VstMidiEvent*>(list->events[i]));
        }
        return host->acceptEvents ? 1 : 0;
    }
    case vst::audioMasterGetCurrentProcessLevel:
        return host->processLevel;
    case vst::audioMasterGetVendorString:
        CopyString(ptr, host->vendor);
        return 1;
    case vst::audioMasterGetProductString:
        CopyString(ptr, host->product);
        return 1;
    case vst::audioMasterGetVendorVersion:
        return host->vendorVersion;
    default:
        return 0;
    }
}

PluginModule& HostedPlugin::Module() {
    static PluginModule module(BuiltPluginPath());
    return module;
}

HostedPlugin::HostedPlugin(TestHost& host, const char* entryName) {
    TestHost::current = &host;
    vst::EntryPointProc entry = Module().EntryPoint(entryName);
    if (!entry)
        throw std::runtime_error("plug-in library or entry point not found: " + BuiltPluginPath());
    effect = entry(&TestHost::Callback);
    if (!effect)
        throw std::runtime_error("the entry point refused to create an instance");
}

HostedPlugin::~HostedPlugin() {
    if (effect)
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
}

vst::IntPtr HostedPlugin::Dispatch(vst::Int32 opcode, vst::Int32 index, vst::IntPtr value,
                                   void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void HostedPlugin::Start(float rate, int blockSize) {
    Dispatch(vst::effOpen);
    Dispatch(vst::effSetSampleRate, 0, 0, nullptr, rate);
    Dispatch(vst::effSetBlockSize, 0, blockSize);
    Dispatch(vst::effMainsChanged, 0, 1);
}

void HostedPlugin::SendMidi(int status, int data1, int data2, int deltaFrames) {
    vst::VstMidiEvent midi{};
    midi.type = vst::kVstMidiType;
    midi.byteSize = sizeof midi;
    midi.deltaFrames = deltaFrames;
    midi.midiData[0] = static_cast<char>(status);
    midi.midiData[1] = static_cast<char>(data1);
    midi.midiData[2] = static_cast<char>(data2);
    vst::VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<vst::VstEvent*>(&midi);
    Dispatch(vst::effProcessEvents, 0, 0, &list);
}

void HostedPlugin::Render(int frames) {
    std::vector<float> l(static_cast<std::size_t>(frames)), r(static_cast<std::size_t>(frames));
    float* outs[2] = {l.data(), r.data()};
    effect->processReplacing(effect, nullptr, outs, frames);
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
