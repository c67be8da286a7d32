#pragma once

#include <cstdint>

namespace vorlunda {

/// The instrument's global LFO: one phase stepped once per control tick, read through two
/// independently chosen shapes, one for pitch modulation and one for the filter.
///
/// The phase runs from −1 to 3 (four units per cycle) and is never reset by notes. Each voice
/// fades the LFO in on its own after a note-on; the static helpers below do that per-voice work.
///
/// Everything runs on the audio thread, allocates nothing and never throws.
class Lfo {
public:
    enum Shape : int {
        kTriangle = 0,
        kSine = 1,
        kSquare = 2,
        kSawUp = 3,
        kSawDown = 4,
        kSampleHold = 5,
    };

    /// Frequency in Hz (0.001 .. 99.999); the cycle takes ceil(4 / (hz × 4 / 1000)) ticks.
    void SetRate(double hz);
    void SetOscillatorShape(int shape);
    void SetFilterShape(int shape);

    /// One control tick: computes both outputs from the current phase, then advances it.
    /// Answers true when the phase wrapped at this tick; the instrument then runs its Repeat
    /// wrap step (in Repeat mode only).
    bool Tick();

    /// The outputs in −1..1; the addresses stay valid for the LFO's life, so voices may keep
    /// references to them.
    const double& OscillatorOutput() const { return oscillatorOutput; }
    const double& FilterOutput() const { return filterOutput; }
    double Phase() const { return phase; }

    /// The process-wide sample-and-hold random seed (starts at 1, shared by every instance).
    static std::int32_t RandomSeed();

    /// Fade-in step per tick of a voice for its "LFO Dly" value 0..1: the LFO is fully in after
    /// one tick at 0 and after about 5000 ticks (5 s) at 1.
    static double FadeStep(double delay);
    /// Advances a voice's fade (0 at note start) by one tick and answers the fade factor, the
    /// cube of the fade.
    static double AdvanceFade(double& fade, double fadeStep);
    /// One LFO amount of a voice: factor × output, times the mod wheel when the voice routes
    /// that modulation through the wheel.
    static double FadedAmount(double factor, double lfoOutput, bool byWheel, double modWheel);

private:
    double ShapeValue(int shape);

    double oscillatorOutput = 0.0;
    double filterOutput = 0.0;
    int oscillatorShape = kTriangle;
    int filterShape = kTriangle;
    double phase = -1.0;
    double increment = 0.0; // phase units per tick
    double sampleHoldValue = 0.0;
};

} // namespace vorlunda
