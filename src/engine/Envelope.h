#pragma once

#include <cfloat>

namespace vorlunda {

/// One exponential ADSR/AD envelope generator of a voice (filter or amplitude envelope).
///
/// Each segment is a one-pole step toward a target that lies beyond the segment's end point, so
/// attack and release finish in a finite time. Times are given on a logarithmic 0..1 scale:
/// a full attack from 0 or a full release from 1 takes 10^(4.5 t − 2.3) s (5 ms .. 158 s).
///
/// All operations run on the audio thread, allocate nothing and never throw. The setters may be
/// called in any stage; each one changes the running segment as documented.
class Envelope {
public:
    Envelope();

    static constexpr int kIdle = 0;
    static constexpr int kAttack = 1;
    static constexpr int kDecaySustain = 2;
    static constexpr int kRelease = 3;

    /// Prepares for a sample rate (> 0): the envelope falls silent and idle at once. Parameter
    /// values (mode, times, sustain, velocity amounts) are kept.
    void Reset(double sampleRate);

    /// One audio-rate step. Idle envelopes keep their output.
    void Step();

    /// Starts the attack from the current level (no reset), `velocity` in 0..1.
    void Trigger(double velocity);
    /// Starts the release from the current level, from any stage.
    void Release();

    /// "AD" mode: the sustain level is 0 and the release runs at the decay time. Sustain and
    /// release are kept aside and come back when the mode returns to ADSR.
    void SetMode(bool adMode);
    void SetAttack(double time);
    void SetDecay(double time);
    void SetSustain(double level);
    void SetRelease(double time);
    /// How far a soft note lowers the output level, 0..1; takes effect at the next step.
    void SetLevelVelocityAmount(double amount);
    /// How far a soft note lengthens the attack, 0..1.
    void SetAttackVelocityAmount(double amount);

    /// The scaled level that consumers read; the address stays valid for the envelope's life.
    const double& Output() const { return output; }
    double Level() const { return level; }
    int Stage() const { return stage; }
    bool Gate() const { return gate; }

private:
    friend class VoiceGroupRenderer; // steps envelopes of several voices side by side

    /// Fraction of the remaining distance covered per sample for a time value 0..1.
    double Coefficient(double time) const;
    /// The attack time value after velocity shortening.
    double EffectiveAttack() const;

    double output = 0.0;
    bool adMode = false;
    double levelVelocityAmount = 0.0;
    double attack = 0.0;
    double attackVelocityAmount = 0.0;
    double decay = 0.0;
    double sustain = 0.0;
    double savedSustain = 0.0;
    double release = 0.0;
    double savedRelease = 0.0;
    int stage = kIdle;
    bool gate = false;
    double velocity = 0.0;
    // ln 10 / sample rate; the value for 1000 Hz until the first reset.
    double rateFactor = 0.002302585092994046;
    double target = 0.0;
    double level = 0.0;
    double coefficient = 0.0;
    // Coefficient(decay), kept up to date by SetDecay and Reset: the attack's end needs it, and
    // it is the same double whenever it is computed.
    double decayCoefficient = 0.0;
};

// Per-sample work stays inline: every active voice runs it twice per sample.
inline void Envelope::Step() {
    if (stage <= kIdle) {
        return;
    }
    level += (target - level) * coefficient;
    // A decay toward a sustain of 0 only approaches 0; flushing the last subnormal steps lets it
    // end as it would on a host that flushes denormals, and keeps the arithmetic fast.
    if (level < DBL_MIN && level > -DBL_MIN) {
        level = 0.0;
    }
    if (stage == kAttack) {
        if (level >= 1.0) {
            level = 1.0;
            stage = kDecaySustain;
            coefficient = decayCoefficient;
            target = sustain;
        }
    }
    if (stage >= kDecaySustain && level <= 0.0) {
        level = 0.0;
        stage = kIdle;
    }
    output = ((velocity - 1.0) * levelVelocityAmount + 1.0) * level;
    if (output < DBL_MIN && output > -DBL_MIN) {
        output = 0.0;
    }
}

} // namespace vorlunda
