#include "engine/Envelope.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vorlunda {
namespace {

constexpr double kAttackTarget = 10.0 / 9;  // the attack aims 1/9 beyond 1
constexpr double kReleaseTarget = -1.0 / 9; // the release aims 1/9 below 0

// Coefficient per sample: 10^(2.3 − 4.5 t) × ln 10 / rate.
double K(double time, double rate = 44100.0) {
    return std::pow(10.0, 2.3 - 4.5 * time) * std::log(10.0) / rate;
}

// The running segment's coefficient, measured from one step: Δlevel / (target − level).
double Measured(Envelope& env, double target) {
    const double before = env.Level();
    env.Step();
    return (env.Level() - before) / (target - before);
}

int StepsWhileIn(Envelope& env, int stage) {
    int n = 0;
    for (; env.Stage() == stage && n < 10000000; ++n) {
        env.Step();
    }
    return n;
}

Envelope Make(double attack, double decay, double sustain, double release, double rate = 44100) {
    Envelope env;
    env.Reset(rate);
    env.SetAttack(attack);
    env.SetDecay(decay);
    env.SetSustain(sustain);
    env.SetRelease(release);
    return env;
}

TEST(Envelope, AttackTimeFollowsLogarithmicScaleAtEveryRate) {
    // The attack ends when 10/9 (1 − (1 − K)^n) ≥ 1, i.e. n = ceil(ln 10 / −ln(1 − K)), close to
    // 10^(4.5 t − 2.3) s × rate: 220 samples (about 5 ms) for t = 0 at 44.1 kHz.
    const struct {
        double rate, attack;
        int samples;
    } cases[] = {
        {8000, 0, 39}, {44100, 0, 220}, {48000, 0, 240}, {384000, 0, 1924}, {44100, 0.5, 39304}};
    for (const auto& c : cases) {
        Envelope env = Make(c.attack, 0.0, 1.0, 0.0, c.rate);
        env.Trigger(1.0);
        EXPECT_EQ(StepsWhileIn(env, Envelope::kAttack), c.samples) << c.rate << " " << c.attack;
        EXPECT_EQ(env.Level(), 1.0);
    }
}

TEST(Envelope, LevelVelocityAmountScalesTheOutput) {
    // output = ((velocity − 1) × amount + 1) × level: amount 1 silences velocity 0, amount 0.5
    // halves the velocity's reach (velocity 0.2 plays at 0.6).
    const struct {
        double amount, velocity, gain;
    } cases[] = {{1.0, 0.0, 0.0}, {1.0, 1.0, 1.0}, {0.5, 0.2, 0.6},
                 {0.5, 0.0, 0.5}, {0.5, 1.0, 1.0}, {0.0, 0.0, 1.0}};
    for (const auto& c : cases) {
        Envelope env = Make(0.0, 0.3, 0.5, 0.2);
        env.SetLevelVelocityAmount(c.amount);
        env.Trigger(c.velocity);
        for (int i = 0; i < 40000; ++i) {
            if (i == 20000) {
                env.Release();
            }
            env.Step();
            ASSERT_NEAR(env.Output(), c.gain * env.Level(), 1e-15)
                << c.amount << " " << c.velocity << " sample " << i;
        }
    }
}

TEST(Envelope, AttackVelocityLengthensSoftNotes) {
    // a′ = (1 − attack) × amount × (1 − v) + attack. Attack 0, amount 1, v 0: a′ = 1, so the
    // first step covers 10/9 × K(1) = 3.66045e-7 (a 158 s attack); v 1: a′ = 0.
    Envelope soft = Make(0.0, 0.0, 1.0, 0.0);
    soft.SetAttackVelocityAmount(1.0);
    soft.Trigger(0.0);
    EXPECT_NEAR(Measured(soft, kAttackTarget), K(1.0), 1e-15);
    EXPECT_NEAR(soft.Level(), 3.660450934026711e-7, 1e-18);
    Envelope hard = Make(0.0, 0.0, 1.0, 0.0);
    hard.SetAttackVelocityAmount(1.0);
    hard.Trigger(1.0);
    EXPECT_NEAR(Measured(hard, kAttackTarget), K(0.0), 1e-12);
    // Mid-attack changes retune the running attack with the stored velocity 0: attack 0.5 keeps
    // a′ = 0.5 × 1 + 0.5 = 1; amount 0.5 then gives 0.5 × 0.5 + 0.5 = 0.75.
    soft.SetAttack(0.5);
    EXPECT_NEAR(Measured(soft, kAttackTarget), K(1.0), 1e-12);
    soft.SetAttackVelocityAmount(0.5);
    EXPECT_NEAR(Measured(soft, kAttackTarget), K(0.75), 1e-12);
}

TEST(Envelope, ReleaseAndRetriggerContinueFromTheCurrentLevel) {
    Envelope env = Make(0.4, 0.0, 1.0, 0.1);
    env.Trigger(1.0);
    while (env.Level() < 0.5) {
        env.Step();
    }
    const double held = env.Level();
    env.Release(); // mid-attack
    EXPECT_FALSE(env.Gate());
    EXPECT_NEAR(Measured(env, kReleaseTarget), K(0.1), 1e-12);
    // From `held` toward −1/9, stopping at 0: (1 − K)^n = (1/9) / (held + 1/9).
    const double expected = std::log((1.0 / 9) / (held + 1.0 / 9)) / std::log1p(-K(0.1));
    EXPECT_NEAR(StepsWhileIn(env, Envelope::kRelease) + 1, expected, 1.0);
    EXPECT_EQ(env.Stage(), Envelope::kIdle);
    EXPECT_EQ(env.Output(), 0.0);
    // Released from idle it ends at the next step; retriggered it attacks from where it is.
    env.Release();
    env.Step();
    EXPECT_EQ(env.Stage(), Envelope::kIdle);
    env.Trigger(1.0);
    for (int i = 0; i < 500; ++i) {
        env.Step();
    }
    env.Release();
    for (int i = 0; i < 100; ++i) {
        env.Step();
    }
    const double from = env.Level();
    env.Trigger(1.0);
    env.Step();
    EXPECT_NEAR(env.Level(), from + (kAttackTarget - from) * K(0.4), 1e-12);
}

TEST(Envelope, AdModeDecaysToIdleWhileHeldAndReleasesAtDecayTime) {
    Envelope env = Make(0.0, 0.0, 0.8, 1.0);
    env.SetMode(true);
    env.Trigger(1.0);
    StepsWhileIn(env, Envelope::kAttack);
    // Key held: the level falls toward 0 (about 68000 samples to below 2.2e-308) and the
    // envelope ends by itself, never passing through denormal levels.
    int steps = 0;
    for (; env.Stage() != Envelope::kIdle && steps < 200000; ++steps) {
        env.Step();
        ASSERT_TRUE(env.Level() == 0.0 || std::isnormal(env.Level())) << "step " << steps;
    }
    EXPECT_EQ(env.Stage(), Envelope::kIdle);
    EXPECT_TRUE(env.Gate());

    Envelope released = Make(0.0, 0.3, 0.8, 1.0);
    released.SetMode(true);
    released.Trigger(1.0);
    StepsWhileIn(released, Envelope::kAttack);
    released.Release();
    EXPECT_NEAR(Measured(released, kReleaseTarget), K(0.3), 1e-12); // not the stored 1
    released.SetRelease(0.9); // held at the decay time in AD mode
    EXPECT_NEAR(Measured(released, kReleaseTarget), K(0.3), 1e-12);
    released.SetDecay(0.6); // retunes the running release too
    EXPECT_NEAR(Measured(released, kReleaseTarget), K(0.6), 1e-12);
}

TEST(Envelope, ModeSwitchDuringHeldNoteRestoresAdsrSettings) {
    Envelope env = Make(0.0, 0.0, 0.7, 0.2);
    env.Trigger(1.0);
    for (int i = 0; i < 5000; ++i) {
        env.Step();
    }
    ASSERT_NEAR(env.Level(), 0.7, 1e-9);
    env.SetMode(true);
    EXPECT_NEAR(Measured(env, 0.0), K(0.0), 1e-12); // now falling toward 0
    env.SetSustain(0.2);                            // forgotten: AD holds sustain at 0
    env.SetRelease(0.9);                            // forgotten: AD holds release at decay
    EXPECT_NEAR(Measured(env, 0.0), K(0.0), 1e-12);
    env.SetMode(false);
    EXPECT_NEAR(Measured(env, 0.7), K(0.0), 1e-12); // back toward the old sustain
    env.Release();
    EXPECT_NEAR(Measured(env, kReleaseTarget), K(0.2), 1e-12);
    env.SetMode(true); // mid-release the release switches to the decay time
    EXPECT_NEAR(Measured(env, kReleaseTarget), K(0.0), 1e-12);
}

TEST(Envelope, SettersRetuneOnlyTheRunningSegment) {
    Envelope env = Make(0.5, 0.0, 0.5, 0.0);
    env.Trigger(1.0);
    env.SetDecay(0.9); // waits for the decay stage
    env.SetRelease(0.9);
    EXPECT_NEAR(Measured(env, kAttackTarget), K(0.5), 1e-12);
    StepsWhileIn(env, Envelope::kAttack);
    EXPECT_NEAR(Measured(env, 0.5), K(0.9), 1e-12);
    env.SetDecay(0.2);
    env.SetSustain(0.3);
    EXPECT_NEAR(Measured(env, 0.3), K(0.2), 1e-12);
    env.Release();
    env.SetAttack(1.0); // no effect outside the attack
    EXPECT_NEAR(Measured(env, kReleaseTarget), K(0.9), 1e-12);
    env.SetRelease(0.4);
    EXPECT_NEAR(Measured(env, kReleaseTarget), K(0.4), 1e-12);
}

} // namespace
} // namespace vorlunda
