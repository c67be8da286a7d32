#pragma once
// The oscillator's inner loops with four consecutive samples of one voice to an AVX register,
// compiled only by the file built with AVX2 (VoiceGroupAvx2.cpp). Everything here has internal
// linkage, so nothing compiled for AVX2 is shared, through the linker, with code that runs on
// other processors.
//
// Each lane computes one sample with the operations, in the order, of the baseline loops in
// Oscillator.cpp (which run the same expressions two samples to a register), so the output is
// the same bit for bit: every sum receives its terms footage by footage, saw, square, pulse,
// then the interval; nothing is contracted into a fused multiply-add (the file is built with
// -ffp-contract=off, and without FMA instructions).
//
// What makes it faster than the baseline is the reading, not the arithmetic:
// - the table indices of a footage are computed eight to a register before its samples are read;
// - the reads go to the quartered saw tables (OscillatorTables.h): one unaligned 32-byte load,
//   always within one cache line, gives the saw at x, x + 1024, x + 2048 and x + 3072, so the
//   three waves of four samples come from four loads, a 4 x 4 transposition and the saw
//   differences that built the square and pulse tables (the same doubles); the tables of every
//   level take 704 KB instead of 1.4 MB, so a chord's reads hit the second-level cache;
// - the noise generator's next 8 states are its state times 16807^1..16807^8 (products modulo
//   2^32 are associative), so the same sequence comes eight numbers at a time.
#include "engine/OscillatorKernels.h"

#include <array>
#include <cstdint>
#include <immintrin.h>

namespace vorlunda {
namespace {

using WideVector = __m256d; // four samples

// Row bits (index mod 1024, times 8) and column (index / 1024) straight from the phase.
struct WideQuarterShifts {
    __m128i row, column;
    explicit WideQuarterShifts(int footage)
        : row(_mm_cvtsi32_si128(kPhaseIndexShift - footage - 3)),
          column(_mm_cvtsi32_si128(kPhaseIndexShift - footage + 10)) {}
};

inline __m256i WideQuartered(__m256i phase, const WideQuarterShifts& s) {
    const __m256i row = _mm256_and_si256(_mm256_srl_epi32(phase, s.row),
                                         _mm256_set1_epi32((kQuarterLength - 1) * kQuarterRow));
    const __m256i column =
        _mm256_and_si256(_mm256_srl_epi32(phase, s.column), _mm256_set1_epi32(3));
    return _mm256_or_si256(row, column);
}

// The quartered-table offsets (QuarteredIndex) of oscillator k at one footage, for the first n
// samples of a chunk. The table index is bits shift .. shift + 11 of the phase, which lie below
// bit 28, so the unmasked running sum start + i * step gives the same index as the listed
// (masked) phase.
inline void WideIndices(const OscillatorChunk& b, int k, std::int32_t* x, int n, int footage) {
    const WideQuarterShifts shift(footage);
    static_assert(kQuarterRow == 8 && kQuarterLength == 1024 && Oscillator::kChunk % 8 == 0);
    if (!b.listed) {
        const auto step = static_cast<std::int32_t>(b.step[k]);
        __m256i q = _mm256_add_epi32(
            _mm256_set1_epi32(static_cast<std::int32_t>(b.start[k])),
            _mm256_mullo_epi32(_mm256_set1_epi32(step), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
        const __m256i step8 = _mm256_set1_epi32(static_cast<std::int32_t>(8u * b.step[k]));
        for (int i = 0; i < n; i += 8) { // up to 7 entries beyond n, inside the array
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(x + i), WideQuartered(q, shift));
            q = _mm256_add_epi32(q, step8);
        }
        return;
    }
    const std::uint32_t* phase = b.phase[k].data();
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(phase + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(x + i), WideQuartered(p, shift));
    }
    for (; i < n; ++i)
        x[i] = QuarteredIndex(
            static_cast<int>((phase[i] >> (kPhaseIndexShift - footage)) & (kWaveLength - 1)));
}

// One double per sample from entries table[x[0..3]].
inline WideVector WideReadOne(const double* table, const std::int32_t* x) {
    const __m128d lo = _mm_loadh_pd(_mm_load_sd(table + x[0]), table + x[1]);
    const __m128d hi = _mm_loadh_pd(_mm_load_sd(table + x[2]), table + x[3]);
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(lo), hi, 1);
}

// The saw of four samples at their indices x and at x + 2048 and x + 3072, whose differences
// from the saw (SawDifference) are the square and the pulse.
struct WideSaws {
    WideVector saw, half, threeQuarters;
};
// The same of one sample.
struct ScalarSaws {
    double saw, half, threeQuarters;
};

template <int Waves>
inline WideSaws WideRead(const double* table, const std::int32_t* x) {
    if constexpr (Waves == kOscillatorSawBit) {
        const WideVector v = WideReadOne(table, x);
        return {v, v, v};
    } else {
        // Rows [saw at x, x + 1024, x + 2048, x + 3072] of the four samples, transposed.
        const WideVector r0 = _mm256_loadu_pd(table + x[0]);
        const WideVector r1 = _mm256_loadu_pd(table + x[1]);
        const WideVector r2 = _mm256_loadu_pd(table + x[2]);
        const WideVector r3 = _mm256_loadu_pd(table + x[3]);
        const WideVector a = _mm256_unpacklo_pd(r0, r1); // x 0 1, x + 2048 0 1
        const WideVector c = _mm256_unpacklo_pd(r2, r3); // x 2 3, x + 2048 2 3
        WideSaws w;
        w.saw = _mm256_permute2f128_pd(a, c, 0x20);
        w.half = w.threeQuarters = w.saw;
        if constexpr ((Waves & kOscillatorSquareBit) != 0)
            w.half = _mm256_permute2f128_pd(a, c, 0x31);
        if constexpr ((Waves & kOscillatorPulseBit) != 0) {
            const WideVector b = _mm256_unpackhi_pd(r0, r1); // x + 1024, x + 3072 of 0 1
            const WideVector d = _mm256_unpackhi_pd(r2, r3); // the same of 2 3
            w.threeQuarters = _mm256_permute2f128_pd(b, d, 0x31);
        }
        return w;
    }
}

// AddWaves of Oscillator.cpp: the enabled waves added to `sum` in the order saw, square, pulse,
// each times `gain` when Scaled. The square and the pulse are (saw - shifted saw) x 0.5, which
// the tables hold; scaled, gain x ((a - b) x 0.5) is computed as (a - b) x halfGain, halfGain =
// gain x 0.5. Both round the same real number once: halving a difference of two table values
// is exact (no such difference is subnormal), and so is halving the gain. The tests check it for
// every difference of every level.
template <int Waves, bool Scaled, typename Saws, typename V>
inline V WideAddWaves(V sum, const Saws& w, V gain, V halfGain) {
    if constexpr ((Waves & kOscillatorSawBit) != 0)
        sum += Scaled ? gain * w.saw : w.saw;
    if constexpr ((Waves & kOscillatorSquareBit) != 0) {
        const V d = w.saw - w.half;
        sum += Scaled ? d * halfGain : d * 0.5;
    }
    if constexpr ((Waves & kOscillatorPulseBit) != 0) {
        const V d = w.saw - w.threeQuarters;
        sum += Scaled ? d * halfGain : d * 0.5;
    }
    return sum;
}

// Quartered-table offsets per oscillator and sample of a chunk.
using WideIndexArrays = std::int32_t[Oscillator::kOscillators][Oscillator::kChunk];

// Which oscillators a footage reads.
template <OscillatorLayout L, int Waves, bool Interval>
inline constexpr bool kWideReads[Oscillator::kOscillators] = {
    L != OscillatorLayout::SyncedStack&& Waves != 0, L != OscillatorLayout::Plain&& Waves != 0,
    L != OscillatorLayout::Plain&& Waves != 0, Interval};

// One footage added to samples i .. i + 3.
template <OscillatorLayout L, int Waves, bool Interval>
inline void WideAddSamples(const OscillatorFootage& t, OscillatorChunk& b, const WideIndexArrays& x,
                           int i) {
    constexpr double kStackGain = 0.66;       // each oscillator of a multi stack
    constexpr double kSyncedStackGain = 0.75; // each of the two heard when oscillator 0 is silent
    if constexpr (L != OscillatorLayout::SyncedStack || Interval) {
        WideVector c = _mm256_loadu_pd(&b.c[i]);
        if constexpr (L != OscillatorLayout::SyncedStack && Waves != 0) {
            c = WideAddWaves<Waves, L == OscillatorLayout::Stack>(
                c, WideRead<Waves>(t.tables[0], &x[0][i]), _mm256_set1_pd(kStackGain),
                _mm256_set1_pd(kStackGain * 0.5));
        }
        if constexpr (Interval) {
            const WideVector zero = _mm256_setzero_pd();
            c = WideAddWaves<kOscillatorSquareBit, false>(
                c, WideRead<kOscillatorSquareBit>(t.tables[3], &x[3][i]), zero, zero);
        }
        _mm256_storeu_pd(&b.c[i], c);
    }
    if constexpr (L != OscillatorLayout::Plain && Waves != 0) {
        constexpr double gain = L == OscillatorLayout::Stack ? kStackGain : kSyncedStackGain;
        const WideVector g = _mm256_set1_pd(gain);
        const WideVector h = _mm256_set1_pd(gain * 0.5);
        _mm256_storeu_pd(&b.l[i],
                         WideAddWaves<Waves, true>(_mm256_loadu_pd(&b.l[i]),
                                                   WideRead<Waves>(t.tables[1], &x[1][i]), g, h));
        _mm256_storeu_pd(&b.r[i],
                         WideAddWaves<Waves, true>(_mm256_loadu_pd(&b.r[i]),
                                                   WideRead<Waves>(t.tables[2], &x[2][i]), g, h));
    }
}

// The saw at a quartered-table offset and at the square's and the pulse's shifts.
inline ScalarSaws ScalarRead(const double* table, std::int32_t x) {
    return {table[x], table[x + 2], table[x + 3]};
}

// One footage added to sample i alone (the chunk's last one to three samples).
template <OscillatorLayout L, int Waves, bool Interval>
inline void WideAddSample(const OscillatorFootage& t, OscillatorChunk& b, const WideIndexArrays& x,
                          int i) {
    constexpr double kStackGain = 0.66;
    constexpr double kSyncedStackGain = 0.75;
    if constexpr (L != OscillatorLayout::SyncedStack || Interval) {
        double c = b.c[i];
        if constexpr (L != OscillatorLayout::SyncedStack && Waves != 0)
            c = WideAddWaves<Waves, L == OscillatorLayout::Stack>(
                c, ScalarRead(t.tables[0], x[0][i]), kStackGain, kStackGain * 0.5);
        if constexpr (Interval)
            c = WideAddWaves<kOscillatorSquareBit, false>(c, ScalarRead(t.tables[3], x[3][i]), 0.0,
                                                          0.0);
        b.c[i] = c;
    }
    if constexpr (L != OscillatorLayout::Plain && Waves != 0) {
        const double gain = L == OscillatorLayout::Stack ? kStackGain : kSyncedStackGain;
        b.l[i] =
            WideAddWaves<Waves, true>(b.l[i], ScalarRead(t.tables[1], x[1][i]), gain, gain * 0.5);
        b.r[i] =
            WideAddWaves<Waves, true>(b.r[i], ScalarRead(t.tables[2], x[2][i]), gain, gain * 0.5);
    }
}

template <OscillatorLayout L, int Waves, bool Interval>
void WideAddFootage(const OscillatorFootage& t, OscillatorChunk& b, int n) {
    const OscillatorFootage tables = t; // in registers, not reloaded after each store to b
    alignas(32) WideIndexArrays x;
    for (int k = 0; k < Oscillator::kOscillators; ++k) {
        if (kWideReads<L, Waves, Interval>[k])
            WideIndices(b, k, x[k], n, t.footage);
    }
    int i = 0;
    for (; i + 4 <= n; i += 4)
        WideAddSamples<L, Waves, Interval>(tables, b, x, i);
    for (; i < n; ++i)
        WideAddSample<L, Waves, Interval>(tables, b, x, i);
}

// Four doubles to p[0], p[stride], p[2 stride], p[3 stride].
inline void WideStoreStrided(double* p, int stride, WideVector v) {
    if (stride == 1) { // the voice groups' case
        _mm256_storeu_pd(p, v);
        return;
    }
    const __m128d lo = _mm256_castpd256_pd128(v);
    const __m128d hi = _mm256_extractf128_pd(v, 1);
    _mm_store_sd(p, lo);
    _mm_storeh_pd(p + stride, lo);
    _mm_store_sd(p + 2 * stride, hi);
    _mm_storeh_pd(p + 3 * stride, hi);
}

// The noise of the chunk's first n samples, from the shared generator's state `seed` (advanced
// by n steps): seed times 16807 modulo 2^32 at each sample, as a signed 32-bit number times
// about 2^-31.
inline void WideNoise(double* noise, int n, std::uint32_t& seed) {
    constexpr std::uint32_t kMultiplier = 16807;
    constexpr double kScale = 4.6566129e-10;
    std::array<std::uint32_t, 8> powers{}; // 16807^1 .. 16807^8 modulo 2^32
    std::uint32_t power = 1;
    for (std::uint32_t& p : powers)
        p = power *= kMultiplier;
    alignas(32) std::uint32_t states[Oscillator::kChunk];
    const __m256i step = _mm256_set1_epi32(static_cast<std::int32_t>(power));
    __m256i s = _mm256_mullo_epi32(_mm256_set1_epi32(static_cast<std::int32_t>(seed)),
                                   _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&powers)));
    const WideVector scale = _mm256_set1_pd(kScale);
    for (int i = 0; i < n; i += 8) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(states + i), s);
        _mm256_storeu_pd(noise + i, _mm256_cvtepi32_pd(_mm256_castsi256_si128(s)) * scale);
        _mm256_storeu_pd(noise + i + 4, _mm256_cvtepi32_pd(_mm256_extracti128_si256(s, 1)) * scale);
        s = _mm256_mullo_epi32(s, step);
    }
    if (n > 0)
        seed = states[n - 1];
}

// Noise, stereo spread and gain, as MixSamples of Oscillator.cpp computes them.
template <bool Noise, typename V>
inline void WideMixSample(V& outLeft, V& outRight, V c, V l, V r, V z, V noiseMix, V spread,
                          V gain) {
    if constexpr (Noise) {
        c -= (z + c) * noiseMix;
        l -= (z + l) * noiseMix;
        r -= (z + r) * noiseMix;
    }
    const V s = (l - r) * spread;
    const V t = l + c + r;
    outLeft = (s + t) * gain;
    outRight = (t - s) * gain;
}

template <bool Noise>
void WideMix(const OscillatorChunk& b, double* left, double* right, int stride, int n,
             std::uint32_t& seed, double noiseMix, double stereoSpread, double gain) {
    alignas(32) double noise[Oscillator::kChunk];
    if constexpr (Noise)
        WideNoise(noise, n, seed);
    const WideVector mix4 = _mm256_set1_pd(noiseMix);
    const WideVector spread4 = _mm256_set1_pd(stereoSpread);
    const WideVector gain4 = _mm256_set1_pd(gain);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        WideVector outLeft, outRight;
        const WideVector z = Noise ? _mm256_loadu_pd(noise + i) : _mm256_setzero_pd();
        WideMixSample<Noise>(outLeft, outRight, _mm256_loadu_pd(&b.c[i]), _mm256_loadu_pd(&b.l[i]),
                             _mm256_loadu_pd(&b.r[i]), z, mix4, spread4, gain4);
        WideStoreStrided(left + i * stride, stride, outLeft);
        WideStoreStrided(right + i * stride, stride, outRight);
    }
    for (; i < n; ++i) {
        double outLeft, outRight;
        WideMixSample<Noise>(outLeft, outRight, b.c[i], b.l[i], b.r[i], Noise ? noise[i] : 0.0,
                             noiseMix, stereoSpread, gain);
        left[i * stride] = outLeft;
        right[i * stride] = outRight;
    }
}

// Left and right sums +0, no noise: both outputs (0 + c) x gain (see MixCentre).
void WideMixCentre(const OscillatorChunk& b, double* left, double* right, int stride, int n,
                   std::uint32_t&, double, double, double gain) {
    const WideVector gain4 = _mm256_set1_pd(gain);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const WideVector out = (_mm256_setzero_pd() + _mm256_loadu_pd(&b.c[i])) * gain4;
        WideStoreStrided(left + i * stride, stride, out);
        WideStoreStrided(right + i * stride, stride, out);
    }
    for (; i < n; ++i)
        left[i * stride] = right[i * stride] = (0.0 + b.c[i]) * gain;
}

template <OscillatorLayout L, std::size_t... I>
constexpr std::array<OscillatorKernels::Footage, sizeof...(I)>
WideFootageKernels(std::index_sequence<I...>) {
    return {
        &WideAddFootage<L, I % kOscillatorWaveCombinations, (I >= kOscillatorWaveCombinations)>...};
}

constexpr OscillatorKernels MakeWideOscillatorKernels() {
    OscillatorKernels k{};
    constexpr auto indices = std::make_index_sequence<2 * kOscillatorWaveCombinations>{};
    const auto plain = WideFootageKernels<OscillatorLayout::Plain>(indices);
    const auto stack = WideFootageKernels<OscillatorLayout::Stack>(indices);
    const auto synced = WideFootageKernels<OscillatorLayout::SyncedStack>(indices);
    for (int i = 0; i < 2 * kOscillatorWaveCombinations; ++i) {
        k.footage[static_cast<int>(OscillatorLayout::Plain)][i] = plain[i];
        k.footage[static_cast<int>(OscillatorLayout::Stack)][i] = stack[i];
        k.footage[static_cast<int>(OscillatorLayout::SyncedStack)][i] = synced[i];
    }
    k.noise = &WideMix<true>;
    k.sides = &WideMix<false>;
    k.centre = &WideMixCentre;
    k.computesPhases = true;
    k.readsQuartered = true;
    return k;
}

} // namespace
} // namespace vorlunda
