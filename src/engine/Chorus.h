#pragma once

#include <array>
#include <vector>

namespace vorlunda {

/// The master three-tap stereo chorus; it reads the mix and writes the host outputs.
///
/// Two three-phase triangle LFOs, stepped once per control tick, set a target delay per tap
/// between 1 ms and 17 ms; each delay glides linearly to its target over about one tick. The
/// taps read the mono sum of the mix with linear interpolation and are panned by "Stereo".
///
/// Constructor and Prepare allocate the delay line (never the audio path); the setters belong to
/// parameter application; Tick and Process run on the audio thread, allocate nothing and never
/// throw. Reads stay inside the line for any depth, sample rate and tick cadence.
class Chorus {
public:
    static constexpr int kTaps = 3;

    /// Ready for a rate of 1 Hz (a line of a few samples) until the first Prepare.
    Chorus();

    /// Sizes the line for the rate (Hz) and clears line, delays and depth. The depth stays 0 until
    /// SetDepth or SetType is applied again.
    void Prepare(double sampleRate);

    /// "Cho Mix" 0..1: equal-power crossfade between dry and wet.
    void SetMix(double mix);
    /// "Stereo" 0..1: how far taps 0 and 1 are panned apart.
    void SetStereo(double stereo);
    /// "Cho Type": 0 "Mode 1", 1 "Mode 2" load both LFO rates and the depth.
    void SetType(int type);
    /// "Cho LFO1" / "Cho LFO2" rate settings 0..100 (plain parameter values).
    void SetLfo1Rate(double setting);
    void SetLfo2Rate(double setting);
    /// "Cho Dpt" 0..1.
    void SetDepth(double amount);

    /// One control tick: both LFOs step, then each tap's delay heads for its new target.
    void Tick();

    /// Writes n samples of chorus and dry signal to the outputs. The outputs may be the inputs.
    void Process(const double* inLeft, const double* inRight, double* outLeft, double* outRight,
                 int n);

    /// Samples in the delay line.
    int LineLength() const { return lineLength; }

private:
    /// Three triangle outputs 0..1 a third of a cycle apart.
    struct TriangleLfo {
        std::array<double, kTaps> output{};
        std::array<double, kTaps> phase{-1.0, -0.33333333333333337, 0.33333333333333326};
        double increment = 0.0; // phase units per tick; a cycle is 2 / increment ticks

        void Tick();
    };

    double ReadTap(double delaySamples) const;

    TriangleLfo lfoA;
    TriangleLfo lfoB;
    double sampleRate = 0.0;  // Hz
    double slopeScale = 0.0;  // 999 / sample rate: glide over 0.999 of a 1 ms tick
    std::vector<double> line; // the mono input, shared by the three taps
    int lineLength = 0;       // samples
    int writeIndex = 0;
    std::array<double, kTaps> delay{}; // samples
    std::array<double, kTaps> slope{}; // samples per sample
    double dry = 1.0;
    double wet = 0.0;
    double stereo = 0.0;
    double depth = 0.0;
};

} // namespace vorlunda
