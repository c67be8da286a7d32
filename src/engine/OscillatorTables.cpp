#include "engine/OscillatorTables.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace vorlunda {

namespace {

// sin(2 pi n / 4096) for n = 0..4095, built from one quarter so that the zeros at 0 and half a
// cycle are exact and the table is exactly odd-symmetric, as the sine itself.
std::vector<double> BuildSineCycle() {
    constexpr int quarter = kWaveLength / 4;
    constexpr int half = kWaveLength / 2;
    std::vector<double> sine(kWaveLength);
    for (int n = 0; n <= quarter; ++n)
        sine[n] = std::sin(2.0 * std::numbers::pi * n / kWaveLength);
    for (int n = quarter + 1; n < half; ++n)
        sine[n] = sine[half - n];
    for (int n = half; n < kWaveLength; ++n)
        sine[n] = -sine[n - half];
    return sine;
}

// Harmonic amplitudes of the saw at one level: 0.5 for the fundamental, the higher ones 0.5 / h
// tapered by a raised cosine that falls from 1 at h = 2 to 0.08 at the top harmonic, which
// tames the ringing at the saw's edge.
std::vector<double> SawAmplitudes(int harmonics) {
    std::vector<double> a(harmonics + 1, 0.0);
    a[1] = 0.5;
    for (int h = 2; h <= harmonics; ++h)
        a[h] =
            (0.54 + 0.46 * std::cos((h - 1) * std::numbers::pi / 2.0 / (harmonics - 1))) * 0.5 / h;
    return a;
}

void BuildSawLevel(WavetableSet::Cycle& saw, int harmonics, const std::vector<double>& sine) {
    const std::vector<double> a = SawAmplitudes(harmonics);
    for (int j = 0; j < kWaveLength; ++j) {
        // Compensated summation keeps the sum of up to 1024 terms exact to the last bit or two.
        double sum = 0.0;
        double lost = 0.0;
        for (int h = 1; h <= harmonics; ++h) {
            const double term = a[h] * sine[(h * j) & (kWaveLength - 1)];
            const double next = sum + term;
            lost += std::abs(sum) >= std::abs(term) ? (sum - next) + term : (term - next) + sum;
            sum = next;
        }
        saw[j] = sum + lost;
    }
}

// The difference of the saw and a shifted copy: half a cycle gives a square, a quarter cycle a
// pulse of 25 % duty.
void BuildDifference(WavetableSet::Cycle& out, const WavetableSet::Cycle& saw, int shift) {
    for (int j = 0; j < kWaveLength; ++j)
        out[j] = SawDifference(saw.data(), j, shift);
}

LastRateTable<IncrementTable>& IncrementRegistry() {
    static LastRateTable<IncrementTable> registry(&OscillatorTables::BuildIncrements);
    return registry;
}

} // namespace

const WavetableSet& OscillatorTables::Wavetables() {
    static const std::unique_ptr<const WavetableSet> shared = [] {
        auto tables = std::make_unique<WavetableSet>();
        BuildWavetables(*tables);
        return tables;
    }();
    return *shared;
}

void OscillatorTables::BuildWavetables(WavetableSet& out) {
    const std::vector<double> sine = BuildSineCycle();
    for (int level = 0; level < kWaveLevels; ++level) {
        auto& saw = out.tables[static_cast<int>(Waveform::Saw)][level];
        BuildSawLevel(saw, 1 << (kWaveLevels - 1 - level), sine);
        BuildDifference(out.tables[static_cast<int>(Waveform::Square)][level], saw, kSquareShift);
        BuildDifference(out.tables[static_cast<int>(Waveform::Pulse)][level], saw, kPulseShift);
        for (int j = 0; j < kWaveLength; ++j) {
            for (int w = 0; w < kWaveforms; ++w)
                out.interleaved[level][j * kInterleave + w] = out.tables[w][level][j];
            out.interleaved[level][j * kInterleave + 3] = 0.0;
        }
        for (int y = 0; y < kQuarterLength; ++y) {
            for (int c = 0; c < kQuarterRow; ++c)
                out.quartered[level][y * kQuarterRow + c] =
                    saw[(y + (c % 4) * kQuarterLength) & (kWaveLength - 1)];
        }
    }
}

std::shared_ptr<const IncrementTable> OscillatorTables::Increments(double sampleRate) {
    return IncrementRegistry().Acquire(sampleRate);
}

std::shared_ptr<const IncrementTable> OscillatorTables::CurrentIncrements() {
    return IncrementRegistry().Current();
}

void OscillatorTables::BuildIncrements(IncrementTable& out, double sampleRate) {
    // Below about 2490 Hz the top pitches would not fit in 31 bits; they saturate instead.
    constexpr double largest = 2147483647.0; // phase units per sample
    out.sampleRate = sampleRate;
    for (int i = 0; i < kPitchCount; ++i) {
        const double increment = PitchToFrequency(i) * 268435456.0 / sampleRate;
        out.values[i] = static_cast<std::int32_t>(std::min(increment, largest));
    }
}

} // namespace vorlunda
