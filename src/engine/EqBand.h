#pragma once

#include <array>

namespace vorlunda {

/// One band of the master equaliser: a stereo peaking biquad, one octave wide, ±15 dB.
///
/// A band whose gain is exactly 0 dB is disabled: Process leaves the signal untouched and its
/// state frozen, so a flat equaliser costs nothing. Denormals are avoided by a tiny offset
/// (±1e-13) that flips sign every sample. When the input has fallen silent (exact zeros) and
/// the state holds nothing but the offset's echo, a channel rests: state cleared, output exact
/// zero, until sound comes back; so a release tail ends in silence, not in the offset.
///
/// SetSampleRate and Design belong to engine reset; SetGain to parameter application; Process
/// to the audio thread. None allocates or throws.
class EqBand {
public:
    /// Centre frequencies of the seven bands, "EQ 100" .. "EQ 12K".
    static constexpr std::array<double, 7> kCentreFrequencies{100.0,  200.0,  400.0,  1000.0,
                                                              2500.0, 5000.0, 12000.0}; // Hz

    /// Designed for 1000 Hz at 44100 Hz, 0 dB (disabled).
    EqBand();

    /// Takes the rate (Hz) at single precision, as the design expects; call Design afterwards.
    void SetSampleRate(double sampleRate);
    /// Centre frequency in Hz; keeps the gain.
    void Design(double frequency);
    /// Gain in dB at the centre frequency; exactly 0 disables the band.
    void SetGain(double decibels);
    bool Enabled() const { return enabled; }

    /// Works in place on both channels of n samples (left first, then right).
    void Process(double* left, double* right, int n);

private:
    struct ChannelState {
        double x1 = 0.0;
        double x2 = 0.0;
        double y1 = 0.0;
        double y2 = 0.0;
        bool resting = false; // silent input met a state of nothing but the offset
    };

    void UpdateCoefficients();
    // One sample of one channel, `c` the offset for it.
    double Step(double in, double c, ChannelState& state) const;

    double inverseRate = 1.0 / 44100.0; // s
    double alpha = 0.0;
    double cosW = 1.0;
    double gainA = 1.0; // square root of the linear gain at the centre
    double a0 = 1.0;
    double a1 = 0.0;
    double a2 = 0.0;
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    std::array<ChannelState, 2> state{};
    double bias = 1e-13;
    bool enabled = false;
};

} // namespace vorlunda
