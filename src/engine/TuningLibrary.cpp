#include "engine/TuningLibrary.h"

#include <cmath>

namespace vorlunda {

namespace {

// The one process-wide object. Constructed by the module's static initialisers, before any host
// can call into the module; destroyed when the module unloads. Static storage is zeroed before
// it is constructed, which is already the valid "no library" state.
TuningLibrary mtsClientGlobal;

template <typename Function>
void Find(void* library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(TuningLibrary::FindFunction(library, name));
}

} // namespace

TuningLibrary::TuningLibrary() {
    for (int i = 0; i < kNotes; ++i)
        referencePeriods[static_cast<std::size_t>(i)] =
            1.0 / (440.0 * std::pow(2.0, (i - 69) / 12.0));
    const std::string path = DefaultPath();
    Load(path.c_str());
}

TuningLibrary::~TuningLibrary() {
    Release();
}

const TuningLibrary& TuningLibrary::Global() {
    return mtsClientGlobal;
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
    handle = path && *path ? OpenLibrary(path) : nullptr;
    if (!handle)
        return;
    Find(handle, "MTS_RegisterClient", functions.registerClient);
    Find(handle, "MTS_DeregisterClient", functions.deregisterClient);
    Find(handle, "MTS_HasMaster", functions.hasMaster);
    Find(handle, "MTS_ShouldFilterNote", functions.shouldFilterNote);
    Find(handle, "MTS_ShouldFilterNoteMultiChannel", functions.shouldFilterNoteMultiChannel);
    Find(handle, "MTS_GetTuningTable", functions.getTuningTable);
    Find(handle, "MTS_GetMultiChannelTuningTable", functions.getMultiChannelTuningTable);
    Find(handle, "MTS_UseMultiChannelTuning", functions.useMultiChannelTuning);
    Find(handle, "MTS_GetScaleName", functions.getScaleName);
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
    if (handle)
        CloseLibrary(handle);
    handle = nullptr;
}

bool TuningLibrary::LoadFromPathForTest(const char* path) {
    mtsClientGlobal.Release();
    mtsClientGlobal.Load(path);
    return mtsClientGlobal.Loaded();
}

bool TuningLibrary::ReloadForTest() {
    const std::string path = DefaultPath();
    return LoadFromPathForTest(path.c_str());
}

} // namespace vorlunda
