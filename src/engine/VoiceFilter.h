#pragma once

#include "engine/OscillatorTables.h"

#include <array>
#include <memory>
#include <span>

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
    template <bool Lowpass>
    void ProcessPair(std::span<double> left, std::span<double> right);

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

} // namespace vorlunda
