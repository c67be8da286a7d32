#include "engine/Lfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace vorlunda {
namespace {

// Ticks until the next wrap, the wrapping tick included.
int TicksToWrap(Lfo& lfo, int limit) {
    for (int n = 1; n <= limit; ++n) {
        if (lfo.Tick()) {
            return n;
        }
    }
    return -1;
}

TEST(Lfo, CycleTakesCeilFourOverIncrementTicks) {
    struct Case {
        double hz;
        int ticks;
    };
    // increment = hz × 4 / 1000 phase units per tick over a cycle of 4 units:
    // 99.999 Hz → 0.399996, 4 / 0.399996 = 10.0001 → 11 ticks;
    // 5.5 Hz → 0.022, 181.8 → 182 ticks; 0.3 Hz → 0.0012, 3333.3 → 3334 ticks.
    const Case cases[] = {{99.999, 11}, {5.5, 182}, {0.3, 3334}};
    for (const Case& c : cases) {
        Lfo lfo;
        lfo.SetRate(c.hz);
        // From construction (phase −1) and again after a wrap: the overshoot is dropped.
        EXPECT_EQ(TicksToWrap(lfo, 10000), c.ticks) << c.hz << " Hz";
        EXPECT_EQ(lfo.Phase(), -1.0);
        EXPECT_EQ(TicksToWrap(lfo, 10000), c.ticks) << c.hz << " Hz";
    }
}

TEST(Lfo, ShapesSpanMinusOneToOneOverTheCycle) {
    // 125 Hz gives an increment of 0.5: phases −1, −0.5, 0, …, 2.5, eight ticks per cycle.
    const double r = std::sqrt(0.5);
    const std::vector<std::vector<double>> expected = {
        {-1.0, -0.5, 0.0, 0.5, 1.0, 0.5, 0.0, -0.5},      // triangle: x, then 2 − x
        {0.0, -r, -1.0, -r, 0.0, r, 1.0, r},              // sine: sin((x − 1) π/2)
        {1.0, 1.0, 1.0, 1.0, -1.0, -1.0, -1.0, -1.0},     // square
        {-1.0, -0.75, -0.5, -0.25, 0.0, 0.25, 0.5, 0.75}, // saw up: (x − 1) / 2
        {1.0, 0.75, 0.5, 0.25, 0.0, -0.25, -0.5, -0.75},  // saw down
    };
    for (int shape = Lfo::kTriangle; shape <= Lfo::kSawDown; ++shape) {
        Lfo lfo;
        lfo.SetRate(125.0);
        lfo.SetOscillatorShape(shape);
        // The filter output reads another shape from the same phase.
        const int other = (shape + 1) % 5;
        lfo.SetFilterShape(other);
        for (int cycle = 0; cycle < 2; ++cycle) {
            for (int i = 0; i < 8; ++i) {
                const bool wrapped = lfo.Tick();
                EXPECT_EQ(wrapped, i == 7);
                EXPECT_NEAR(lfo.OscillatorOutput(), expected[shape][i], 1e-12)
                    << "shape " << shape << " tick " << i;
                EXPECT_NEAR(lfo.FilterOutput(), expected[other][i], 1e-12)
                    << "shape " << other << " tick " << i;
            }
        }
    }
}

TEST(Lfo, SampleHoldDrawsOncePerCycleInTheFirstTickAfterTheWrap) {
    // The seed is process-wide, so the expected draws start from wherever it stands.
    // Next seed = seed × 16807 wrapped to a signed 32-bit value (computed here in 64 bits);
    // the held value is seed × 4.6566129e-10.
    auto next = [](std::int32_t seed) {
        const std::int64_t product = static_cast<std::int64_t>(seed) * 16807;
        std::int64_t wrapped = product & 0xFFFFFFFFLL;
        if (wrapped >= 0x80000000LL) {
            wrapped -= 0x100000000LL;
        }
        return static_cast<std::int32_t>(wrapped);
    };
    Lfo lfo;
    lfo.SetRate(99.999); // 11 ticks per cycle
    lfo.SetOscillatorShape(Lfo::kSampleHold);
    lfo.SetFilterShape(Lfo::kSampleHold);
    std::int32_t seed = Lfo::RandomSeed();
    for (int cycle = 0; cycle < 4; ++cycle) {
        seed = next(seed);
        const double held = seed * 4.6566129e-10;
        for (int tick = 0; tick < 11; ++tick) {
            lfo.Tick();
            ASSERT_EQ(lfo.OscillatorOutput(), held) << "cycle " << cycle << " tick " << tick;
            // Both outputs share one draw per cycle.
            ASSERT_EQ(lfo.FilterOutput(), held);
            ASSERT_EQ(Lfo::RandomSeed(), seed);
        }
        EXPECT_GE(held, -1.0);
        EXPECT_LT(held, 1.0);
    }
}

TEST(Lfo, RandomSeedWrapsAsSigned32BitProduct) {
    // After 1, 16807, 282475249 the product 4747561509943 exceeds 32 bits; wrapped it is
    // 4747561509943 − 1105 × 2^32 = 1622647863 (the modulo 2^31 − 1 generator would give
    // 1622650073). Checked on the ratio of consecutive seeds, whatever the current seed.
    Lfo lfo;
    lfo.SetRate(99.999);
    lfo.SetOscillatorShape(Lfo::kSampleHold);
    const std::uint32_t before = static_cast<std::uint32_t>(Lfo::RandomSeed());
    lfo.Tick();
    const std::uint32_t after = static_cast<std::uint32_t>(Lfo::RandomSeed());
    EXPECT_EQ(after, static_cast<std::uint32_t>(before * 16807u));
    EXPECT_EQ(static_cast<std::int32_t>(282475249u * 16807u), 1622647863);
}

TEST(Lfo, VoiceFadeInFollowsDelayAndWheel) {
    // "LFO Dly" 0: step 0.0001 / 0.0001 + 0.0001 = 1.0001, full after one tick, overshooting
    // once (factor 1.0001³) before it is pinned to 1.
    double fade = 0.0;
    const double fastStep = Lfo::FadeStep(0.0);
    EXPECT_DOUBLE_EQ(fastStep, 1.0001);
    EXPECT_DOUBLE_EQ(Lfo::AdvanceFade(fade, fastStep), 1.0001 * 1.0001 * 1.0001);
    EXPECT_EQ(Lfo::AdvanceFade(fade, fastStep), 1.0);
    EXPECT_EQ(fade, 1.0);

    // "LFO Dly" 1: step 0.0001 / 1.0001 + 0.0001 = 0.00019999, 1 / 0.00019999 = 5000.25, so the
    // fade reaches 1 at tick 5001 (about 5 s); half-way through the factor is 0.5³.
    fade = 0.0;
    const double slowStep = Lfo::FadeStep(1.0);
    int ticks = 0;
    double factor = 0.0;
    while (fade < 1.0) {
        factor = Lfo::AdvanceFade(fade, slowStep);
        ++ticks;
        if (ticks == 2500) {
            EXPECT_NEAR(factor, 0.125, 1e-3);
        }
    }
    EXPECT_EQ(ticks, 5001);
    EXPECT_NEAR(factor, 1.0, 1e-3);

    // The wheel scales an amount only when the voice routes it through the wheel.
    EXPECT_DOUBLE_EQ(Lfo::FadedAmount(0.5, -0.8, true, 0.25), -0.1);
    EXPECT_DOUBLE_EQ(Lfo::FadedAmount(0.5, -0.8, false, 0.25), -0.4);
}

} // namespace
} // namespace vorlunda
