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
    const double* inLeft = lanes.inLeft;
    const double* inRight = lanes.inRight;
    double* outLeft = lanes.outLeft;
    double* outRight = lanes.outRight;
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            filterEnvelope.template Step<false>();
            ampEnvelope.template Step<true>();
        }
        const V l = FilterTick<W, Lowpass, Poles>(left, q, S::Load(inLeft + i * W), cLeft);
        const V r = FilterTick<W, Lowpass, Poles>(right, q, S::Load(inRight + i * W), cRight);
        S::Store(outLeft + i * W, l * ampEnvelope.output);
        S::Store(outRight + i * W, r * ampEnvelope.output);
        cLeft = -cLeft;
        cRight = -cRight;
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
