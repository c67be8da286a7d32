#pragma once

#include "synth/PitchFrequency.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>

namespace vorlunda {

inline constexpr int kPitchCount = kMaxPitch + 1;       // entries of every per-pitch table
inline constexpr int kWaveLength = 4096;                // samples per wavetable cycle
inline constexpr int kWaveLevels = 11;                  // level L holds 2^(10 - L) harmonics
inline constexpr int kWaveforms = 3;                    // saw, square, pulse
inline constexpr int kInterleave = 4;                   // doubles per index, interleaved
inline constexpr int kQuarterLength = kWaveLength / 4;  // rows of a quartered saw table
inline constexpr int kQuarterRow = 8;                   // doubles per row (64 bytes)
inline constexpr std::uint32_t kPhaseMask = 0x0FFFFFFF; // one cycle = 2^28 phase units
inline constexpr int kPhaseIndexShift = 16;             // phase >> 16 = table index 0..4095
inline constexpr double kInitialSampleRate = 44100.0;   // Hz, until the first prepare

// Truncates a modulated pitch (1/128 semitone) towards zero like a cast, but keeps absurd
// modulation and NaN from overflowing: anything this far out lands on a table end anyway.
inline int TruncatePitch(double x) {
    constexpr double limit = 16777216.0; // 1/128 semitone, far beyond 0..17280
    if (std::isnan(x))
        return 0;
    return static_cast<int>(std::clamp(x, -limit, limit));
}

enum class Waveform : int { Saw = 0, Square = 1, Pulse = 2 };

// The square and the pulse are differences of the saw and a copy shifted by half and by three
// quarters of a cycle (table entries).
inline constexpr int kSquareShift = kWaveLength / 2;
inline constexpr int kPulseShift = kWaveLength * 3 / 4;

// Entry x of the square (shift kSquareShift) or pulse (kPulseShift) table, from the saw table of
// the same level. The tables are built with this expression and the render evaluates it too, so
// both give the same doubles.
inline double SawDifference(const double* saw, int x, int shift) {
    return (saw[x] - saw[(x + shift) & (kWaveLength - 1)]) * 0.5;
}

// Where index x of a level starts in its quartered table: row x mod 1024, column x / 1024.
inline constexpr int QuarteredIndex(int x) {
    return (x & (kQuarterLength - 1)) * kQuarterRow + (x >> 10);
}

// The three band-limited single-cycle tables, 11 levels each, and two copies laid out for reading:
// - interleaved: saw, square and pulse of index x side by side at [4x], [4x + 1], [4x + 2],
//   with +0 at [4x + 3], so that an oscillator playing all three reads 32 aligned bytes, always
//   within one cache line (three doubles to an index would let a quarter of the reads straddle
//   two lines); 128 KB a level.
// - quartered: the saw alone, row y (64 bytes, one cache line) holding the saw at y, y + 1024,
//   y + 2048, y + 3072 twice over. The four doubles from QuarteredIndex(x) are the saw at x,
//   x + 1024, x + 2048 and x + 3072 (modulo 4096), from which SawDifference gives the square and
//   the pulse of x. One line per read as before, but 64 KB a level instead of 128, so that all
//   the levels a chord plays fit in the second-level cache.
struct WavetableSet {
    using Cycle = std::array<double, kWaveLength>;
    using InterleavedCycle = std::array<double, kWaveLength * kInterleave>;
    using QuarteredCycle = std::array<double, kQuarterLength * kQuarterRow>;
    std::array<std::array<Cycle, kWaveLevels>, kWaveforms> tables;
    alignas(64) std::array<InterleavedCycle, kWaveLevels> interleaved; // 32-byte records
    alignas(64) std::array<QuarteredCycle, kWaveLevels> quartered;     // 64-byte rows

    const Cycle& Level(Waveform w, int level) const { return tables[static_cast<int>(w)][level]; }
    const double* Interleaved(int level) const { return interleaved[level].data(); }
    const double* Quartered(int level) const { return quartered[level].data(); }
};

// One value per pitch 0..17280, computed for one sample rate. Immutable once published, so
// any number of voices and threads may read it while another rate's table is being built.
template <typename T>
struct PitchTable {
    double sampleRate = 0.0; // Hz
    std::array<T, kPitchCount> values{};

    // Pitches below 0 read entry 0, above 17280 entry 17280.
    T At(int pitch) const { return values[std::clamp(pitch, 0, kMaxPitch)]; }
};

// Holds the process-wide table for the last sample rate asked for. Acquire rebuilds it only when
// the rate differs; a table already handed out stays alive and unchanged for its holders.
// Acquire allocates and locks: construction and prepare only.
template <typename Table>
class LastRateTable {
public:
    using Builder = void (*)(Table& out, double sampleRate);
    explicit LastRateTable(Builder builder) : build(builder) {}

    // A rate that is not a positive finite number keeps the current table (or builds the
    // initial one).
    std::shared_ptr<const Table> Acquire(double sampleRate) {
        const bool usable = std::isfinite(sampleRate) && sampleRate > 0.0;
        std::lock_guard lock(mutex);
        if (!current || (usable && current->sampleRate != sampleRate)) {
            auto table = std::make_shared<Table>();
            build(*table, usable ? sampleRate : kInitialSampleRate);
            current = std::move(table);
        }
        return current;
    }

    // The current table, whatever rate it was built for (the initial rate if none yet).
    std::shared_ptr<const Table> Current() { return Acquire(0.0); }

private:
    Builder build;
    std::mutex mutex;
    std::shared_ptr<const Table> current;
};

// Phase increments per sample (one cycle = 2^28) for the 16' footage.
using IncrementTable = PitchTable<std::int32_t>;

// The process-wide oscillator tables. The wavetables are built once per process; the increment
// table follows the last sample rate prepared. Every function here may allocate and lock, so
// call them from construction or prepare, never from the audio path.
class OscillatorTables {
public:
    // The shared wavetables, built on the first call (concurrent first calls wait for one
    // build and all receive the same tables).
    static const WavetableSet& Wavetables();

    // Fills `out` from the harmonic formulas; exposed so that a build can be checked against
    // the shared one.
    static void BuildWavetables(WavetableSet& out);

    // The increment table for `sampleRate` (Hz). The process keeps one current table and
    // rebuilds it when a different rate is asked for; callers hold on to the table they
    // received, so a rebuild for another instance's rate never changes what they read.
    static std::shared_ptr<const IncrementTable> Increments(double sampleRate);

    // The current increment table, whatever rate it follows (44100 Hz before any prepare).
    static std::shared_ptr<const IncrementTable> CurrentIncrements();

    // Fills `out` for `sampleRate` (Hz) without touching the shared table.
    static void BuildIncrements(IncrementTable& out, double sampleRate);
};

} // namespace vorlunda
