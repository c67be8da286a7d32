#include "synth/TuningLibrary.h"

#include <cmath>
#include <mutex>

namespace vorlunda {

namespace {

// The one process-wide object. Constructed by the module's static initialisers (which load
// nothing), destroyed when the module unloads.
TuningLibrary mtsClientGlobal;

std::mutex& LoadLock() {
    static std::mutex lock;
    return lock;
}

template <typename Function>
void Find(const DynamicLibrary& library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(library.Symbol(name));
}

} // namespace

TuningLibrary::TuningLibrary() {
    for (int i = 0; i < kNotes; ++i)
        referencePeriods[static_cast<std::size_t>(i)] =
            1.0 / (440.0 * std::pow(2.0, (i - 69) / 12.0));
}

TuningLibrary::~TuningLibrary() {
    Release();
}

const TuningLibrary& TuningLibrary::Global() {
    return mtsClientGlobal;
}

void TuningLibrary::EnsureLoaded() {
    std::lock_guard<std::mutex> lock(LoadLock());
    if (mtsClientGlobal.loadAttempted)
        return;
    const std::string path = DefaultPath();
    mtsClientGlobal.Load(path.c_str());
}

const double* TuningLibrary::ChannelTable(int channel) const {
    if (channel < 0 || channel >= kChannels)
        return nullptr;
    return channelTables[static_cast<std::size_t>(channel)];
}

double TuningLibrary::ReferencePeriod(int note) const {
    if (note < 0 || note >= kNotes)
        note = 69;
    return referencePeriods[static_cast<std::size_t>(note)];
}

void TuningLibrary::Load(const char* path) {
    functions = {};
    masterTable = nullptr;
    channelTables.fill(nullptr);
    loadAttempted = true;
    if (!path || !*path || !library.Open(path))
        return;
    Find(library, "MTS_RegisterClient", functions.registerClient);
    Find(library, "MTS_DeregisterClient", functions.deregisterClient);
    Find(library, "MTS_HasMaster", functions.hasMaster);
    Find(library, "MTS_ShouldFilterNote", functions.shouldFilterNote);
    Find(library, "MTS_ShouldFilterNoteMultiChannel", functions.shouldFilterNoteMultiChannel);
    Find(library, "MTS_GetTuningTable", functions.getTuningTable);
    Find(library, "MTS_GetMultiChannelTuningTable", functions.getMultiChannelTuningTable);
    Find(library, "MTS_UseMultiChannelTuning", functions.useMultiChannelTuning);
    Find(library, "MTS_GetScaleName", functions.getScaleName);
    // The master table is fetched once: the library hands out a table it keeps updating, so the
    // pointer stays valid and current for as long as the library is loaded.
    if (functions.getTuningTable)
        masterTable = functions.getTuningTable();
    for (int channel = 0; channel < kChannels; ++channel) {
        channelTables[static_cast<std::size_t>(channel)] =
            functions.getMultiChannelTuningTable
                ? functions.getMultiChannelTuningTable(static_cast<char>(channel))
                : nullptr;
    }
}

void TuningLibrary::Release() {
    functions = {};
    masterTable = nullptr;
    channelTables.fill(nullptr);
    library.Close();
}

bool TuningLibrary::LoadFromPathForTest(const char* path) {
    std::lock_guard<std::mutex> lock(LoadLock());
    mtsClientGlobal.Release();
    mtsClientGlobal.Load(path);
    return mtsClientGlobal.Loaded();
}

bool TuningLibrary::ReloadForTest() {
    const std::string path = DefaultPath();
    return LoadFromPathForTest(path.c_str());
}

} // namespace vorlunda
