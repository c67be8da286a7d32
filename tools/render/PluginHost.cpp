#include "PluginHost.h"

#include "ProgramFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

// The project's version in decimal (20002 for 2.0.2), reported as the host's vendor version.
#ifndef VORLUNDA_RENDER_VERSION
#define VORLUNDA_RENDER_VERSION 1
#endif

namespace vorlunda::render {

using namespace vorlunda::vst;

namespace {

// Process levels of the interface that this host reports besides offline (4): the caller's
// thread is the user-interface thread (1) or the audio thread (2).
constexpr Int32 kProcessLevelUser = 1;
constexpr Int32 kProcessLevelRealtime = 2;
constexpr std::size_t kHostStringBytes = 64; // the interface's bound for vendor/product strings

// The plug-in calls the host before the entry point has answered, when its AEffect cannot
// name the host yet; this is the host being loaded on this thread at that moment.
thread_local PluginHost* loadingHost = nullptr;

const char* const kCapabilities[] = {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo",
                                     "receiveVstEvents", "receiveVstMidiEvent"};

IntPtr CopyString(void* ptr, const char* text) {
    if (!ptr)
        return 0;
    auto* out = static_cast<char*>(ptr);
    const std::size_t length = std::min(std::strlen(text), kHostStringBytes - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
    return 1;
}

} // namespace

PluginHost::PluginHost() = default;

PluginHost::~PluginHost() {
    Unload();
}

bool PluginHost::Fail(std::string reason) {
    error = std::move(reason);
    Unload();
    return false;
}

void PluginHost::Unload() {
    if (effect) {
        Suspend();
        Dispatch(effClose);
        effect = nullptr;
    }
    library.Close();
}

bool PluginHost::Load(const std::string& path) {
    Unload();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return Fail("no such file: " + path);
    if (!library.Open(path))
        return Fail(path + ": not a VST 2.4 plug-in library (cannot be loaded: " + library.Error() +
                    ")");
    auto entry = reinterpret_cast<EntryPointProc>(library.Symbol("VSTPluginMain"));
    if (!entry)
        entry = reinterpret_cast<EntryPointProc>(library.Symbol("main"));
    if (!entry)
        return Fail(path + ": not a VST 2.4 plug-in library (no VSTPluginMain or main)");

    loadingHost = this;
    AEffect* created = entry(&PluginHost::Callback);
    loadingHost = nullptr;
    if (!created)
        return Fail(path + ": the plug-in's entry point answered no plug-in");
    if (created->magic != kEffectMagic)
        return Fail(path + ": not a VST 2.4 plug-in library (bad magic in its AEffect)");
    effect = created;
    effect->user = this;
    if (!(effect->flags & effFlagsIsSynth))
        return Fail(path + ": not an instrument (the plug-in is an effect)");
    if (!(effect->flags & effFlagsCanReplacing) || !effect->processReplacing)
        return Fail(path + ": the plug-in has no processReplacing");
    if (effect->numOutputs < 1)
        return Fail(path + ": the plug-in has no audio outputs");
    return true;
}

void PluginHost::Open(double rate, int block) {
    sampleRate = rate;
    blockSize = block;
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    Dispatch(effSetBlockSize, 0, block);
}

void PluginHost::Resume() {
    if (running)
        return;
    Dispatch(effMainsChanged, 0, 1);
    Dispatch(effStartProcess);
    running = true;
}

void PluginHost::Suspend() {
    if (!running)
        return;
    Dispatch(effStopProcess);
    Dispatch(effMainsChanged, 0, 0);
    running = false;
}

bool PluginHost::SelectProgram(int program) {
    if (program < 0 || program >= effect->numPrograms) {
        error = "the plug-in has no program " + std::to_string(program) + " (it has " +
                std::to_string(effect->numPrograms) + ")";
        return false;
    }
    Dispatch(effSetProgram, 0, program);
    return true;
}

std::string PluginHost::ProgramName() {
    // Generous: the interface promises 24 characters, some plug-ins write far more.
    char name[512] = {};
    Dispatch(effGetProgramName, 0, 0, name);
    name[sizeof name - 1] = '\0';
    return name;
}

bool PluginHost::LoadProgramFile(const ProgramFile& file) {
    const char* what = file.IsBank() ? "bank" : "program";
    if (file.PluginId() != effect->uniqueID) {
        error = std::string("the ") + what + " is for the plug-in '" +
                FourCharacters(file.PluginId()) + "', not for '" +
                FourCharacters(effect->uniqueID) + "'";
        return false;
    }
    if (file.IsChunk()) {
        if (!(effect->flags & effFlagsProgramChunks)) {
            error = "the plug-in does not take program or bank chunks";
            return false;
        }
        const auto& chunk = file.Chunk();
        // Index 0 names a bank chunk, 1 a program chunk.
        const IntPtr accepted =
            Dispatch(effSetChunk, file.IsBank() ? 0 : 1, static_cast<IntPtr>(chunk.size()),
                     const_cast<std::uint8_t*>(chunk.data()));
        if (!accepted) {
            error = std::string("the plug-in refused the ") + what + " chunk";
            return false;
        }
    } else {
        const auto& programs = file.Programs();
        if (static_cast<std::int64_t>(programs.size()) > effect->numPrograms) {
            error = "the bank holds " + std::to_string(programs.size()) +
                    " programs, the plug-in has " + std::to_string(effect->numPrograms);
            return false;
        }
        for (std::size_t p = 0; p < programs.size(); ++p) {
            if (static_cast<std::int64_t>(programs[p].values.size()) > effect->numParams) {
                error = std::string("the ") + what + " sets " +
                        std::to_string(programs[p].values.size()) +
                        " parameters, the plug-in has " + std::to_string(effect->numParams);
                return false;
            }
            if (file.IsBank())
                Dispatch(effSetProgram, 0, static_cast<IntPtr>(p));
            for (std::size_t i = 0; i < programs[p].values.size(); ++i)
                effect->setParameter(effect, static_cast<Int32>(i), programs[p].values[i]);
            std::string name = programs[p].name;
            Dispatch(effSetProgramName, 0, 0, name.data());
        }
        if (file.IsBank())
            Dispatch(effSetProgram, 0, std::max(file.CurrentProgram(), 0));
    }
    return true;
}

IntPtr PluginHost::Dispatch(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void PluginHost::ProcessEvents(VstEvents* events) {
    inAudioCall = true;
    Dispatch(effProcessEvents, 0, 0, events);
    inAudioCall = false;
}

void PluginHost::ProcessReplacing(float** inputs, float** outputs, int frames) {
    inAudioCall = true;
    effect->processReplacing(effect, inputs, outputs, frames);
    inAudioCall = false;
}

IntPtr VORLUNDA_VST_CALL PluginHost::Callback(AEffect* effect, Int32 opcode, Int32 index,
                                              IntPtr value, void* ptr, float) {
    PluginHost* host =
        effect && effect->user ? static_cast<PluginHost*>(effect->user) : loadingHost;
    if (opcode == audioMasterVersion)
        return kVstVersion;
    return host ? host->Answer(opcode, index, value, ptr) : 0;
}

IntPtr PluginHost::Answer(Int32 opcode, Int32, IntPtr, void* ptr) {
    switch (opcode) {
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        ++automationCalls;
        return 1;
    case audioMasterWantMidi:
        return 1;
    case audioMasterGetTime:
        return reinterpret_cast<IntPtr>(&timeInfo);
    case audioMasterProcessEvents:
        return CountOutgoingEvents(static_cast<const VstEvents*>(ptr));
    case audioMasterGetSampleRate:
        return static_cast<IntPtr>(sampleRate);
    case audioMasterGetBlockSize:
        return blockSize;
    case audioMasterGetCurrentProcessLevel:
        if (offline)
            return kVstProcessLevelOffline;
        return inAudioCall ? kProcessLevelRealtime : kProcessLevelUser;
    case audioMasterGetVendorString:
        return CopyString(ptr, kVendorString);
    case audioMasterGetProductString:
        return CopyString(ptr, kProductString);
    case audioMasterGetVendorVersion:
        return VORLUNDA_RENDER_VERSION;
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

IntPtr PluginHost::CountOutgoingEvents(const VstEvents* events) {
    if (!events)
        return 0;
    // The list really holds numEvents pointers, whatever length the record declares.
    VstEvent* const* list = events->events;
    for (Int32 i = 0; i < events->numEvents; ++i)
        if (list[i] && list[i]->type == kVstMidiType)
            ++midiEventsReceived;
    return 1;
}

} // namespace vorlunda::render
