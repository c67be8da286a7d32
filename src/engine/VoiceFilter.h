#pragma once

#include "engine/OscillatorTables.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vorlunda {

// Cut-off as radians per sample for each pitch 0..17280, without pre-warping.
using CutoffTable = PitchTable<double>;

// The per-tick cut-off modulation sources, read by value at each coefficient update instead of
// being referenced, so the filter knows nothing of the voice or the instrument.
struct FilterModulation {
    double envelope = 0.0;    // the voice's filter-envelope output, 0..1
    double wheelOffset = 0.0; // the voice's cut-off wheel offset, 1/128 semitone
    double lfo = 0.0;         // the voice's faded LFO-to-cutoff amount, -1..1
    double keyTrack = 0.0;    // octaves from note 48
    double velocity = 0.0;    // velocity / 127
};

// One voice's four-stage resonant filter: bilinear one-pole sections (lowpass or highpass) in
// a cascade with global feedback, solved with a zero-delay estimate of the last stage and a
// clamped feedback term. Taps after 1..4 stages give 6, 12, 18 or 24 dB per octave.
//
// Threads: the setters and Prepare run wherever parameters are applied (under the plug-in
// lock); UpdateCoefficients and Process run on the audio thread and never allocate, lock or
// throw. Prepare allocates (it may build a table) and must not run during Process.
class VoiceFilter {
public:
    static constexpr int kHighpass = 0;
    static constexpr int kLowpass = 1;
    static constexpr double kFeedbackClamp = 1.0; // the fed-back estimate is clamped to +-1

    // Lowpass, 24 dB, states reset; the table is the current shared one.
    VoiceFilter();

    // Takes the cut-off table for `sampleRate` (Hz; a non-positive or non-finite rate keeps the
    // current one) and resets the states and coefficients.
    void Prepare(double sampleRate);

    // Parameter application.
    void SetMode(int mode);   // kHighpass or kLowpass (clamped); a change resets the states
    void SetPoles(int poles); // 0..3 = 6, 12, 18, 24 dB per octave (clamped)
    void SetResonance(double r) { resonance = r; }                 // 0..1
    void SetEnvelopeDepth(double depth) { envelopeDepth = depth; } // 1/128 semitone at env 1
    void SetLfoDepth(double depth) { lfoDepth = depth; }           // 1/128 semitone at LFO 1
    void SetKeyDepth(double depth) { keyDepth = depth; }           // 1/128 semitone per octave
    void SetVelocityDepth(double depth) { velocityDepth = depth; } // 1/128 semitone at vel 1

    // Once per control tick while the voice is active. `cutoffPitch` in 1/128 semitone.
    void UpdateCoefficients(int cutoffPitch, const FilterModulation& mod);

    // Filters both buffers in place: all of the left, then all of the right (equal lengths run
    // side by side with exactly the same result).
    void Process(std::span<double> left, std::span<double> right);

    // Filters two channels of equal length (the shorter one's) exactly as Process does, but
    // hands each sample's output to `sink(i, left, right)`, in order, instead of writing it
    // back. A caller that consumes the samples in the sink does its work while the filter's long
    // chain of dependent operations runs, instead of after it. Audio thread; the sink must not
    // change this filter.
    template <typename Sink>
    void ProcessPair(std::span<const double> left, std::span<const double> right, Sink&& sink);

    // Read access (inspection and tests).
    int Mode() const { return mode; }
    int Poles() const { return poles; }
    int CachedPitch() const { return cachedPitch; }
    double StageGain() const { return g; }
    double PoleCoefficient() const { return m; }
    double Feedback() const { return k; }
    double Normaliser() const { return normaliser; }
    double SampleRate() const { return cutoffTable->sampleRate; }

    // The process-wide cut-off table for `sampleRate` (Hz), rebuilt when the rate differs from
    // the last one asked for. Allocates and locks: construction and prepare only.
    static std::shared_ptr<const CutoffTable> Cutoffs(double sampleRate);
    static void BuildCutoffs(CutoffTable& out, double sampleRate);

private:
    friend class VoiceGroupRenderer; // runs the filters of several voices side by side

    struct Stages {
        double s1, s2, s3, s4;
    };

    struct Kernel;

    void Reset();
    void SetPitch(int pitch);
    template <bool Lowpass>
    static double Tick(Stages& st, const Kernel& q, double x, double c);
    template <bool Lowpass>
    void ProcessChannel(Stages& st, std::span<double> x);
    template <bool Lowpass, int Poles, typename Sink>
    void RunPair(const double* left, const double* right, std::size_t n, Sink& sink);

    std::shared_ptr<const CutoffTable> cutoffTable;
    int mode = kLowpass;
    int poles = 3;
    double resonance = 0.0;
    double envelopeDepth = 0.0;
    double lfoDepth = 0.0;
    double keyDepth = 0.0;
    double velocityDepth = 0.0;
    double g4 = 0.0;         // g^4
    double g = 0.0;          // stage input gain
    double m = 0.0;          // pole coefficient (w - 2) / (w + 2)
    double k = 0.0;          // feedback, resonance * 4.2
    double normaliser = 1.0; // 1 / (k * g^4 + 1)
    int cachedPitch = 0;
    std::array<Stages, 2> state{}; // left, right
    double bias = 1e-13;           // flips sign every sample, keeps the states off denormals
};

namespace filter_detail {

// The left and right channel side by side in one register. Every operation on it is the IEEE
// operation of each lane alone, so a pair computes exactly what two scalars compute; the scalar
// Tick in VoiceFilter.cpp is the reference that the tests compare it with.
using Lanes = double __attribute__((vector_size(2 * sizeof(double))));

// std::clamp(y, -limit, limit) lane by lane, NaN included: a lane passes unless it is below or
// above. SSE2's minimum and maximum return their second operand for a NaN lane and for equal
// lanes, so min(limit, y) then max(-limit, that) is exactly the clamp, in two short operations
// on the filter's critical path instead of two compare-and-select sequences.
inline Lanes Clamp(Lanes y, double limit) {
#if defined(__SSE2__)
    return _mm_max_pd(_mm_set1_pd(-limit), _mm_min_pd(_mm_set1_pd(limit), y));
#else
    const Lanes lo = {-limit, -limit};
    const Lanes hi = {limit, limit};
    return y < lo ? lo : (hi < y ? hi : y);
#endif
}

} // namespace filter_detail

// Both channels in one loop: the arithmetic of Tick on both channels at once, with the right
// channel's bias sequence starting where the left one's ends. The tap is a template argument and
// the states stay in registers for the whole block.
template <bool Lowpass, int Poles, typename Sink>
void VoiceFilter::RunPair(const double* left, const double* right, std::size_t n, Sink& sink) {
    using filter_detail::Lanes;
    const Lanes g = {this->g, this->g};
    const Lanes g4 = {this->g4, this->g4};
    const Lanes m = {this->m, this->m};
    const Lanes k = {this->k, this->k};
    const Lanes normaliser = {this->normaliser, this->normaliser};
    Lanes s1 = {state[0].s1, state[1].s1};
    Lanes s2 = {state[0].s2, state[1].s2};
    Lanes s3 = {state[0].s3, state[1].s3};
    Lanes s4 = {state[0].s4, state[1].s4};
    Lanes c = {bias, n % 2 ? -bias : bias};
    for (std::size_t i = 0; i < n; ++i) {
        s1 += c;
        s2 += c;
        s3 += c;
        s4 += c;
        const Lanes x = {left[i], right[i]};
        const Lanes in = c + x;
        const Lanes y = (((s1 * g + s2) * g + s3) * g + s4 + in * g4) * normaliser;
        const Lanes u = (in - filter_detail::Clamp(y, kFeedbackClamp) * k) * g;
        const Lanes y1 = s1 + u;
        const Lanes y2 = s2 + y1 * g;
        const Lanes y3 = s3 + y2 * g;
        if constexpr (Lowpass) {
            s1 = u - y1 * m;
            s2 = y1 * g - y2 * m;
            s3 = y2 * g - y3 * m;
            s4 = y3 * g - (s4 + y3 * g) * m;
        } else {
            s1 = -u - y1 * m;
            s2 = -(y1 * g) - y2 * m;
            s3 = -(y2 * g) - y3 * m;
            s4 = -(y3 * g) - (s4 + y3 * g) * m;
        }
        const Lanes out = Poles == 0 ? y1 : Poles == 1 ? y2 : Poles == 2 ? y3 : y;
        sink(i, out[0], out[1]);
        c = -c;
    }
    state[0] = {s1[0], s2[0], s3[0], s4[0]};
    state[1] = {s1[1], s2[1], s3[1], s4[1]};
    // 2n flips leave the bias where it was.
}

template <typename Sink>
void VoiceFilter::ProcessPair(std::span<const double> left, std::span<const double> right,
                              Sink&& sink) {
    const std::size_t n = std::min(left.size(), right.size());
    const auto run = [&]<bool Lowpass>() {
        switch (poles) {
        case 0:
            RunPair<Lowpass, 0>(left.data(), right.data(), n, sink);
            break;
        case 1:
            RunPair<Lowpass, 1>(left.data(), right.data(), n, sink);
            break;
        case 2:
            RunPair<Lowpass, 2>(left.data(), right.data(), n, sink);
            break;
        default:
            RunPair<Lowpass, 3>(left.data(), right.data(), n, sink);
            break;
        }
    };
    if (mode == kLowpass)
        run.template operator()<true>();
    else
        run.template operator()<false>();
}

} // namespace vorlunda
