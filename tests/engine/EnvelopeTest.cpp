#include "engine/Envelope.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vorlunda {
namespace {

constexpr double kRate = 44100.0;           // Hz
constexpr double kAttackTarget = 10.0 / 9;  // the attack aims 1/9 beyond 1
constexpr double kReleaseTarget = -1.0 / 9; // the release aims 1/9 below 0

// Coefficient per sample: 10^(2.3 − 4.5 t) × ln 10 / rate.
double K(double time, double rate = kRate) {
    return std::pow(10.0, 2.3 - 4.5 * time) * std::log(10.0) / rate;
}

// Samples for an exponential approach to go from `from` to `to` toward `target` at coefficient k:
// (1 − k)^n = (target − to) / (target − from).
int StepsBetween(double from, double to, double target, double k) {
    return static_cast<int>(std::ceil(std::log((target - to) / (target - from)) / std::log1p(-k)));
}

// The coefficient of the running segment, measured from one step: Δlevel / (target − level).
double MeasuredCoefficient(Envelope& env, double target) {
    const double before = env.Level();
    env.Step();
    return (env.Level() - before) / (target - before);
}

int StepsUntilStageLeft(Envelope& env, int stage, int limit) {
    int n = 0;
    while (env.Stage() == stage && n < limit) {
        env.Step();
        ++n;
    }
    return n;
}

Envelope MakeEnvelope(double attack, double decay, double sustain, double release) {
    Envelope env;
    env.Reset(kRate);
    env.SetAttack(attack);
    env.SetDecay(decay);
    env.SetSustain(sustain);
    env.SetRelease(release);
    return env;
}

TEST(Envelope, AttackTimeFollowsLogarithmicScaleAtEveryRate) {
    // A full attack ends when 10/9 (1 − (1 − K)^n) ≥ 1, i.e. n = ceil(ln 10 / −ln(1 − K)),
    // close to 10^(4.5 t − 2.3) s × rate: about 221 samples for t = 0 at 44.1 kHz.
    struct Case {
        double rate;
        double attack;
        int samples;
    };
    const Case cases[] = {
        {8000.0, 0.0, 39},     {44100.0, 0.0, 220},   {48000.0, 0.0, 240},
        {384000.0, 0.0, 1924}, {44100.0, 0.5, 39304}, {8000.0, 0.5, 7129},
    };
    for (const Case& c : cases) {
        Envelope env;
        env.Reset(c.rate);
        env.SetAttack(c.attack);
        env.SetSustain(1.0);
        env.Trigger(1.0);
        EXPECT_EQ(StepsUntilStageLeft(env, Envelope::kAttack, 1000000), c.samples)
            << c.rate << " Hz, attack " << c.attack;
        EXPECT_EQ(env.Level(), 1.0);
        EXPECT_EQ(env.Stage(), Envelope::kDecaySustain);
    }
}

TEST(Envelope, FullSustainHoldsLevelAtOneWhateverTheDecay) {
    for (double decay : {0.0, 0.5, 1.0}) {
        Envelope env = MakeEnvelope(0.0, decay, 1.0, 0.0);
        env.Trigger(1.0);
        for (int i = 0; i < 100000; ++i) {
            env.Step();
        }
        EXPECT_EQ(env.Stage(), Envelope::kDecaySustain);
        EXPECT_EQ(env.Output(), 1.0) << "decay " << decay;
    }
}

TEST(Envelope, DecayApproachesSustainAtDecayRate) {
    Envelope env = MakeEnvelope(0.0, 0.2, 0.25, 0.0);
    env.Trigger(1.0);
    StepsUntilStageLeft(env, Envelope::kAttack, 1000);
    EXPECT_NEAR(MeasuredCoefficient(env, 0.25), K(0.2), 1e-12);
    for (int i = 0; i < 441000; ++i) {
        env.Step();
    }
    EXPECT_NEAR(env.Level(), 0.25, 1e-9);
}

TEST(Envelope, LevelVelocityScalesOutput) {
    // output = ((velocity − 1) × amount + 1) × level.
    Envelope silent = MakeEnvelope(0.0, 0.3, 0.5, 0.2);
    silent.SetLevelVelocityAmount(1.0);
    silent.Trigger(0.0);
    for (int i = 0; i < 20000; ++i) {
        silent.Step();
        ASSERT_EQ(silent.Output(), 0.0) << "sample " << i;
    }
    silent.Release();
    for (int i = 0; i < 20000; ++i) {
        silent.Step();
        ASSERT_EQ(silent.Output(), 0.0) << "release sample " << i;
    }

    Envelope loud = MakeEnvelope(0.0, 0.3, 0.5, 0.2);
    loud.SetLevelVelocityAmount(1.0);
    loud.Trigger(1.0);
    for (int i = 0; i < 1000; ++i) {
        loud.Step();
        ASSERT_EQ(loud.Output(), loud.Level());
    }

    // Half amount, half velocity: (0.5 − 1) × 0.5 + 1 = 0.75.
    Envelope half = MakeEnvelope(0.0, 0.3, 0.5, 0.2);
    half.SetLevelVelocityAmount(0.5);
    half.Trigger(0.5);
    for (int i = 0; i < 100; ++i) {
        half.Step();
    }
    EXPECT_DOUBLE_EQ(half.Output(), 0.75 * half.Level());
}

TEST(Envelope, AttackVelocityLengthensSoftNotes) {
    // a′ = (1 − attack) × amount × (1 − v) + attack: attack 0, amount 1, v 0 gives a′ = 1, so
    // the first step from 0 covers 10/9 × K(1) = 3.66045e-7 (a 158 s attack); v 1 gives a′ = 0.
    Envelope soft = MakeEnvelope(0.0, 0.0, 1.0, 0.0);
    soft.SetAttackVelocityAmount(1.0);
    soft.Trigger(0.0);
    soft.Step();
    EXPECT_NEAR(soft.Level(), kAttackTarget * K(1.0), 1e-18);
    EXPECT_NEAR(soft.Level(), 3.660450934026711e-7, 1e-18);

    Envelope hard = MakeEnvelope(0.0, 0.0, 1.0, 0.0);
    hard.SetAttackVelocityAmount(1.0);
    hard.Trigger(1.0);
    hard.Step();
    EXPECT_NEAR(hard.Level(), kAttackTarget * K(0.0), 1e-15);

    // Mid-attack changes retune the running attack with the stored velocity 0: attack 0.5 at
    // amount 1 still gives a′ = 0.5 × 1 × 1 + 0.5 = 1; amount 0.5 gives 0.5 × 0.5 + 0.5 = 0.75.
    soft.SetAttack(0.5);
    EXPECT_NEAR(MeasuredCoefficient(soft, kAttackTarget), K(1.0), 1e-12);
    soft.SetAttackVelocityAmount(0.5);
    EXPECT_NEAR(MeasuredCoefficient(soft, kAttackTarget), K(0.75), 1e-12);
}

TEST(Envelope, ReleaseFromMidAttackStartsAtCurrentLevel) {
    Envelope env = MakeEnvelope(0.4, 0.0, 1.0, 0.1);
    env.Trigger(1.0);
    while (env.Level() < 0.5) {
        env.Step();
    }
    const double held = env.Level();
    env.Release();
    EXPECT_EQ(env.Stage(), Envelope::kRelease);
    EXPECT_FALSE(env.Gate());
    EXPECT_EQ(env.Level(), held);
    // It falls from `held` toward −1/9 and stops at 0.
    const int expected = StepsBetween(held, 0.0, kReleaseTarget, K(0.1));
    const int steps = StepsUntilStageLeft(env, Envelope::kRelease, 1000000);
    EXPECT_NEAR(steps, expected, 1);
    EXPECT_EQ(env.Stage(), Envelope::kIdle);
    EXPECT_EQ(env.Output(), 0.0);
}

TEST(Envelope, RetriggerAttacksFromCurrentLevel) {
    Envelope env = MakeEnvelope(0.0, 0.0, 1.0, 0.5);
    env.Trigger(1.0);
    StepsUntilStageLeft(env, Envelope::kAttack, 1000);
    env.Release();
    for (int i = 0; i < 5000; ++i) {
        env.Step();
    }
    const double from = env.Level();
    ASSERT_GT(from, 0.1);
    ASSERT_LT(from, 0.99);
    env.Trigger(1.0);
    env.Step();
    EXPECT_NEAR(env.Level(), from + (kAttackTarget - from) * K(0.0), 1e-12);
}

TEST(Envelope, ReleaseFromIdleEndsAtNextStep) {
    Envelope env = MakeEnvelope(0.0, 0.0, 1.0, 1.0);
    env.Release();
    EXPECT_EQ(env.Stage(), Envelope::kRelease);
    env.Step();
    EXPECT_EQ(env.Stage(), Envelope::kIdle);
    EXPECT_EQ(env.Level(), 0.0);
}

TEST(Envelope, AdModeDecaysToSilenceWhileHeldAndReleasesAtDecayRate) {
    Envelope env = MakeEnvelope(0.0, 0.0, 0.8, 1.0);
    env.SetMode(true);
    env.Trigger(1.0);
    StepsUntilStageLeft(env, Envelope::kAttack, 1000);
    EXPECT_NEAR(MeasuredCoefficient(env, 0.0), K(0.0), 1e-12);
    // With the key still held the level decays toward 0 and the envelope ends by itself, never
    // passing through denormal levels (about 68000 samples to fall below 2.2e-308).
    int steps = 0;
    while (env.Stage() != Envelope::kIdle && steps < 200000) {
        env.Step();
        ++steps;
        ASSERT_TRUE(env.Level() == 0.0 || std::isnormal(env.Level())) << "step " << steps;
    }
    EXPECT_EQ(env.Stage(), Envelope::kIdle);
    EXPECT_TRUE(env.Gate());

    // The release runs at the decay time, not at the stored release time of 1.
    Envelope released = MakeEnvelope(0.0, 0.3, 0.8, 1.0);
    released.SetMode(true);
    released.SetRelease(0.9); // held at the decay while in AD mode
    released.Trigger(1.0);
    StepsUntilStageLeft(released, Envelope::kAttack, 1000);
    released.Release();
    EXPECT_NEAR(MeasuredCoefficient(released, kReleaseTarget), K(0.3), 1e-12);
    // A decay change in AD mode retunes the running release too.
    released.SetDecay(0.6);
    EXPECT_NEAR(MeasuredCoefficient(released, kReleaseTarget), K(0.6), 1e-12);
}

TEST(Envelope, ModeSwitchDuringHeldNoteKeepsAdsrSettings) {
    Envelope env = MakeEnvelope(0.0, 0.0, 0.7, 0.2);
    env.Trigger(1.0);
    for (int i = 0; i < 5000; ++i) {
        env.Step();
    }
    ASSERT_NEAR(env.Level(), 0.7, 1e-9);

    env.SetMode(true);
    for (int i = 0; i < 50; ++i) {
        env.Step();
    }
    const double fallen = env.Level();
    EXPECT_LT(fallen, 0.7 * 0.7); // (1 − K(0))^50 ≈ 0.59 of the way from 0
    // Sustain and release changes in AD mode are not kept.
    env.SetSustain(0.2);
    env.SetRelease(0.9);
    EXPECT_NEAR(MeasuredCoefficient(env, 0.0), K(0.0), 1e-12);

    env.SetMode(false);
    EXPECT_NEAR(MeasuredCoefficient(env, 0.7), K(0.0), 1e-12);
    for (int i = 0; i < 5000; ++i) {
        env.Step();
    }
    EXPECT_NEAR(env.Level(), 0.7, 1e-9);
    env.Release();
    EXPECT_NEAR(MeasuredCoefficient(env, kReleaseTarget), K(0.2), 1e-12);
}

TEST(Envelope, SettersRetuneOnlyTheRunningSegment) {
    Envelope env = MakeEnvelope(0.5, 0.0, 0.5, 0.0);
    env.Trigger(1.0);
    env.Step();
    // In the attack: a new attack acts at once, decay and release wait for their stage.
    env.SetDecay(0.9);
    env.SetRelease(0.9);
    EXPECT_NEAR(MeasuredCoefficient(env, kAttackTarget), K(0.5), 1e-12);
    env.SetAttack(0.1);
    EXPECT_NEAR(MeasuredCoefficient(env, kAttackTarget), K(0.1), 1e-12);
    StepsUntilStageLeft(env, Envelope::kAttack, 100000);

    // In decay/sustain: the decay coefficient and the sustain target follow their setters.
    EXPECT_NEAR(MeasuredCoefficient(env, 0.5), K(0.9), 1e-12);
    env.SetDecay(0.2);
    env.SetSustain(0.3);
    EXPECT_NEAR(MeasuredCoefficient(env, 0.3), K(0.2), 1e-12);

    // In the release: the release coefficient follows, the attack does not matter.
    env.Release();
    EXPECT_NEAR(MeasuredCoefficient(env, kReleaseTarget), K(0.9), 1e-12);
    env.SetAttack(1.0);
    env.SetRelease(0.4);
    EXPECT_NEAR(MeasuredCoefficient(env, kReleaseTarget), K(0.4), 1e-12);
}

TEST(Envelope, ResetSilencesAndRetunesToTheNewRate) {
    Envelope env = MakeEnvelope(0.0, 0.0, 1.0, 0.0);
    env.Trigger(1.0);
    for (int i = 0; i < 100; ++i) {
        env.Step();
    }
    env.Reset(96000.0);
    EXPECT_EQ(env.Stage(), Envelope::kIdle);
    EXPECT_EQ(env.Output(), 0.0);
    EXPECT_FALSE(env.Gate());
    env.Trigger(1.0);
    EXPECT_NEAR(MeasuredCoefficient(env, kAttackTarget), K(0.0, 96000.0), 1e-12);
}

TEST(Envelope, BeforeTheFirstResetRunsAtOneThousandSteps) {
    // The rate factor starts at ln 10 / 1000, so K(0) = 10^2.3 × 0.0023026 = 0.45943.
    Envelope env;
    env.Trigger(1.0);
    EXPECT_NEAR(MeasuredCoefficient(env, kAttackTarget), K(0.0, 1000.0), 1e-12);
}

} // namespace
} // namespace vorlunda
