#include "synth/PitchFrequency.h"

#include <array>
#include <cmath>

namespace vorlunda {

namespace {

constexpr int kTableNotes = 136; // notes 0..135 in each direction

struct FrequencyTable {
    std::array<double, kTableNotes> ascending;  // Hz of notes 0..135
    std::array<double, kTableNotes> descending; // Hz of notes 0, -1, .. -135
};

double RoundTo(double x, double scale) {
    return std::round(x * scale) / scale;
}

FrequencyTable BuildFrequencyTable() {
    FrequencyTable t{};
    for (int k = 0; k < kTableNotes; ++k) {
        t.ascending[k] = RoundTo(440.0 * std::pow(2.0, (k - 69) / 12.0), 1000.0);
        t.descending[k] = RoundTo(8.176 * std::pow(2.0, -k / 12.0), 1e10);
    }
    // These four notes were tabulated with fewer decimals; the tuning keeps them as they are.
    t.ascending[124] = 10548.08;
    t.ascending[125] = 11175.3;
    t.ascending[126] = 11839.82;
    t.ascending[127] = 12543.85;
    return t;
}

const FrequencyTable& Frequencies() {
    static const FrequencyTable table = BuildFrequencyTable();
    return table;
}

} // namespace

double PitchToFrequency(int pitch) {
    if (pitch == 0)
        return 8.176; // Hz, note 0
    if (pitch > kMaxPitch - 1)
        return 19912.127; // Hz, note 135
    if (pitch < -(kMaxPitch - 1))
        return 0.0033570162; // Hz, 135 semitones below note 0
    const FrequencyTable& t = Frequencies();
    const int b = pitch < 0 ? -pitch : pitch;
    const int k = b >> 7;  // semitone
    const int r = b & 127; // 1/128 semitone within it
    const auto& side = pitch > 0 ? t.ascending : t.descending;
    const double lo = side[k];
    const double hi = side[k + 1];
    return (hi - lo) * r * 0.0078125 + lo;
}

} // namespace vorlunda
