#include "engine/Lfo.h"

#include <atomic>
#include <cmath>
#include <numbers>

namespace vorlunda {

namespace {

constexpr double kPhaseStart = -1.0;
constexpr double kPhaseEnd = 3.0;
constexpr double kTicksPerSecond = 1000.0;
constexpr double kPhaseUnitsPerCycle = 4.0;
// Multiplier of the multiplicative congruential generator (the "minimal standard" one).
constexpr std::uint32_t kRandomMultiplier = 16807;
// About 2^-31: maps the signed 32-bit seed onto −1..1.
constexpr double kRandomScale = 4.6566129e-10;

// Shared by every instance in the process. Atomic only so that instances rendering on different
// threads do not race; the order of their draws does not matter.
std::atomic<std::int32_t> randomSeed{1};

std::int32_t NextRandom() {
    // The product wraps modulo 2^32 like a signed 32-bit multiplication on the target machines;
    // done in unsigned arithmetic because signed overflow is undefined.
    const auto seed = static_cast<std::uint32_t>(randomSeed.load(std::memory_order_relaxed));
    const auto next = static_cast<std::int32_t>(seed * kRandomMultiplier);
    randomSeed.store(next, std::memory_order_relaxed);
    return next;
}

} // namespace

void Lfo::SetRate(double hz) {
    increment = hz * kPhaseUnitsPerCycle / kTicksPerSecond;
}

void Lfo::SetOscillatorShape(int shape) {
    oscillatorShape = shape;
}

void Lfo::SetFilterShape(int shape) {
    filterShape = shape;
}

double Lfo::ShapeValue(int shape) {
    const double x = phase;
    switch (shape) {
    case kTriangle:
        return x < 1.0 ? x : 2.0 - x;
    case kSine:
        return std::sin((x - 1.0) * std::numbers::pi / 2.0);
    case kSquare:
        return x < 1.0 ? 1.0 : -1.0;
    case kSawUp:
        return (x - 1.0) * 0.5;
    case kSawDown:
        return (x - 1.0) * -0.5;
    case kSampleHold:
        // Only the first tick of a cycle lies less than one increment after the start.
        if (x - increment < kPhaseStart) {
            sampleHoldValue = NextRandom() * kRandomScale;
        }
        return sampleHoldValue;
    default:
        return 0.0;
    }
}

bool Lfo::Tick() {
    // A shape used by both outputs is evaluated once, so sample-and-hold draws once per cycle.
    oscillatorOutput = ShapeValue(oscillatorShape);
    filterOutput = filterShape == oscillatorShape ? oscillatorOutput : ShapeValue(filterShape);
    phase += increment;
    if (phase >= kPhaseEnd) {
        // The overshoot is dropped: every cycle starts exactly at the start of the phase.
        phase = kPhaseStart;
        return true;
    }
    return false;
}

std::int32_t Lfo::RandomSeed() {
    return randomSeed.load(std::memory_order_relaxed);
}

double Lfo::FadeStep(double delay) {
    return 0.0001 / (delay + 0.0001) + 0.0001;
}

double Lfo::AdvanceFade(double& fade, double fadeStep) {
    // The fade may overshoot 1 for one tick before it is pinned there.
    if (fade >= 1.0) {
        fade = 1.0;
    } else {
        fade += fadeStep;
    }
    return fade * fade * fade;
}

double Lfo::FadedAmount(double factor, double lfoOutput, bool byWheel, double modWheel) {
    const double amount = factor * lfoOutput;
    return byWheel ? amount * modWheel : amount;
}

} // namespace vorlunda
