#pragma once
// The group kernel, written once for any register width and compiled by VoiceGroupSse2.cpp
// (two lanes) and VoiceGroupAvx2.cpp (four lanes, with AVX2 enabled for that file only).
// Everything here has internal linkage: no inline function compiled with AVX2 may be shared with
// code that runs on processors without it.
//
// Each lane does exactly the IEEE operations, in the same order, that the one-voice code does
// for its voice (VoiceFilter::Tick, Envelope::Step, the mix product in Vorlunda2::RenderVoice),
// so a group renders bit for bit what the voices render one after the other. No fused
// multiply-add: the files are built with -ffp-contract=off.
#include "engine/VoiceGroupLanes.h"

#include <algorithm>
#include <cfloat>
#include <immintrin.h>

namespace vorlunda {
namespace {

template <int W>
struct GroupSimd;

// V holds one double per lane; M is a mask of lanes (a register of all-ones or all-zeros lanes
// here, a mask register with AVX-512).
template <>
struct GroupSimd<2> {
    using V = __m128d;
    using M = __m128d;
    static V Load(const double* p) { return _mm_loadu_pd(p); }
    static void Store(double* p, V v) { _mm_storeu_pd(p, v); }
    static V Splat(double x) { return _mm_set1_pd(x); }
    static V Min(V a, V b) { return _mm_min_pd(a, b); }
    static V Max(V a, V b) { return _mm_max_pd(a, b); }
    static V And(V a, V b) { return _mm_and_pd(a, b); }
    static V AndNot(V a, V b) { return _mm_andnot_pd(a, b); } // ~a & b
    static V Or(V a, V b) { return _mm_or_pd(a, b); }
    static V Less(V a, V b) { return _mm_cmplt_pd(a, b); }
    static V LessEqual(V a, V b) { return _mm_cmple_pd(a, b); }
    static V Equal(V a, V b) { return _mm_cmpeq_pd(a, b); }
    static V Select(V mask, V a, V b) { return Or(And(mask, a), AndNot(mask, b)); }
    static bool Any(V mask) { return _mm_movemask_pd(mask) != 0; }
    static M None() { return _mm_setzero_pd(); }
    static V Abs(V x) { return AndNot(Splat(-0.0), x); }
    static V ZeroIf(M mask, V x) { return AndNot(mask, x); }
    // Samples start, start + 1 of both lanes (lane v's at in + v n) as rows of one sample each.
    static void Transpose(const double* in, int n, int start, double (*rows)[2]) {
        const V a = Load(in + start);
        const V b = Load(in + n + start);
        Store(rows[0], _mm_unpacklo_pd(a, b));
        Store(rows[1], _mm_unpackhi_pd(a, b));
    }
};

#if defined(__AVX2__)
template <>
struct GroupSimd<4> {
    using V = __m256d;
    using M = __m256d;
    static V Load(const double* p) { return _mm256_loadu_pd(p); }
    static void Store(double* p, V v) { _mm256_storeu_pd(p, v); }
    static V Splat(double x) { return _mm256_set1_pd(x); }
    static V Min(V a, V b) { return _mm256_min_pd(a, b); }
    static V Max(V a, V b) { return _mm256_max_pd(a, b); }
    static V And(V a, V b) { return _mm256_and_pd(a, b); }
    static V AndNot(V a, V b) { return _mm256_andnot_pd(a, b); }
    static V Or(V a, V b) { return _mm256_or_pd(a, b); }
    static V Less(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static V LessEqual(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }
    static V Equal(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
    static V Select(V mask, V a, V b) { return _mm256_blendv_pd(b, a, mask); }
    static bool Any(V mask) { return _mm256_movemask_pd(mask) != 0; }
    static M None() { return _mm256_setzero_pd(); }
    static V Abs(V x) { return AndNot(Splat(-0.0), x); }
    static V ZeroIf(M mask, V x) { return AndNot(mask, x); }
    // Samples start .. start + 3 of the four lanes as rows of one sample each.
    static void Transpose(const double* in, int n, int start, double (*rows)[4]) {
        const V r0 = Load(in + start);
        const V r1 = Load(in + n + start);
        const V r2 = Load(in + 2 * n + start);
        const V r3 = Load(in + 3 * n + start);
        const V t0 = _mm256_unpacklo_pd(r0, r1); // samples 0 and 2 of lanes 0, 1
        const V t1 = _mm256_unpackhi_pd(r0, r1); // samples 1 and 3
        const V t2 = _mm256_unpacklo_pd(r2, r3);
        const V t3 = _mm256_unpackhi_pd(r2, r3);
        Store(rows[0], _mm256_permute2f128_pd(t0, t2, 0x20));
        Store(rows[1], _mm256_permute2f128_pd(t1, t3, 0x20));
        Store(rows[2], _mm256_permute2f128_pd(t0, t2, 0x31));
        Store(rows[3], _mm256_permute2f128_pd(t1, t3, 0x31));
    }
};
#endif

#if defined(__AVX512F__) && defined(__AVX512DQ__)
template <>
struct GroupSimd<8> {
    using V = __m512d;
    using M = __mmask8;
    static V Load(const double* p) { return _mm512_loadu_pd(p); }
    static void Store(double* p, V v) { _mm512_storeu_pd(p, v); }
    static V Splat(double x) { return _mm512_set1_pd(x); }
    // The masked forms with every lane selected are the same instructions; gcc 12 reports the
    // plain forms' undefined pass-through operand as uninitialised.
    static V Min(V a, V b) { return _mm512_mask_min_pd(a, 0xFF, a, b); }
    static V Max(V a, V b) { return _mm512_mask_max_pd(a, 0xFF, a, b); }
    static M And(M a, M b) { return static_cast<M>(a & b); }
    static M AndNot(M a, M b) { return static_cast<M>(~a & b); }
    static M Or(M a, M b) { return static_cast<M>(a | b); }
    static M Less(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static M LessEqual(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_LE_OQ); }
    static M Equal(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
    static V Select(M mask, V a, V b) { return _mm512_mask_blend_pd(mask, b, a); }
    static bool Any(M mask) { return mask != 0; }
    static M None() { return 0; }
    static V Abs(V x) { return _mm512_andnot_pd(Splat(-0.0), x); }
    static V ZeroIf(M mask, V x) { return _mm512_maskz_mov_pd(static_cast<M>(~mask), x); }
    // Samples start .. start + 7 of the eight lanes as rows of one sample each: pairs of
    // lanes, then 128-bit blocks, then the blocks' halves.
    static void Transpose(const double* in, int n, int start, double (*rows)[8]) {
        V r[8];
        for (int v = 0; v < 8; ++v)
            r[v] = Load(in + v * n + start);
        V t[8];
        for (int v = 0; v < 8; v += 2) {
            t[v] = _mm512_mask_unpacklo_pd(r[v], 0xFF, r[v], r[v + 1]);     // samples 0 2 4 6
            t[v + 1] = _mm512_mask_unpackhi_pd(r[v], 0xFF, r[v], r[v + 1]); // samples 1 3 5 7
        }
        V u[8];
        for (int h = 0; h < 8; h += 4) {                 // lanes 0..3, then 4..7
            u[h] = Blocks<0x88>(t[h], t[h + 2]);         // samples 0, 4
            u[h + 1] = Blocks<0xDD>(t[h], t[h + 2]);     // samples 2, 6
            u[h + 2] = Blocks<0x88>(t[h + 1], t[h + 3]); // samples 1, 5
            u[h + 3] = Blocks<0xDD>(t[h + 1], t[h + 3]); // samples 3, 7
        }
        Store(rows[0], Blocks<0x88>(u[0], u[4]));
        Store(rows[4], Blocks<0xDD>(u[0], u[4]));
        Store(rows[2], Blocks<0x88>(u[1], u[5]));
        Store(rows[6], Blocks<0xDD>(u[1], u[5]));
        Store(rows[1], Blocks<0x88>(u[2], u[6]));
        Store(rows[5], Blocks<0xDD>(u[2], u[6]));
        Store(rows[3], Blocks<0x88>(u[3], u[7]));
        Store(rows[7], Blocks<0xDD>(u[3], u[7]));
    }
    // 128-bit blocks of a and b chosen by Imm (_mm512_shuffle_f64x2).
    template <int Imm>
    static V Blocks(V a, V b) {
        return _mm512_mask_shuffle_f64x2(a, 0xFF, a, b, Imm);
    }
};
#endif

// One envelope per lane in registers. `attack` and `falling` are the lanes in stage 1 and in
// stages 2 or 3: only those can end a segment, so the common step needs no stage test.
template <int W>
struct EnvelopeRegs {
    using S = GroupSimd<W>;
    using V = typename S::V;
    using M = typename S::M;
    V level, target, coefficient, output, scale, stage, decayCoefficient, sustain;
    M attack, falling;
    M ended;          // lanes that went idle during this chunk
    V endCoefficient; // their coefficient when they did

    void Load(const EnvelopeLanes& e) {
        level = S::Load(e.level);
        target = S::Load(e.target);
        coefficient = S::Load(e.coefficient);
        output = S::Load(e.output);
        scale = S::Load(e.scale);
        stage = S::Load(e.stage);
        decayCoefficient = S::Load(e.decayCoefficient);
        sustain = S::Load(e.sustain);
        attack = S::Equal(stage, S::Splat(1.0));
        falling = S::Less(S::Splat(1.0), stage);
        ended = S::None();
        endCoefficient = coefficient;
    }

    void Store(EnvelopeLanes& e) const {
        S::Store(e.level, level);
        S::Store(e.target, target);
        S::Store(e.coefficient, S::Select(ended, endCoefficient, coefficient));
        S::Store(e.output, output);
        S::Store(e.stage, stage);
    }

    // |x| below the smallest normal double becomes +0, as the scalar step flushes.
    static V Flush(V x) { return S::ZeroIf(S::Less(S::Abs(x), S::Splat(DBL_MIN)), x); }

    // Envelope::Step on every lane. Without Output the step leaves the output to FinishOutput:
    // nothing reads the filter envelope's output inside a chunk, and the output of its last step
    // depends only on the final level.
    template <bool Output>
    void Step() {
        V next = Flush(level + (target - level) * coefficient);
        const M reached = S::And(attack, S::LessEqual(S::Splat(1.0), next));
        const M empty = S::And(falling, S::LessEqual(next, S::Splat(0.0)));
        if (S::Any(S::Or(reached, empty))) [[unlikely]]
            next = EndSegments(next, reached);
        level = next;
        if constexpr (Output)
            output = Flush(scale * next);
    }

    // The output of the last step, for an envelope stepped without Output at least once. A lane
    // that went idle earlier keeps level 0, so this is the output of the step that ended it.
    void FinishOutput() { output = Flush(scale * level); }

    // The attack's end (level 1, decay toward the sustain) and the end of a decay or release
    // (level 0, idle). An idle lane keeps stepping from level 0 with coefficient 0, which leaves
    // level and output at 0 as the idle scalar envelope leaves them.
    V EndSegments(V next, M reached) {
        next = S::Select(reached, S::Splat(1.0), next);
        stage = S::Select(reached, S::Splat(2.0), stage);
        coefficient = S::Select(reached, decayCoefficient, coefficient);
        target = S::Select(reached, sustain, target);
        attack = S::AndNot(reached, attack);
        falling = S::Or(falling, reached);
        const M empty = S::And(falling, S::LessEqual(next, S::Splat(0.0)));
        next = S::ZeroIf(empty, next);
        stage = S::ZeroIf(empty, stage);
        falling = S::AndNot(empty, falling);
        endCoefficient = S::Select(empty, coefficient, endCoefficient);
        coefficient = S::ZeroIf(empty, coefficient);
        ended = S::Or(ended, empty);
        return next;
    }
};

// The filter coefficients of every lane.
template <int W>
struct FilterCoefficients {
    using V = typename GroupSimd<W>::V;
    V g, g4, m, k, normaliser;
};

// VoiceFilter::Tick on every lane, for one channel.
template <int W, bool Lowpass, int Poles>
inline typename GroupSimd<W>::V FilterTick(typename GroupSimd<W>::V (&s)[4],
                                           const FilterCoefficients<W>& q,
                                           typename GroupSimd<W>::V x, typename GroupSimd<W>::V c) {
    using S = GroupSimd<W>;
    using V = typename S::V;
    V s1 = s[0] + c;
    V s2 = s[1] + c;
    V s3 = s[2] + c;
    V s4 = s[3] + c;
    const V g = q.g;
    const V m = q.m;
    const V in = c + x;
    const V y = (((s1 * g + s2) * g + s3) * g + s4 + in * q.g4) * q.normaliser;
    const V u = (in - S::Max(S::Splat(-1.0), S::Min(S::Splat(1.0), y)) * q.k) * g;
    const V y1 = s1 + u;
    const V y2 = s2 + y1 * g;
    const V y3 = s3 + y2 * g;
    if constexpr (Lowpass) {
        s[0] = u - y1 * m;
        s[1] = y1 * g - y2 * m;
        s[2] = y2 * g - y3 * m;
        s[3] = y3 * g - (s4 + y3 * g) * m;
    } else {
        s[0] = -u - y1 * m;
        s[1] = -(y1 * g) - y2 * m;
        s[2] = -(y2 * g) - y3 * m;
        s[3] = -(y3 * g) - (s4 + y3 * g) * m;
    }
    if constexpr (Poles == 0)
        return y1;
    else if constexpr (Poles == 1)
        return y2;
    else if constexpr (Poles == 2)
        return y3;
    else
        return y;
}

template <int W, bool Lowpass, int Poles>
void RenderGroup(VoiceGroupLanes& lanes) {
    using S = GroupSimd<W>;
    using V = typename S::V;
    FilterLanes& f = lanes.filter;
    const FilterCoefficients<W> q{S::Load(f.g), S::Load(f.g4), S::Load(f.m), S::Load(f.k),
                                  S::Load(f.normaliser)};
    V left[4], right[4];
    for (int j = 0; j < 4; ++j) {
        left[j] = S::Load(f.left[j]);
        right[j] = S::Load(f.right[j]);
    }
    V cLeft = S::Load(f.biasLeft);
    V cRight = S::Load(f.biasRight);
    EnvelopeRegs<W> filterEnvelope;
    EnvelopeRegs<W> ampEnvelope;
    filterEnvelope.Load(lanes.filterEnvelope);
    ampEnvelope.Load(lanes.ampEnvelope);

    const int n = lanes.samples;
    double* outLeft = lanes.outLeft;
    double* outRight = lanes.outRight;
    alignas(64) double rowsLeft[W][W];
    alignas(64) double rowsRight[W][W];
    for (int start = 0; start < n; start += W) {
        S::Transpose(lanes.inLeft, n, start, rowsLeft);
        S::Transpose(lanes.inRight, n, start, rowsRight);
        const int end = std::min(start + W, n);
        for (int i = start; i < end; ++i) {
            if (i > 0) {
                filterEnvelope.template Step<false>();
                ampEnvelope.template Step<true>();
            }
            const V l = FilterTick<W, Lowpass, Poles>(left, q, S::Load(rowsLeft[i - start]), cLeft);
            const V r =
                FilterTick<W, Lowpass, Poles>(right, q, S::Load(rowsRight[i - start]), cRight);
            S::Store(outLeft + i * W, l * ampEnvelope.output);
            S::Store(outRight + i * W, r * ampEnvelope.output);
            cLeft = -cLeft;
            cRight = -cRight;
        }
    }

    for (int j = 0; j < 4; ++j) {
        S::Store(f.left[j], left[j]);
        S::Store(f.right[j], right[j]);
    }
    if (n > 1)
        filterEnvelope.FinishOutput();
    filterEnvelope.Store(lanes.filterEnvelope);
    ampEnvelope.Store(lanes.ampEnvelope);
}

template <int W>
constexpr VoiceGroupKernels MakeGroupKernels() {
    return {W,
            {{&RenderGroup<W, false, 0>, &RenderGroup<W, false, 1>, &RenderGroup<W, false, 2>,
              &RenderGroup<W, false, 3>},
             {&RenderGroup<W, true, 0>, &RenderGroup<W, true, 1>, &RenderGroup<W, true, 2>,
              &RenderGroup<W, true, 3>}}};
}

} // namespace
} // namespace vorlunda
