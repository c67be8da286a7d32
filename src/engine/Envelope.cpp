#include "engine/Envelope.h"

#include <cmath>

namespace vorlunda {

namespace {

constexpr double kLn10 = 2.302585092994046;
// An exponential approach never reaches its target, so the attack aims 1/9 beyond 1 and the
// release 1/9 below 0: both cross their end point after a finite time and stop there.
constexpr double kAttackTarget = 1.1111111111111112;
constexpr double kReleaseTarget = -0.1111111111111111;

} // namespace

Envelope::Envelope() : decayCoefficient(Coefficient(decay)) {}

void Envelope::Reset(double sampleRate) {
    rateFactor = kLn10 / sampleRate;
    decayCoefficient = Coefficient(decay);
    stage = kIdle;
    gate = false;
    velocity = 0.0;
    level = 0.0;
    output = 0.0;
}

double Envelope::Coefficient(double time) const {
    // 10^(2.3 − 4.5 t) × ln 10 / rate: ln 10 per 10^(4.5 t − 2.3) s, one decade of the distance.
    return std::pow(10.0, 2.3 - 4.5 * time) * rateFactor;
}

double Envelope::EffectiveAttack() const {
    // A soft note moves the attack time toward 1 (the slowest) by the attack velocity amount.
    return (1.0 - attack) * attackVelocityAmount * (1.0 - velocity) + attack;
}

void Envelope::Trigger(double newVelocity) {
    velocity = newVelocity;
    stage = kAttack;
    gate = true;
    target = kAttackTarget;
    coefficient = Coefficient(EffectiveAttack());
}

void Envelope::Release() {
    gate = false;
    target = kReleaseTarget;
    stage = kRelease;
    coefficient = Coefficient(release);
}

void Envelope::SetMode(bool ad) {
    if (ad == adMode) {
        return;
    }
    adMode = ad;
    if (ad) {
        savedSustain = sustain;
        savedRelease = release;
        sustain = 0.0;
        release = decay;
    } else {
        sustain = savedSustain;
        release = savedRelease;
    }
    if (stage == kDecaySustain) {
        target = sustain;
    }
    if (stage == kRelease) {
        coefficient = Coefficient(release);
    }
}

void Envelope::SetAttack(double time) {
    attack = time;
    if (stage == kAttack) {
        coefficient = Coefficient(EffectiveAttack());
    }
}

void Envelope::SetAttackVelocityAmount(double amount) {
    attackVelocityAmount = amount;
    if (stage == kAttack) {
        coefficient = Coefficient(EffectiveAttack());
    }
}

void Envelope::SetDecay(double time) {
    decay = time;
    decayCoefficient = Coefficient(time);
    if (stage == kDecaySustain) {
        coefficient = decayCoefficient;
    }
    if (adMode) {
        // In AD mode the release follows the decay.
        release = time;
        if (stage == kRelease) {
            coefficient = Coefficient(time);
        }
    }
}

void Envelope::SetSustain(double newSustain) {
    // AD mode holds the sustain at 0; the value given is not remembered for ADSR.
    sustain = adMode ? 0.0 : newSustain;
    if (stage == kDecaySustain) {
        target = sustain;
    }
}

void Envelope::SetRelease(double time) {
    // AD mode holds the release at the decay; the value given is not remembered for ADSR.
    release = adMode ? decay : time;
    if (stage == kRelease) {
        coefficient = Coefficient(release);
    }
}

void Envelope::SetLevelVelocityAmount(double amount) {
    levelVelocityAmount = amount;
}

} // namespace vorlunda
