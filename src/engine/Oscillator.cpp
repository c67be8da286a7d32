#include "engine/Oscillator.h"

#include "engine/OscillatorKernels.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

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

// The wavetables are taken at the first Prepare, not here: building them is most of a first
// instance's construction, and hosts construct every plug-in when they scan.
Oscillator::Oscillator() : incrementTable(OscillatorTables::CurrentIncrements()) {
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
    waves = &OscillatorTables::Wavetables();
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

// Step 3 of each sample, for a chunk: oscillator 0 advances; the synced ones jump to its new
// phase when the sync test holds. The test compares oscillator 0's new phase, scaled to the
// chosen footage, with its previous phase unscaled. `out` receives each sample's phases before
// the advance, which are the ones the sample reads.
void Oscillator::RunPhases(PhaseChunk& out, int n, unsigned read) {
    if (syncMode == 0) {
        // Without sync each oscillator's phase at sample i is (p + i * step) masked: 2^28
        // divides 2^32, so masking once equals masking after every 32-bit addition, and the
        // samples no longer wait for each other (the loop runs several to a register). Only the
        // oscillators that are read need their phases listed; the others just advance.
        for (int k = 0; k < kOscillators; ++k) {
            const std::uint32_t p = phases[k];
            const std::uint32_t step = increments[k];
            if ((read >> k) & 1u) {
                std::uint32_t q = p; // p + i * step, wrapping
                for (int i = 0; i < n; ++i) {
                    out[k][i] = q & kPhaseMask;
                    q += step;
                }
            }
            phases[k] = (p + static_cast<std::uint32_t>(n) * step) & kPhaseMask;
        }
        return;
    }
    const int footage = (syncMode - 1) % kFootages; // modes 1 and 5 -> 16', .. 4 and 8 -> 2'
    std::array<std::uint32_t, kOscillators> p = phases;
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < kOscillators; ++k)
            out[k][i] = p[k];
        const std::uint32_t h = (p[0] + increments[0]) & kPhaseMask;
        const bool reset = ((h << footage) & kPhaseMask) < p[0];
        p[0] = h;
        for (int k = 1; k < kOscillators; ++k)
            p[k] = reset ? h : (p[k] + increments[k]) & kPhaseMask;
    }
    phases = p;
}

namespace {

using Layout = OscillatorLayout;
using FootageTables = OscillatorFootage;
using Chunk = OscillatorChunk;
constexpr int kSawBit = kOscillatorSawBit;
constexpr int kSquareBit = kOscillatorSquareBit;
constexpr int kPulseBit = kOscillatorPulseBit;
constexpr int kWaveCombinations = kOscillatorWaveCombinations;

// The footage j sounds j octaves above 16': the phase times 2^j, modulo one cycle, and its top
// 12 bits. Phases are below 2^28, so these are the phase's bits 16 - j .. 27 - j.
inline int TableIndex(std::uint32_t phase, int footage) {
    return static_cast<int>((phase >> (kPhaseIndexShift - footage)) & (kWaveLength - 1));
}

// Two samples side by side in one register; each lane gets the IEEE operations of one sample, so
// a pair computes exactly what two scalars compute.
using Pair = double __attribute__((vector_size(2 * sizeof(double))));

// Loads, stores and table reads of one sample (double) or of two consecutive ones (Pair), so that
// one body of arithmetic serves both.
template <typename V>
struct Samples;

template <>
struct Samples<double> {
    using Index = int;
    static double Load(const double* p) { return *p; }
    static void Store(double* p, double v) { *p = v; }
    static Index IndexAt(const std::uint32_t* phase, int footage) {
        return kInterleave * TableIndex(*phase, footage);
    }
    static double Read(const double* table, Index x) { return table[x]; }
};

template <>
struct Samples<Pair> {
    struct Index {
        int a, b;
    };
    static Pair Load(const double* p) {
        Pair v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static void Store(double* p, Pair v) { std::memcpy(p, &v, sizeof v); }
    static Index IndexAt(const std::uint32_t* phase, int footage) {
        return {kInterleave * TableIndex(phase[0], footage),
                kInterleave * TableIndex(phase[1], footage)};
    }
    static Pair Read(const double* table, Index x) { return Pair{table[x.a], table[x.b]}; }
};

// Adds one oscillator's enabled waves at table index x to `sum`, in the order saw, square,
// pulse, each times `gain` when Scaled. The square and pulse tables hold exactly the doubles of
// their differences of the saw (SawDifference builds them), so one read replaces two reads, a
// subtraction and a product. The reads go to the interleaved copy of the tables, where the three
// waves of an index share a cache line; `x` is kInterleave times the table index.
template <typename V, int Waves, bool Scaled>
inline V AddWaves(V sum, const double* table, typename Samples<V>::Index x, double gain) {
    const auto term = [&](V v) {
        if constexpr (Scaled)
            return gain * v;
        else
            return v;
    };
    if constexpr ((Waves & kSawBit) != 0)
        sum += term(Samples<V>::Read(table, x));
    if constexpr ((Waves & kSquareBit) != 0)
        sum += term(Samples<V>::Read(table + 1, x));
    if constexpr ((Waves & kPulseBit) != 0)
        sum += term(Samples<V>::Read(table + 2, x));
    return sum;
}

// Adds one footage to the sums at sample i (V = double) or samples i and i + 1 (V = Pair). The
// sums live in locals while the terms are added: the tables are doubles too, so a store into
// the chunk would make the compiler read them again.
template <Layout L, int Waves, bool Interval, typename V>
inline void AddSamples(const FootageTables& t, Chunk& b, int i) {
    using S = Samples<V>;
    const int j = t.footage;
    if constexpr (L != Layout::SyncedStack || Interval) {
        V c = S::Load(&b.c[i]);
        if constexpr (L != Layout::SyncedStack)
            c = AddWaves<V, Waves, L == Layout::Stack>(c, t.tables[0],
                                                       S::IndexAt(&b.phase[0][i], j), kMultiGain);
        if constexpr (Interval)
            c += S::Read(t.tables[3] + 1, S::IndexAt(&b.phase[3][i], j));
        S::Store(&b.c[i], c);
    }
    if constexpr (L != Layout::Plain && Waves != 0) {
        constexpr double gain = L == Layout::Stack ? kMultiGain : kSyncedMultiGain;
        S::Store(&b.l[i], AddWaves<V, Waves, true>(S::Load(&b.l[i]), t.tables[1],
                                                   S::IndexAt(&b.phase[1][i], j), gain));
        S::Store(&b.r[i], AddWaves<V, Waves, true>(S::Load(&b.r[i]), t.tables[2],
                                                   S::IndexAt(&b.phase[2][i], j), gain));
    }
}

// Adds one footage to the sums of a chunk. Each sum receives its terms in the order of the
// plain per-sample loop (footage by footage; saw, square, pulse, then interval), so every sum is
// bit for bit what that loop gives; but the samples' chains of additions are independent and
// run side by side, two samples to a register.
template <Layout L, int Waves, bool Interval>
void AddFootage(const FootageTables& t, Chunk& b, int n) {
    int i = 0;
    for (; i + 1 < n; i += 2)
        AddSamples<L, Waves, Interval, Pair>(t, b, i);
    if (i < n)
        AddSamples<L, Waves, Interval, double>(t, b, i);
}

// Steps 4 and 5 at sample i (V = double) or samples i and i + 1 (V = Pair): noise, stereo spread
// and the gain of the enabled waves, written `stride` doubles apart.
template <bool Noise, typename V>
inline void MixSamples(const Chunk& b, const double* noise, double* left, double* right, int stride,
                       int i, double noiseMix, double stereoSpread, double gain) {
    using S = Samples<V>;
    V c = S::Load(&b.c[i]);
    V l = S::Load(&b.l[i]);
    V r = S::Load(&b.r[i]);
    if constexpr (Noise) {
        const V z = S::Load(&noise[i]);
        c -= (z + c) * noiseMix;
        l -= (z + l) * noiseMix;
        r -= (z + r) * noiseMix;
    }
    const V s = (l - r) * stereoSpread;
    const V t = l + c + r;
    const V outLeft = (s + t) * gain;
    const V outRight = (t - s) * gain;
    if constexpr (sizeof(V) == sizeof(double)) {
        left[i * stride] = outLeft;
        right[i * stride] = outRight;
    } else if (stride == 1) { // voice groups and the one-voice path
        Samples<Pair>::Store(left + i, outLeft);
        Samples<Pair>::Store(right + i, outRight);
    } else {
        left[i * stride] = outLeft[0];
        left[(i + 1) * stride] = outLeft[1];
        right[i * stride] = outRight[0];
        right[(i + 1) * stride] = outRight[1];
    }
}

// Steps 4 and 5 for a chunk. The noise values come first, one after the other from the shared
// generator; the rest runs two samples to a register.
template <bool Noise>
void MixChunk(const Chunk& b, double* left, double* right, int stride, int n,
              std::uint32_t& seedState, double noiseMix, double stereoSpread, double gain) {
    std::array<double, Oscillator::kChunk> noise;
    if constexpr (Noise) {
        std::uint32_t seed = seedState;
        for (int i = 0; i < n; ++i) {
            seed *= kNoiseMultiplier; // wraps like the signed 32-bit product
            noise[i] = static_cast<std::int32_t>(seed) * kNoiseScale;
        }
        seedState = seed;
    }
    int i = 0;
    for (; i + 1 < n; i += 2)
        MixSamples<Noise, Pair>(b, noise.data(), left, right, stride, i, noiseMix, stereoSpread,
                                gain);
    if (i < n)
        MixSamples<Noise, double>(b, noise.data(), left, right, stride, i, noiseMix, stereoSpread,
                                  gain);
}

// Steps 4 and 5 for a chunk whose left and right sums are +0 and without noise. Then s = (0 - 0) ×
// spread is a zero and t = (0 + c) + 0 = 0 + c, and a zero added to or subtracted from t (never
// -0, since 0 + c turns -0 into +0) leaves t; both outputs are (0 + c) × gain, exactly what the
// full expressions give.
void MixCentre(const Chunk& b, double* left, double* right, int stride, int n, std::uint32_t&,
               double, double, double gain) {
    int i = 0;
    for (; i + 1 < n; i += 2) {
        const Pair out = (0.0 + Samples<Pair>::Load(&b.c[i])) * gain;
        left[i * stride] = right[i * stride] = out[0];
        left[(i + 1) * stride] = right[(i + 1) * stride] = out[1];
    }
    if (i < n)
        left[i * stride] = right[i * stride] = (0.0 + b.c[i]) * gain;
}

// Zeros the sums of the chunk's first n samples (the left and right ones only with `sides`). A
// loop of register stores: gcc would turn a fill into a string instruction (rep stos), whose
// start-up costs more than these few stores.
void ClearSums(Chunk& b, int n, bool sides) {
    const Pair zero{};
    for (int i = 0; i < n; i += 2) {
        Samples<Pair>::Store(&b.c[i], zero);
        if (sides) {
            Samples<Pair>::Store(&b.l[i], zero);
            Samples<Pair>::Store(&b.r[i], zero);
        }
        asm("" ::: "memory"); // keeps the loop a loop
    }
}

// Kernels of one layout, indexed by the wave bits plus 8 when the interval sounds.
template <Layout L, std::size_t... I>
constexpr std::array<OscillatorKernels::Footage, sizeof...(I)>
FootageKernels(std::index_sequence<I...>) {
    return {&AddFootage<L, I % kWaveCombinations, (I >= kWaveCombinations)>...};
}

constexpr OscillatorKernels MakeBaseKernels() {
    OscillatorKernels k{};
    constexpr auto indices = std::make_index_sequence<2 * kWaveCombinations>{};
    const auto plain = FootageKernels<Layout::Plain>(indices);
    const auto stack = FootageKernels<Layout::Stack>(indices);
    const auto synced = FootageKernels<Layout::SyncedStack>(indices);
    for (int i = 0; i < 2 * kWaveCombinations; ++i) {
        k.footage[static_cast<int>(Layout::Plain)][i] = plain[i];
        k.footage[static_cast<int>(Layout::Stack)][i] = stack[i];
        k.footage[static_cast<int>(Layout::SyncedStack)][i] = synced[i];
    }
    k.noise = &MixChunk<true>;
    k.sides = &MixChunk<false>;
    k.centre = &MixCentre;
    k.computesPhases = false;
    k.readsQuartered = false;
    return k;
}

constexpr OscillatorKernels kBaseKernels = MakeBaseKernels();

} // namespace

const OscillatorKernels& BaseOscillatorKernels() {
    return kBaseKernels;
}

void Oscillator::Render(std::span<double> left, std::span<double> right) {
    Render(left.data(), right.data(), static_cast<int>(std::min(left.size(), right.size())), 1);
}

void Oscillator::Render(double* left, double* right, int total, int stride) {
    Render(left, right, total, stride, kBaseKernels);
}

void Oscillator::Render(double* left, double* right, int total, int stride,
                        const OscillatorKernels& kernelSet) {
    if (!waves) // rendered without a Prepare (tests): take the tables now
        waves = &OscillatorTables::Wavetables();

    // The footages that sound, with the saw tables of this tick's levels; each enabled wave
    // flag (saw, square, pulse, interval) scales the mix by 0.9.
    const std::array<const FootageFlags*, kWaveforms> waveFlags = {&saw, &square, &pulse};
    std::array<FootageTables, kFootages> footages;
    std::array<OscillatorKernels::Footage, kFootages> kernels;
    int used = 0;
    unsigned read = 0; // bit k: oscillator k is read
    double gain = 1.0;
    for (int j = 0; j < kFootages; ++j) {
        FootageTables& t = footages[used];
        t = FootageTables{};
        for (int w = 0; w < kWaveforms; ++w) {
            if ((*waveFlags[w])[j]) {
                t.waves |= 1 << w;
                gain *= kWaveGain;
            }
        }
        if (interval[j]) {
            t.interval = true;
            gain *= kWaveGain;
        }
        if (t.waves == 0 && !t.interval)
            continue;
        t.layout = !multi[j]                     ? Layout::Plain
                   : syncMode < kFirstSilentSync ? Layout::Stack
                                                 : Layout::SyncedStack;
        for (int k = 0; k < kOscillators; ++k) {
            const int level = tableLevels[k][j];
            t.tables[k] =
                kernelSet.readsQuartered ? waves->Quartered(level) : waves->Interleaved(level);
        }
        if (t.layout != Layout::SyncedStack && t.waves != 0)
            read |= 1u;
        if (t.layout != Layout::Plain && t.waves != 0)
            read |= 6u;
        if (t.interval)
            read |= 8u;
        t.footage = j;
        kernels[used] = kernelSet.footage[static_cast<int>(t.layout)]
                                         [t.waves + (t.interval ? kWaveCombinations : 0)];
        ++used;
    }

    // Without a multi stack and without noise the left and right sums stay +0 (and a finite
    // spread keeps the outputs equal); MixCentre then computes the outputs from the centre alone.
    const bool sides = (read & 6u) != 0 || noiseMix > 0.0 || !std::isfinite(stereoSpread);
    const OscillatorKernels::Mix mix = !sides           ? kernelSet.centre
                                       : noiseMix > 0.0 ? kernelSet.noise
                                                        : kernelSet.sides;
    std::uint32_t seed = noiseSeed.load(std::memory_order_relaxed);
    Chunk b;
    b.listed = syncMode != 0 || !kernelSet.computesPhases;
    for (int start = 0; start < total; start += kChunk) {
        const int n = std::min(kChunk, total - start);
        b.start = phases;
        b.step = increments;
        RunPhases(b.phase, n, b.listed ? read : 0u);
        ClearSums(b, n, sides);
        for (int f = 0; f < used; ++f)
            kernels[f](footages[f], b, n);
        double* l = left + static_cast<std::ptrdiff_t>(start) * stride;
        double* r = right + static_cast<std::ptrdiff_t>(start) * stride;
        mix(b, l, r, stride, n, seed, noiseMix, stereoSpread, gain);
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
