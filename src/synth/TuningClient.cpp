#include "synth/TuningClient.h"

#include "synth/PitchFrequency.h"
#include "synth/TuningLibrary.h"

#include <algorithm>
#include <cmath>

namespace vorlunda {

namespace {

constexpr int kSearchStart = 8640; // 1/128 semitone: half of the engine's 0..17280

const TuningLibrary::EntryPoints& Library() {
    return TuningLibrary::Global().Functions();
}

} // namespace

TuningClient::TuningClient() : scaleName("12-TET") {
    TuningLibrary::EnsureLoaded();
    for (int i = 0; i < kNotes; ++i)
        ownTable[static_cast<std::size_t>(i)] = 440.0 * std::pow(2.0, (i - 69) / 12.0);
    if (Library().registerClient)
        Library().registerClient();
}

TuningClient::~TuningClient() {
    if (Library().deregisterClient)
        Library().deregisterClient();
}

bool TuningClient::HasMaster() const {
    return TuningLibrary::Global().MasterTable() && Library().hasMaster && Library().hasMaster();
}

bool TuningClient::ShouldFilterNote(int note) const {
    if (!HasMaster() || !Library().shouldFilterNote)
        return false;
    return Library().shouldFilterNote(static_cast<char>(note & 0x7F),
                                      static_cast<char>(kFilterAnyChannel));
}

double TuningClient::NoteFrequency(int note) const {
    const auto index = static_cast<std::size_t>(note & 0x7F);
    if (HasMaster())
        return TuningLibrary::Global().MasterTable()[index];
    return ownTable[index];
}

int TuningClient::NoteToPitch(int note) const {
    if (!HasMaster())
        return std::clamp(note, 0, kNotes - 1) * 128;
    return FrequencyToPitch(NoteFrequency(note));
}

int TuningClient::FrequencyToPitch(double hz) {
    // The halving steps add up to 8636, so the search can never leave 4..17276 whatever `hz`
    // is: 0, negatives and -inf walk down to 4, huge values and +inf up to 17276, and NaN
    // (neither smaller nor larger) stops at once on 8640.
    int pitch = kSearchStart;
    int step = kSearchStart;
    while (step != 0) {
        const double f = PitchToFrequency(pitch);
        step /= 2;
        if (hz < f)
            pitch -= step;
        else if (hz > f)
            pitch += step;
        else
            break;
    }
    return pitch;
}

} // namespace vorlunda
