#pragma once

#include "platform/DynamicLibrary.h"

#include <array>
#include <string>

namespace vorlunda {

// The MTS-ESP client functions as this program calls them: C functions in the platform's default
// C calling convention; notes and MIDI channels travel as single bytes, tables as 128 doubles
// (Hz per note) that the library owns. docs/microtuning.md lists the signatures.
namespace mts {
using RegisterClientFn = void (*)();
using DeregisterClientFn = void (*)();
using HasMasterFn = bool (*)();
using ShouldFilterNoteFn = bool (*)(char note, char channel);
using ShouldFilterNoteMultiChannelFn = bool (*)(char note, char channel);
using GetTuningTableFn = const double* (*)();
using GetMultiChannelTuningTableFn = const double* (*)(char channel);
using UseMultiChannelTuningFn = bool (*)(char channel);
using GetScaleNameFn = const char* (*)();
} // namespace mts

// The process-wide tuning state: the MTS-ESP library if the platform has one where it keeps it,
// its nine entry points, the master table and the 16 channel tables, all fetched once. One object
// exists per process. The library is loaded by the first instance's construction (EnsureLoaded),
// never by a static initialiser: under Windows that would run LoadLibrary under the loader lock,
// which can deadlock the host. It is released when the module unloads. Nothing else changes the
// state (except the test hooks below), so the audio thread reads it without locking. The tables'
// contents belong to the library, which keeps them consistent itself.
class TuningLibrary {
public:
    static constexpr int kNotes = 128;
    static constexpr int kChannels = 16;

    // The nine entry points in the order of their export names; each null when not found.
    struct EntryPoints {
        mts::RegisterClientFn registerClient = nullptr;
        mts::DeregisterClientFn deregisterClient = nullptr;
        mts::HasMasterFn hasMaster = nullptr;
        mts::ShouldFilterNoteFn shouldFilterNote = nullptr;
        mts::ShouldFilterNoteMultiChannelFn shouldFilterNoteMultiChannel = nullptr;
        mts::GetTuningTableFn getTuningTable = nullptr;
        mts::GetMultiChannelTuningTableFn getMultiChannelTuningTable = nullptr;
        mts::UseMultiChannelTuningFn useMultiChannelTuning = nullptr;
        mts::GetScaleNameFn getScaleName = nullptr;
    };

    // Module load: the reference periods only; no library yet.
    TuningLibrary();
    // Module unload: releases the library.
    ~TuningLibrary();
    TuningLibrary(const TuningLibrary&) = delete;
    TuningLibrary& operator=(const TuningLibrary&) = delete;

    // The process's state. Any thread.
    static const TuningLibrary& Global();
    // The first call loads the library from the platform's place, later calls do nothing. A
    // missing library or function leaves the corresponding entries null; nothing is reported.
    // Called by every instance's construction (under the entry point's process-wide lock; a
    // lock of its own covers instances made otherwise), before any audio thread reads the state.
    static void EnsureLoaded();

    bool Loaded() const { return library.IsOpen(); }
    const EntryPoints& Functions() const { return functions; }
    // 128 frequencies (Hz) from "MTS_GetTuningTable", or null.
    const double* MasterTable() const { return masterTable; }
    // Fetched for channels 0..15 at load as the library expects of a client; the instrument
    // itself only ever follows the master table.
    const double* ChannelTable(int channel) const;
    // 1 / (440 * 2^((note - 69) / 12)) seconds; a note outside 0..127 answers note 69's.
    double ReferencePeriod(int note) const;

    // --- Test hooks: never called by the plug-in. They replace the process-wide state, so no
    // instance may exist while they run. ---
    // Releases the current library and loads the one at `path` (null or "" loads none) with the
    // steps of the module load. Answers whether a library was loaded.
    static bool LoadFromPathForTest(const char* path);
    // The same from the platform's place, as the first instance does.
    static bool ReloadForTest();

    // --- Platform layer (TuningLibrary_posix.cpp, TuningLibrary_win32.cpp) ---
    // Where the platform keeps the MTS-ESP library: "LIBMTS.dll" in the Windows system
    // directory, /usr/local/lib/libMTS.so elsewhere. Empty when it cannot be determined.
    static std::string DefaultPath();

private:
    void Load(const char* path);
    void Release();

    EntryPoints functions;
    std::array<double, kNotes> referencePeriods{}; // seconds
    const double* masterTable = nullptr;
    std::array<const double*, kChannels> channelTables{};
    DynamicLibrary library;
    bool loadAttempted = false; // by EnsureLoaded or a test hook
};

} // namespace vorlunda
