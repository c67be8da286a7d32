#include "PluginHost.h"

#include "ProgramFile.h"

#include <algorithm>
#include <filesystem>

// The project's version in decimal (20002 for 2.0.2), reported as the host's vendor version.
#ifndef VORLUNDA_RENDER_VERSION
#define VORLUNDA_RENDER_VERSION 1
#endif

namespace vorlunda::render {

using namespace vorlunda::vst;

PluginHost::PluginHost() {
    vendor = kVendorString;
    product = kProductString;
    vendorVersion = VORLUNDA_RENDER_VERSION;
    SetSampleRate(48000.0);
    SetBlockSize(512);
}

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
    if (!library.Open(path)) {
        if (library.LastFailure() == vsthost::PluginLibrary::Failure::NoEntryPoint)
            return Fail(path + ": not a VST 2.4 plug-in library (no VSTPluginMain or main)");
        return Fail(path + ": not a VST 2.4 plug-in library (cannot be loaded: " +
                    library.SystemReason() + ")");
    }
    Refusal refusal = Refusal::None;
    AEffect* created = Create(library.Entry(), &refusal);
    if (refusal == Refusal::BadMagic)
        return Fail(path + ": not a VST 2.4 plug-in library (bad magic in its AEffect)");
    if (!created)
        return Fail(path + ": the plug-in's entry point answered no plug-in");
    effect = created;
    plugin = vsthost::Instance(effect, nullptr);
    switch (vsthost::CheckInstrument(*effect)) {
    case vsthost::InstrumentProblem::NotInstrument:
        return Fail(path + ": not an instrument (the plug-in is an effect)");
    case vsthost::InstrumentProblem::NoProcessReplacing:
        return Fail(path + ": the plug-in has no processReplacing");
    case vsthost::InstrumentProblem::NoOutputs:
        return Fail(path + ": the plug-in has no audio outputs");
    case vsthost::InstrumentProblem::None:
        break;
    }
    return true;
}

void PluginHost::Open(double rate, int block) {
    SetSampleRate(rate);
    SetBlockSize(block);
    plugin.Open(rate, block);
}

void PluginHost::Resume() {
    if (running)
        return;
    plugin.Resume();
    running = true;
}

void PluginHost::Suspend() {
    if (!running)
        return;
    plugin.Suspend();
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
                plugin.SetParameter(static_cast<Int32>(i), programs[p].values[i]);
            std::string name = programs[p].name;
            Dispatch(effSetProgramName, 0, 0, name.data());
        }
        if (file.IsBank())
            Dispatch(effSetProgram, 0, std::max(file.CurrentProgram(), 0));
    }
    return true;
}

IntPtr PluginHost::Dispatch(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    return plugin.Dispatch(opcode, index, value, ptr, opt);
}

void PluginHost::ProcessEvents(VstEvents* events) {
    plugin.ProcessEvents(events);
}

void PluginHost::ProcessReplacing(float** inputs, float** outputs, int frames) {
    plugin.ProcessReplacing(inputs, outputs, frames);
}

void PluginHost::Automated(Int32, float) {
    ++automationCalls;
}

void PluginHost::Edited(Int32, Int32) {
    ++automationCalls;
}

VstTimeInfo* PluginHost::Time(IntPtr) {
    return &timeInfo;
}

IntPtr PluginHost::EventsFromPlugin(const VstEvents* events) {
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
