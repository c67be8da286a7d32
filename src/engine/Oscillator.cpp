#include "engine/Oscillator.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>

namespace vorlunda {

namespace {

constexpr int kOctave = 1536;             // 1/128 semitone; puts 16' one octave below the note
constexpr double kWaveGain = 0.9;         // per enabled waveform flag
constexpr double kMultiGain = 0.66;       // each of the three oscillators of a multi stack
constexpr double kSyncedMultiGain = 0.75; // each of the two heard when oscillator 0 is silent
constexpr int kFirstSilentSync = 5;       // sync modes 5..8 silence oscillator 0 in multi stacks
constexpr double kNoiseScale = 4.6566129e-10; // about 2^-31: seed to -1..1
constexpr std::uint32_t kNoiseMultiplier = 16807;

// Process-wide, shared by all voices of all instances. Each render loads it once and stores it
// once; two instances rendering at the same moment may draw the same numbers, which is still
// noise, and nothing tears because the access is atomic.
std::atomic<std::uint32_t> noiseSeed{1};

// Number of halvings of the table step (increment at this footage / 2^16 samples of 4096 per
// sample) while it is above 1: the level whose top harmonic still lies below half the rate.
int LevelForIncrement(std::uint32_t increment, int footage) {
    const std::uint64_t step = (std::uint64_t{increment} << footage) >> kPhaseIndexShift;
    if (step <= 1)
        return 0;
    return std::min(static_cast<int>(std::bit_width(step)) - 1, kWaveLevels - 1);
}

} // namespace

Oscillator::Oscillator()
    : waves(&OscillatorTables::Wavetables()),
      incrementTable(OscillatorTables::CurrentIncrements()) {
    ForgetPitches();
}

void Oscillator::SetMasterTune(int units) {
    masterTune = units;
    UpdateOffsets();
}

void Oscillator::SetDetune(int units) {
    detune = units;
    UpdateOffsets();
}

void Oscillator::SetIntervalTune(int units) {
    intervalTune = units;
    UpdateOffsets();
}

void Oscillator::UpdateOffsets() {
    pitchOffsets = {masterTune, masterTune - detune, masterTune + detune,
                    masterTune + intervalTune};
}

void Oscillator::SetFlag(FootageFlags& flags, int footage, bool on) {
    if (footage >= 0 && footage < kFootages)
        flags[footage] = on;
}

void Oscillator::SetSaw(int footage, bool on) {
    SetFlag(saw, footage, on);
}
void Oscillator::SetSquare(int footage, bool on) {
    SetFlag(square, footage, on);
}
void Oscillator::SetPulse(int footage, bool on) {
    SetFlag(pulse, footage, on);
}
void Oscillator::SetInterval(int footage, bool on) {
    SetFlag(interval, footage, on);
}
void Oscillator::SetMulti(int footage, bool on) {
    SetFlag(multi, footage, on);
}

void Oscillator::SetSyncMode(int mode) {
    syncMode = std::clamp(mode, 0, kSyncModes - 1);
}

void Oscillator::Prepare(double sampleRate) {
    if (std::isfinite(sampleRate) && sampleRate > 0.0 && sampleRate != incrementTable->sampleRate)
        incrementTable = OscillatorTables::Increments(sampleRate);
    ForgetPitches();
}

// Cached pitch -1 makes the next update recompute every oscillator. The increments are set to
// what pitch -1 itself gives (entry 0), so a first pitch of exactly -1, which the cache would
// skip, still plays from the new rate's table.
void Oscillator::ForgetPitches() {
    for (int k = 0; k < kOscillators; ++k)
        SetIncrement(k, -1);
}

void Oscillator::SetIncrement(int osc, int pitch) {
    cachedPitches[osc] = pitch;
    increments[osc] = static_cast<std::uint32_t>(incrementTable->At(pitch));
    for (int j = 0; j < kFootages; ++j)
        tableLevels[osc][j] = LevelForIncrement(increments[osc], j);
}

void Oscillator::UpdatePitch(double glidePitch, const PitchModulation& mod) {
    // One truncation of the whole sum, then the envelope part truncated on its own.
    const int base = TruncatePitch(mod.lfo * lfoDepth + bendRange * mod.bend + glidePitch);
    const int bent = TruncatePitch(mod.envelope * envelopeDepth);
    for (int k = 0; k < kOscillators; ++k) {
        int g = base - kOctave + pitchOffsets[k];
        // With sync on the envelope sweeps only the synced oscillators 1..3.
        if (syncMode == 0 || k != 0)
            g += bent;
        if (g != cachedPitches[k])
            SetIncrement(k, g);
    }
}

// Lists the enabled waveforms footage by footage (saw, square, pulse, interval), with the
// table of each oscillator at that footage's level for this tick.
int Oscillator::CollectSources(SourceList& out) const {
    const std::array<const FootageFlags*, kWaveforms> waveFlags = {&saw, &square, &pulse};
    int count = 0;
    for (int j = 0; j < kFootages; ++j) {
        for (int w = 0; w < kWaveforms + 1; ++w) {
            const bool isInterval = w == kWaveforms;
            if (!(isInterval ? interval[j] : (*waveFlags[w])[j]))
                continue;
            const auto wave = isInterval ? Waveform::Square : static_cast<Waveform>(w);
            Source& source = out[count++];
            for (int k = 0; k < kOscillators; ++k)
                source.table[k] = waves->Level(wave, tableLevels[k][j]).data();
            source.footage = j;
            source.kind = isInterval                    ? SourceKind::Interval
                          : !multi[j]                   ? SourceKind::Plain
                          : syncMode < kFirstSilentSync ? SourceKind::Stack
                                                        : SourceKind::SyncedStack;
        }
    }
    return count;
}

// Step 3 of each sample: oscillator 0 advances; the synced ones jump to its new phase when the
// sync test holds. The test compares oscillator 0's new phase, scaled to the chosen footage, with
// its previous phase unscaled.
void Oscillator::AdvancePhases() {
    const std::uint32_t previous = phases[0];
    const std::uint32_t h = (previous + increments[0]) & kPhaseMask;
    const int footage = (syncMode - 1) % kFootages; // modes 1 and 5 -> 16', .. 4 and 8 -> 2'
    const bool reset = syncMode != 0 && ((h << footage) & kPhaseMask) < previous;
    phases[0] = h;
    for (int k = 1; k < kOscillators; ++k)
        phases[k] = reset ? h : (phases[k] + increments[k]) & kPhaseMask;
}

void Oscillator::Render(std::span<double> left, std::span<double> right) {
    const std::size_t n = std::min(left.size(), right.size());
    SourceList sources;
    const int count = CollectSources(sources);
    double gain = 1.0;
    for (int e = 0; e < count; ++e)
        gain *= kWaveGain;
    std::uint32_t seed = noiseSeed.load(std::memory_order_relaxed);

    for (std::size_t i = 0; i < n; ++i) {
        double c = 0.0; // centre
        double l = 0.0;
        double r = 0.0;
        for (int e = 0; e < count; ++e) {
            const Source& s = sources[e];
            // The footage j sounds j octaves above 16': the phase times 2^j, modulo one cycle.
            const auto at = [&](int k) {
                return s.table[k][((phases[k] << s.footage) & kPhaseMask) >> kPhaseIndexShift];
            };
            switch (s.kind) {
            case SourceKind::Plain:
                c += at(0);
                break;
            case SourceKind::Stack:
                c += kMultiGain * at(0);
                l += kMultiGain * at(1);
                r += kMultiGain * at(2);
                break;
            case SourceKind::SyncedStack:
                l += kSyncedMultiGain * at(1);
                r += kSyncedMultiGain * at(2);
                break;
            case SourceKind::Interval:
                c += at(3);
                break;
            }
        }
        AdvancePhases();

        if (noiseMix > 0.0) {
            seed *= kNoiseMultiplier; // wraps like the signed 32-bit product
            const double z = static_cast<std::int32_t>(seed) * kNoiseScale;
            c -= (z + c) * noiseMix;
            l -= (z + l) * noiseMix;
            r -= (z + r) * noiseMix;
        }

        const double s = (l - r) * stereoSpread;
        const double t = l + c + r;
        left[i] = (s + t) * gain;
        right[i] = (t - s) * gain;
    }
    noiseSeed.store(seed, std::memory_order_relaxed);
}

void Oscillator::AdvanceIdle(int samples) {
    if (samples <= 0)
        return;
    // Unsigned products wrap modulo 2^32, which the 28-bit mask then reduces exactly.
    const auto count = static_cast<std::uint32_t>(samples);
    for (int k = 0; k < kOscillators; ++k)
        phases[k] = (phases[k] + increments[k] * count) & kPhaseMask;
}

std::int32_t Oscillator::NoiseSeed() {
    return static_cast<std::int32_t>(noiseSeed.load(std::memory_order_relaxed));
}

void Oscillator::SetNoiseSeed(std::int32_t seed) {
    noiseSeed.store(static_cast<std::uint32_t>(seed), std::memory_order_relaxed);
}

} // namespace vorlunda
