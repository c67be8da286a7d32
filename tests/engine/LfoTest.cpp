#include "engine/Lfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace vorlunda {
namespace {

int TicksToWrap(Lfo& lfo) {
    for (int n = 1; n <= 100000; ++n) {
        if (lfo.Tick()) {
            return n;
        }
    }
    return -1;
}

TEST(Lfo, CycleTakesCeilFourOverIncrementTicks) {
    // increment = hz × 4 / 1000 per tick, 4 units per cycle: 99.999 Hz → 0.399996,
    // 4 / 0.399996 = 10.0001 → 11 ticks; 5.5 Hz → 181.8 → 182; 0.3 Hz → 3333.3 → 3334.
    const struct {
        double hz;
        int ticks;
    } cases[] = {{99.999, 11}, {5.5, 182}, {0.3, 3334}};
    for (const auto& c : cases) {
        Lfo lfo;
        lfo.SetRate(c.hz);
        EXPECT_EQ(TicksToWrap(lfo), c.ticks) << c.hz; // from construction at −1
        EXPECT_EQ(lfo.Phase(), -1.0);                 // the overshoot is dropped
        EXPECT_EQ(TicksToWrap(lfo), c.ticks) << c.hz;
    }
}

TEST(Lfo, ShapesSpanMinusOneToOneOverTheCycle) {
    // 125 Hz: increment 0.5, phases −1, −0.5, 0, …, 2.5, eight ticks per cycle.
    const double r = std::sqrt(0.5);
    const double expected[5][8] = {
        {-1, -0.5, 0, 0.5, 1, 0.5, 0, -0.5},          // triangle: x, then 2 − x
        {0, -r, -1, -r, 0, r, 1, r},                  // sine: sin((x − 1) π/2)
        {1, 1, 1, 1, -1, -1, -1, -1},                 // square
        {-1, -0.75, -0.5, -0.25, 0, 0.25, 0.5, 0.75}, // saw up: (x − 1) / 2
        {1, 0.75, 0.5, 0.25, 0, -0.25, -0.5, -0.75},  // saw down
    };
    for (int shape = Lfo::kTriangle; shape <= Lfo::kSawDown; ++shape) {
        const int other = (shape + 1) % 5; // the filter output reads another shape
        Lfo lfo;
        lfo.SetRate(125.0);
        lfo.SetOscillatorShape(shape);
        lfo.SetFilterShape(other);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(lfo.Tick(), i % 8 == 7);
            EXPECT_NEAR(lfo.OscillatorOutput(), expected[shape][i % 8], 1e-12) << shape << i;
            EXPECT_NEAR(lfo.FilterOutput(), expected[other][i % 8], 1e-12) << other << i;
        }
    }
}

TEST(Lfo, SampleHoldDrawsOncePerCycleInTheFirstTickAfterTheWrap) {
    // The seed is process-wide, so the draws start from wherever it stands: next seed =
    // seed × 16807 wrapped to signed 32 bits (here in 64-bit arithmetic; e.g. 282475249 gives
    // 4747561509943 − 1105 × 2^32 = 1622647863), held value = seed × 4.6566129e-10.
    auto next = [](std::int32_t seed) {
        const std::int64_t wrapped = (static_cast<std::int64_t>(seed) * 16807) & 0xFFFFFFFFLL;
        return static_cast<std::int32_t>(wrapped >= 0x80000000LL ? wrapped - 0x100000000LL
                                                                 : wrapped);
    };
    EXPECT_EQ(next(282475249), 1622647863);
    Lfo lfo;
    lfo.SetRate(99.999); // 11 ticks per cycle
    lfo.SetOscillatorShape(Lfo::kSampleHold);
    lfo.SetFilterShape(Lfo::kSampleHold);
    std::int32_t seed = Lfo::RandomSeed();
    for (int tick = 0; tick < 44; ++tick) {
        if (tick % 11 == 0) {
            seed = next(seed);
        }
        lfo.Tick();
        ASSERT_EQ(Lfo::RandomSeed(), seed) << "tick " << tick; // one draw for both outputs
        ASSERT_EQ(lfo.OscillatorOutput(), seed * 4.6566129e-10);
        ASSERT_EQ(lfo.FilterOutput(), lfo.OscillatorOutput());
    }
}

TEST(Lfo, VoiceFadeInFollowsDelayAndWheel) {
    // "LFO Dly" 0: step 0.0001 / 0.0001 + 0.0001 = 1.0001: in after one tick, overshooting once.
    double fade = 0.0;
    EXPECT_DOUBLE_EQ(Lfo::AdvanceFade(fade, Lfo::FadeStep(0.0)), std::pow(1.0001, 3));
    EXPECT_EQ(Lfo::AdvanceFade(fade, Lfo::FadeStep(0.0)), 1.0);
    // "LFO Dly" 1: step 0.0001 / 1.0001 + 0.0001 = 0.00019999; 1 / step = 5000.25, so the fade
    // is complete at tick 5001 (about 5 s); half-way the factor is 0.5³.
    fade = 0.0;
    int ticks = 0;
    for (; fade < 1.0; ++ticks) {
        const double factor = Lfo::AdvanceFade(fade, Lfo::FadeStep(1.0));
        if (ticks == 2499) {
            EXPECT_NEAR(factor, 0.125, 1e-3);
        }
    }
    EXPECT_EQ(ticks, 5001);
    // The wheel scales an amount only when the voice routes it through the wheel.
    EXPECT_DOUBLE_EQ(Lfo::FadedAmount(0.5, -0.8, true, 0.25), -0.1);
    EXPECT_DOUBLE_EQ(Lfo::FadedAmount(0.5, -0.8, false, 0.25), -0.4);
}

} // namespace
} // namespace vorlunda
