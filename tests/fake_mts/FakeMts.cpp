// A stand-in for the MTS-ESP tuning library, built only for the tests. It exports the nine client
// functions with the signatures the plug-in calls (checked against its declarations below) and a
// few FakeMts_* control functions through which a test sets the tuning table, the master flag and
// the filtered notes, and reads how often each client function was called.
//
// Built twice: as the full library (libMTS.so / LIBMTS.dll), and with FAKE_MTS_PARTIAL as a
// library that lacks registration and "MTS_HasMaster", for the fallbacks on missing functions.
#include "synth/TuningLibrary.h"

#include <array>
#include <cmath>
#include <type_traits>

#if defined(_WIN32)
#define FAKE_MTS_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_MTS_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Call counters, in the order of TuningLibrary::EntryPoints.
enum Function : int {
    kRegisterClient,
    kDeregisterClient,
    kHasMaster,
    kShouldFilterNote,
    kShouldFilterNoteMultiChannel,
    kGetTuningTable,
    kGetMultiChannelTuningTable,
    kUseMultiChannelTuning,
    kGetScaleName,
    kFunctionCount
};

struct State {
    std::array<double, 128> table{}; // Hz per note
    bool hasMaster = true;
    bool offersTable = true;
    std::array<bool, 128> filtered{};
    std::array<int, kFunctionCount> calls{};
    int lastFilterNote = -1;
    int lastFilterChannel = -1;
};

// Equal temperament, a master present, a table offered, nothing filtered, no calls.
State FreshState() {
    State fresh;
    for (int i = 0; i < 128; ++i)
        fresh.table[static_cast<std::size_t>(i)] = 440.0 * std::pow(2.0, (i - 69) / 12.0);
    return fresh;
}

State state = FreshState();

void Count(Function f) {
    ++state.calls[static_cast<std::size_t>(f)];
}

int Byte(char c) {
    return static_cast<unsigned char>(c);
}

} // namespace

#ifndef FAKE_MTS_PARTIAL
FAKE_MTS_EXPORT void MTS_RegisterClient() {
    Count(kRegisterClient);
}

FAKE_MTS_EXPORT void MTS_DeregisterClient() {
    Count(kDeregisterClient);
}

FAKE_MTS_EXPORT bool MTS_HasMaster() {
    Count(kHasMaster);
    return state.hasMaster;
}

static_assert(std::is_same_v<decltype(&MTS_RegisterClient), vorlunda::mts::RegisterClientFn>);
static_assert(std::is_same_v<decltype(&MTS_DeregisterClient), vorlunda::mts::DeregisterClientFn>);
static_assert(std::is_same_v<decltype(&MTS_HasMaster), vorlunda::mts::HasMasterFn>);
#endif

FAKE_MTS_EXPORT bool MTS_ShouldFilterNote(char note, char channel) {
    Count(kShouldFilterNote);
    state.lastFilterNote = Byte(note);
    state.lastFilterChannel = Byte(channel);
    return state.filtered[static_cast<std::size_t>(Byte(note) & 0x7F)];
}

FAKE_MTS_EXPORT bool MTS_ShouldFilterNoteMultiChannel(char note, char /*channel*/) {
    Count(kShouldFilterNoteMultiChannel);
    return state.filtered[static_cast<std::size_t>(Byte(note) & 0x7F)];
}

FAKE_MTS_EXPORT const double* MTS_GetTuningTable() {
    Count(kGetTuningTable);
    return state.offersTable ? state.table.data() : nullptr;
}

FAKE_MTS_EXPORT const double* MTS_GetMultiChannelTuningTable(char /*channel*/) {
    Count(kGetMultiChannelTuningTable);
    return state.table.data();
}

FAKE_MTS_EXPORT bool MTS_UseMultiChannelTuning(char /*channel*/) {
    Count(kUseMultiChannelTuning);
    return false;
}

FAKE_MTS_EXPORT const char* MTS_GetScaleName() {
    Count(kGetScaleName);
    return "Fake";
}

static_assert(std::is_same_v<decltype(&MTS_ShouldFilterNote), vorlunda::mts::ShouldFilterNoteFn>);
static_assert(std::is_same_v<decltype(&MTS_ShouldFilterNoteMultiChannel),
                             vorlunda::mts::ShouldFilterNoteMultiChannelFn>);
static_assert(std::is_same_v<decltype(&MTS_GetTuningTable), vorlunda::mts::GetTuningTableFn>);
static_assert(std::is_same_v<decltype(&MTS_GetMultiChannelTuningTable),
                             vorlunda::mts::GetMultiChannelTuningTableFn>);
static_assert(
    std::is_same_v<decltype(&MTS_UseMultiChannelTuning), vorlunda::mts::UseMultiChannelTuningFn>);
static_assert(std::is_same_v<decltype(&MTS_GetScaleName), vorlunda::mts::GetScaleNameFn>);

// --- Control functions for the tests ---

// Back to the state the library had when it was loaded. The table keeps its address.
FAKE_MTS_EXPORT void FakeMts_Reset() {
    state = FreshState();
}

FAKE_MTS_EXPORT void FakeMts_SetNoteFrequency(int note, double hz) {
    state.table[static_cast<std::size_t>(note & 0x7F)] = hz;
}

FAKE_MTS_EXPORT void FakeMts_SetHasMaster(int hasMaster) {
    state.hasMaster = hasMaster != 0;
}

// Whether "MTS_GetTuningTable" hands out the table or null. Read when the plug-in loads us.
FAKE_MTS_EXPORT void FakeMts_SetOffersTable(int offers) {
    state.offersTable = offers != 0;
}

FAKE_MTS_EXPORT void FakeMts_SetFilter(int note, int filtered) {
    state.filtered[static_cast<std::size_t>(note & 0x7F)] = filtered != 0;
}

// Calls of client function `function` (0..8 in the order of the export names) since the reset.
FAKE_MTS_EXPORT int FakeMts_Count(int function) {
    return function >= 0 && function < kFunctionCount
               ? state.calls[static_cast<std::size_t>(function)]
               : -1;
}

// The bytes of the last "MTS_ShouldFilterNote" call as unsigned values, -1 before any.
FAKE_MTS_EXPORT int FakeMts_LastFilterNote() {
    return state.lastFilterNote;
}

FAKE_MTS_EXPORT int FakeMts_LastFilterChannel() {
    return state.lastFilterChannel;
}
