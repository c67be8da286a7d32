#include "engine/OscillatorTables.h"
#include "engine/VoiceFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numbers>
#include <vector>

using namespace vorlunda;

namespace {

constexpr double kRate = 44100.0; // Hz
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kPitchC6 = 84 * 128; // 1046.502 Hz

VoiceFilter MakeFilter(int mode, int poles, double resonance, int cutoffPitch) {
    VoiceFilter f;
    f.Prepare(kRate);
    f.SetMode(mode);
    f.SetPoles(poles);
    f.SetResonance(resonance);
    f.UpdateCoefficients(cutoffPitch, {});
    return f;
}

// Runs `input` through the filter on both channels in control-tick chunks; answers the left.
std::vector<double> Filtered(VoiceFilter& f, std::vector<double> input, double rate = kRate) {
    std::vector<double> right = input;
    const auto chunk = static_cast<std::size_t>(std::max(1.0, rate / 1000));
    for (std::size_t i = 0; i < input.size(); i += chunk) {
        const std::size_t len = std::min(chunk, input.size() - i);
        f.Process(std::span(input).subspan(i, len), std::span(right).subspan(i, len));
    }
    return input;
}

std::vector<double> Sine(double hz, int n, double rate = kRate) {
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i)
        x[i] = std::sin(kTwoPi * hz * i / rate);
    return x;
}

double Rms(const std::vector<double>& x, std::size_t from) {
    double sum = 0.0;
    for (std::size_t i = from; i < x.size(); ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / (x.size() - from));
}

// Gain in dB of a unit sine after the transients of 0.5 s have died away.
double ToneGainDb(VoiceFilter& f, double hz) {
    const int n = static_cast<int>(kRate);
    const std::vector<double> y = Filtered(f, Sine(hz, n));
    return 20.0 * std::log10(Rms(y, n / 2) / std::sqrt(0.5));
}

// Deterministic white noise -1..1.
std::vector<double> Noise(int n) {
    std::vector<double> x(n);
    std::uint32_t seed = 12345;
    for (double& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<std::int32_t>(seed) / 2147483648.0;
    }
    return x;
}

} // namespace

TEST(Filter, CutoffTableHoldsRadiansPerSample) {
    const auto table = VoiceFilter::Cutoffs(kRate);
    EXPECT_NEAR(table->At(8832), 440.0 * kTwoPi / 44100.0, 1e-17); // 0.0626893772
    EXPECT_EQ(table->At(-7), 8.176 * kTwoPi / 44100.0);
    EXPECT_EQ(table->At(99999), 19912.127 * kTwoPi / 44100.0);
    // The rate passes through single precision: 44100.3 becomes 44100.30078125.
    EXPECT_DOUBLE_EQ(VoiceFilter::Cutoffs(44100.3)->At(8832), 440.0 * kTwoPi / 44100.30078125);
}

TEST(Filter, CutoffPitchSumsTheModulationAndClampsToTheTable) {
    VoiceFilter f = MakeFilter(VoiceFilter::kHighpass, 3, 0.5, 8832);
    // 0.5 * 100 + (8000 + 10.7) - 0.25 * 400 + 1 * 1536.2 + 0.5 * 7681 = 13337.4 -> 13337.
    f.SetEnvelopeDepth(100.0);
    f.SetLfoDepth(400.0);
    f.SetKeyDepth(1536.2);
    f.SetVelocityDepth(7681.0);
    f.UpdateCoefficients(
        8000,
        {.envelope = 0.5, .wheelOffset = 10.7, .lfo = -0.25, .keyTrack = 1.0, .velocity = 0.5});
    EXPECT_EQ(f.CachedPitch(), 13337);

    // Beyond the range the table ends apply.
    const auto table = VoiceFilter::Cutoffs(kRate);
    f.UpdateCoefficients(-50000, {});
    EXPECT_DOUBLE_EQ(f.StageGain(), 2.0 / (table->At(0) + 2.0));
    f.UpdateCoefficients(50000, {});
    EXPECT_DOUBLE_EQ(f.StageGain(), 2.0 / (table->At(kMaxPitch) + 2.0));
}

TEST(Filter, LowpassSlopeGrowsWithEveryPole) {
    // One bilinear lowpass stage with w = 1046.502 * 2 pi / 44100 = 0.14910 gives -0.970 dB an
    // octave below (523.251 Hz) and -12.552 dB two octaves above (4186.009 Hz): 11.582 dB more
    // per stage; four stages 46.33 dB.
    for (int poles = 0; poles < 4; ++poles) {
        VoiceFilter below = MakeFilter(VoiceFilter::kLowpass, poles, 0.0, kPitchC6);
        VoiceFilter above = MakeFilter(VoiceFilter::kLowpass, poles, 0.0, kPitchC6);
        const double difference = ToneGainDb(below, 523.251) - ToneGainDb(above, 4186.009);
        EXPECT_NEAR(difference, 11.582 * (poles + 1), 0.1) << poles;
        if (poles == 3) {
            EXPECT_GE(difference, 40.0);
        }
    }
}

TEST(Filter, HighpassSlopeMirrorsTheLowpass) {
    // One bilinear highpass stage: -12.304 dB two octaves below (261.626 Hz), -0.956 dB an
    // octave above (2093.005 Hz): 11.347 dB per stage.
    for (int poles = 0; poles < 4; ++poles) {
        VoiceFilter below = MakeFilter(VoiceFilter::kHighpass, poles, 0.0, kPitchC6);
        VoiceFilter above = MakeFilter(VoiceFilter::kHighpass, poles, 0.0, kPitchC6);
        const double difference = ToneGainDb(above, 2093.005) - ToneGainDb(below, 261.626);
        EXPECT_NEAR(difference, 11.347 * (poles + 1), 0.1) << poles;
    }
    // "6" with "Hipass" is a single first-order highpass: DC is removed entirely.
    VoiceFilter dc = MakeFilter(VoiceFilter::kHighpass, 0, 0.0, kPitchC6);
    const std::vector<double> y = Filtered(dc, std::vector<double>(static_cast<int>(kRate), 0.5));
    EXPECT_LT(std::abs(y.back()), 1e-9);
}

TEST(Filter, ZeroResonanceIsFourCascadedOnePoles) {
    // Reference: four bilinear lowpass stages y = g in + s, s' = g in - m y, starting from the
    // reset states 1, 0, -1, 0; the 24 dB tap equals the last stage (only the +-1e-13 bias
    // differs).
    VoiceFilter f = MakeFilter(VoiceFilter::kLowpass, 3, 0.0, 9000);
    const double g = f.StageGain();
    const double m = f.PoleCoefficient();
    const std::vector<double> x = Noise(5000);
    const std::vector<double> y = Filtered(f, x);
    double s[4] = {1.0, 0.0, -1.0, 0.0};
    for (std::size_t i = 0; i < x.size(); ++i) {
        double in = x[i];
        for (double& state : s) {
            const double out = g * in + state;
            state = g * in - m * out;
            in = out;
        }
        ASSERT_NEAR(y[i], in, 1e-9) << i;
    }
}

TEST(Filter, ResonanceFeedsBackTheClampedEstimateTimesFourPointTwo) {
    // Reference recurrence with k = resonance × 4.2: the estimate y of the fourth stage,
    // clamped to ±1, is fed back in front of the first stage (the ±1e-13 bias is left out).
    const double resonance = 0.7;
    VoiceFilter f = MakeFilter(VoiceFilter::kLowpass, 3, resonance, 9000);
    const double g = f.StageGain();
    const double m = f.PoleCoefficient();
    const double k = resonance * 4.2;
    const double normaliser = 1.0 / (k * g * g * g * g + 1.0);
    const std::vector<double> x = Noise(5000);
    const std::vector<double> y = Filtered(f, x);
    double s1 = 1.0, s2 = 0.0, s3 = -1.0, s4 = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double est = (((s1 * g + s2) * g + s3) * g + s4 + x[i] * g * g * g * g) * normaliser;
        const double u = (x[i] - std::clamp(est, -1.0, 1.0) * k) * g;
        const double y1 = s1 + u;
        s1 = u - y1 * m;
        const double y2 = s2 + y1 * g;
        s2 = y1 * g - y2 * m;
        const double y3 = s3 + y2 * g;
        s3 = y2 * g - y3 * m;
        s4 = y3 * g - (s4 + y3 * g) * m;
        ASSERT_NEAR(y[i], est, 1e-9) << i;
    }
}

TEST(Filter, FullResonanceOscillatesButStaysBounded) {
    // With k = 4.2 the loop gain at the cut-off exceeds 1: the reset transient grows into a
    // steady oscillation near the cut-off, held by the clamp. At 0.5 it dies away.
    VoiceFilter ringing = MakeFilter(VoiceFilter::kLowpass, 3, 1.0, kPitchC6);
    const std::vector<double> y =
        Filtered(ringing, std::vector<double>(2 * static_cast<int>(kRate)));
    double peak = 0.0;
    for (double v : y)
        peak = std::max(peak, std::abs(v));
    EXPECT_LT(peak, 5.0);
    EXPECT_GT(Rms(y, y.size() * 3 / 4), 0.1);
    std::vector<double> tail(y.begin() + y.size() / 2, y.end());
    int crossings = 0;
    for (std::size_t i = 1; i < tail.size(); ++i)
        crossings += tail[i - 1] < 0.0 && tail[i] >= 0.0;
    EXPECT_NEAR(crossings, 1046.5, 105.0); // one second of tail, within 10 % of the cut-off

    VoiceFilter damped = MakeFilter(VoiceFilter::kLowpass, 3, 0.5, kPitchC6);
    EXPECT_LT(Rms(Filtered(damped, std::vector<double>(2 * static_cast<int>(kRate))), kRate), 1e-9);
}

TEST(Filter, LongSilenceStaysFiniteAndNormal) {
    const int n = 5 * static_cast<int>(kRate);
    for (int mode : {VoiceFilter::kHighpass, VoiceFilter::kLowpass}) {
        for (double resonance : {0.0, 0.9}) {
            for (int poles = 0; poles < 4; ++poles) {
                VoiceFilter f = MakeFilter(mode, poles, resonance, 12000);
                Filtered(f, Sine(3000.0, 1000));
                const std::vector<double> y = Filtered(f, std::vector<double>(n));
                for (double v : y)
                    ASSERT_TRUE(std::isfinite(v) && (v == 0.0 || std::abs(v) >= DBL_MIN))
                        << mode << " " << resonance << " " << poles << " " << v;
            }
        }
    }
}

TEST(Filter, ModeChangeResetsTheStatesLikePrepare) {
    const std::vector<double> silence(300);
    VoiceFilter fresh = MakeFilter(VoiceFilter::kHighpass, 3, 0.3, 9000);
    const std::vector<double> expected = Filtered(fresh, silence);

    VoiceFilter used = MakeFilter(VoiceFilter::kLowpass, 3, 0.3, 9000);
    Filtered(used, Sine(500.0, 4410));
    used.SetMode(VoiceFilter::kHighpass);
    used.UpdateCoefficients(9000, {});
    const std::vector<double> afterChange = Filtered(used, silence);
    for (std::size_t i = 0; i < silence.size(); ++i)
        ASSERT_NEAR(afterChange[i], expected[i], 1e-9) << i;

    // Setting the mode it already has keeps the states: the old signal rings on.
    used.SetMode(VoiceFilter::kHighpass);
    Filtered(used, Sine(500.0, 4410));
    used.SetMode(VoiceFilter::kHighpass);
    const std::vector<double> unchanged = Filtered(used, silence);
    double difference = 0.0;
    for (std::size_t i = 0; i < silence.size(); ++i)
        difference = std::max(difference, std::abs(unchanged[i] - expected[i]));
    EXPECT_GT(difference, 1e-3);
}

TEST(Filter, ChannelsRunLeftThenRight) {
    // The bias flips once per sample across the left block and then the right one, so a pair
    // processed together equals the left alone followed by the right alone, bit for bit.
    for (int mode : {VoiceFilter::kHighpass, VoiceFilter::kLowpass}) {
        for (std::size_t n : {1u, 44u, 45u}) {
            VoiceFilter together = MakeFilter(mode, 3, 0.7, 11000);
            VoiceFilter apart = MakeFilter(mode, 3, 0.7, 11000);
            std::vector<double> left = Noise(static_cast<int>(n));
            std::vector<double> right = Sine(1000.0, static_cast<int>(n));
            std::vector<double> left2 = left, right2 = right;
            for (int round = 0; round < 3; ++round) {
                together.Process(left, right);
                apart.Process(left2, {});
                apart.Process({}, right2);
            }
            EXPECT_EQ(left, left2);
            EXPECT_EQ(right, right2);
        }
    }
}

TEST(Filter, HighpassAtTheLowestCutoffPassesAfterReset) {
    // The reset loads the coefficients of pitch 0 (8.176 Hz), so a highpass whose first cut-off
    // is exactly 0 passes a 1 kHz tone at full level instead of staying silent.
    VoiceFilter f = MakeFilter(VoiceFilter::kLowpass, 3, 0.0, 5000);
    f.SetMode(VoiceFilter::kHighpass);
    f.UpdateCoefficients(0, {});
    EXPECT_EQ(f.CachedPitch(), 0);
    EXPECT_NEAR(ToneGainDb(f, 1000.0), 0.0, 0.01);
}

TEST(Filter, EverySampleRateKeepsTheFilterStable) {
    // Without pre-warping the top cut-off at 8 kHz is w = 15.6 rad per sample, far above
    // Nyquist; the bilinear sections stay stable for every w > 0.
    for (double rate : {8000.0, 11025.0, 44100.0, 96000.0, 192000.0, 384000.0}) {
        for (int pitch : {0, 6000, 12000, kMaxPitch}) {
            for (int mode : {VoiceFilter::kHighpass, VoiceFilter::kLowpass}) {
                VoiceFilter f;
                f.Prepare(rate);
                ASSERT_EQ(f.SampleRate(), rate);
                f.SetMode(mode);
                f.SetResonance(1.0);
                f.UpdateCoefficients(pitch, {});
                const std::vector<double> y = Filtered(f, Noise(static_cast<int>(rate) / 10), rate);
                for (double v : y)
                    ASSERT_TRUE(std::isfinite(v) && std::abs(v) < 50.0) << rate << " " << pitch;
            }
        }
    }
}
