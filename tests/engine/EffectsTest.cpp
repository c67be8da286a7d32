#include "engine/Chorus.h"
#include "engine/Drive.h"
#include "engine/EqBand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

namespace vorlunda {
namespace {

bool ZeroOrNormal(double x) {
    return x == 0.0 || std::isnormal(x);
}

std::vector<double> Noise(int n, unsigned seed) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> v(static_cast<std::size_t>(n));
    for (double& x : v) {
        x = dist(engine);
    }
    return v;
}

// ---------------------------------------------------------------------------------------------
// Drive

double Drive1(const Drive& drive, double x) {
    double left = x;
    double right = -x;
    drive.Process(&left, &right, 1);
    EXPECT_EQ(right, -left) << "the curve is odd";
    return left;
}

TEST(Drive, ZeroDriveIsGentleLimiter) {
    Drive drive;
    drive.SetDrive(0.0);
    // Pre-gain 0.1, post-gain 1 / 0.1 = 10. Input 0.5: c = 0.05,
    // s = (0.0025 + 27) × 0.05 / (0.0225 + 27) = 0.04996299, output 0.4996299.
    EXPECT_NEAR(Drive1(drive, 0.5), 0.4996299380146175, 1e-12);
    // Small signals pass almost unchanged: c = 1e-4, s ≈ c (1 − 8c²/27).
    EXPECT_NEAR(Drive1(drive, 0.001), 0.001, 1e-11);
    // Beyond c = 3 (input 30) the output is 10 × ±1.
    EXPECT_NEAR(Drive1(drive, 40.0), 10.0, 1e-14);
}

TEST(Drive, FullDriveSaturatesSmoothly) {
    Drive drive;
    drive.SetDrive(1.0);
    // Pre-gain 20: ±1 → c = ±20 → s = ±1; post-gain 1 / (4.9 tanh 3 + 0.1) = 0.2009740.
    const double ceiling = 1.0 / (4.9 * std::tanh(3.0) + 0.1);
    EXPECT_NEAR(ceiling, 0.20097398855846219, 1e-15);
    EXPECT_NEAR(Drive1(drive, 1.0), ceiling, 1e-15);
    EXPECT_NEAR(Drive1(drive, -1.0), -ceiling, 1e-15);
    // At c = 3 (input 0.15) the curve meets the ceiling without a step.
    EXPECT_NEAR(Drive1(drive, 0.15 - 1e-9), ceiling, 1e-9);
    // Monotonic on the way up.
    double last = -1.0;
    for (int i = 0; i <= 1000; ++i) {
        const double y = Drive1(drive, i * 0.0005);
        ASSERT_GE(y, last);
        last = y;
    }
}

// ---------------------------------------------------------------------------------------------
// Equaliser

// Steady-state gain in dB of a band on a sine of `frequency`: 1 s to settle, then amplitude by
// projection onto sine and cosine over the next 0.5 s.
double MeasuredGainDb(EqBand& band, double frequency, double rate) {
    const int settle = static_cast<int>(rate);
    const int window = static_cast<int>(rate / 2);
    std::vector<double> left(static_cast<std::size_t>(settle + window));
    const double w = 2.0 * std::numbers::pi * frequency / rate;
    for (std::size_t i = 0; i < left.size(); ++i) {
        left[i] = std::sin(w * static_cast<double>(i));
    }
    std::vector<double> right = left;
    band.Process(left.data(), right.data(), static_cast<int>(left.size()));
    double s = 0.0;
    double c = 0.0;
    for (int i = settle; i < settle + window; ++i) {
        s += left[i] * std::sin(w * i);
        c += left[i] * std::cos(w * i);
    }
    const double amplitude = 2.0 * std::hypot(s, c) / window;
    return 20.0 * std::log10(amplitude);
}

EqBand MakeBand(double rate, double frequency, double gainDb) {
    EqBand band;
    band.SetSampleRate(rate);
    band.Design(frequency);
    band.SetGain(gainDb);
    return band;
}

TEST(Equaliser, BandBoostsAndCutsByItsGainAtTheCentre) {
    // A = 10^(g / 40) and the peaking design's gain at the centre is A²: +15 dB gives
    // A = 10^0.375 = 2.371 and a peak of 5.623 (+15 dB).
    struct Case {
        double rate;
        double frequency;
    };
    const Case cases[] = {{44100.0, 100.0}, {44100.0, 1000.0}, {48000.0, 12000.0}};
    for (const Case& c : cases) {
        for (double gain : {15.0, -15.0, 6.0}) {
            EqBand band = MakeBand(c.rate, c.frequency, gain);
            EXPECT_NEAR(MeasuredGainDb(band, c.frequency, c.rate), gain, 0.01)
                << c.frequency << " Hz at " << c.rate << " Hz, " << gain << " dB";
        }
    }
}

TEST(Equaliser, BandIsOneOctaveWide) {
    // Half an octave either side of 1 kHz the gain is half the peak in dB (7.5 of 15 dB); the
    // bilinear transform leaves about 0.01 dB of asymmetry there.
    EqBand above = MakeBand(44100.0, 1000.0, 15.0);
    EXPECT_NEAR(MeasuredGainDb(above, 1000.0 * std::sqrt(2.0), 44100.0), 7.5, 0.05);
    EqBand below = MakeBand(44100.0, 1000.0, 15.0);
    EXPECT_NEAR(MeasuredGainDb(below, 1000.0 / std::sqrt(2.0), 44100.0), 7.5, 0.05);
    // Two octaves away almost nothing is left (RBJ design: about 1.3 dB at 4 kHz).
    EqBand far = MakeBand(44100.0, 1000.0, 15.0);
    EXPECT_LT(MeasuredGainDb(far, 4000.0, 44100.0), 2.0);
}

TEST(Equaliser, ZeroDecibelBandIsSkippedWithFrozenState) {
    EqBand fresh;
    EXPECT_FALSE(fresh.Enabled()) << "constructed at 0 dB";

    const std::vector<double> first = Noise(300, 1);
    const std::vector<double> second = Noise(300, 2);
    const std::vector<double> third = Noise(301, 3);

    // Band A sees 6 dB, then 0 dB for a block, then 6 dB again; band B never sees the 0-dB
    // block. With the state frozen (and the bias not flipped) their third blocks are identical.
    EqBand a = MakeBand(44100.0, 400.0, 6.0);
    EqBand b = MakeBand(44100.0, 400.0, 6.0);
    std::vector<double> l = first;
    std::vector<double> r = first;
    a.Process(l.data(), r.data(), 300);
    l = first;
    r = first;
    b.Process(l.data(), r.data(), 300);

    a.SetGain(0.0);
    EXPECT_FALSE(a.Enabled());
    l = second;
    r = second;
    a.Process(l.data(), r.data(), 300);
    EXPECT_EQ(l, second) << "a 0-dB band leaves the signal bit for bit";
    EXPECT_EQ(r, second);

    a.SetGain(6.0);
    std::vector<double> la = third;
    std::vector<double> ra = third;
    a.Process(la.data(), ra.data(), 301);
    std::vector<double> lb = third;
    std::vector<double> rb = third;
    b.Process(lb.data(), rb.data(), 301);
    EXPECT_EQ(la, lb);
    EXPECT_EQ(ra, rb);
}

TEST(Equaliser, MinuteOfSilenceLeavesNoDenormals) {
    constexpr double kRate = 44100.0; // Hz
    std::vector<EqBand> bands;
    for (std::size_t i = 0; i < EqBand::kCentreFrequencies.size(); ++i) {
        bands.push_back(MakeBand(kRate, EqBand::kCentreFrequencies[i], i % 2 ? -15.0 : 15.0));
    }
    constexpr int kBlock = 44; // samples, one control tick
    std::vector<double> noise = Noise(kBlock * 100, 4);
    std::vector<double> left = noise;
    std::vector<double> right = noise;
    for (int pos = 0; pos < kBlock * 100; pos += kBlock) {
        for (EqBand& band : bands) {
            band.Process(left.data() + pos, right.data() + pos, kBlock);
        }
    }
    std::vector<double> l(kBlock);
    std::vector<double> r(kBlock);
    for (int tick = 0; tick < 60 * 1000; ++tick) {
        std::fill(l.begin(), l.end(), 0.0);
        std::fill(r.begin(), r.end(), 0.0);
        for (EqBand& band : bands) {
            band.Process(l.data(), r.data(), kBlock);
        }
        for (int i = 0; i < kBlock; ++i) {
            // The outputs are the filters' y states.
            ASSERT_TRUE(ZeroOrNormal(l[i]) && ZeroOrNormal(r[i])) << "tick " << tick;
        }
    }
    for (int i = 0; i < kBlock; ++i) {
        EXPECT_LT(std::fabs(l[i]), 1e-10);
    }
}

// ---------------------------------------------------------------------------------------------
// Chorus

// Runs the chorus as the engine does: a tick, then one control block (rate / 1000 samples).
class ChorusRig {
public:
    explicit ChorusRig(double rate) : block(static_cast<int>(rate) / 1000) { chorus.Prepare(rate); }

    // Feeds `left`/`right` (same length) and answers the two outputs.
    std::pair<std::vector<double>, std::vector<double>> Run(const std::vector<double>& left,
                                                            const std::vector<double>& right) {
        std::vector<double> outL(left.size());
        std::vector<double> outR(left.size());
        const int total = static_cast<int>(left.size());
        for (int pos = 0; pos < total; pos += block) {
            const int n = std::min(block, total - pos);
            chorus.Tick();
            chorus.Process(left.data() + pos, right.data() + pos, outL.data() + pos,
                           outR.data() + pos, n);
        }
        return {outL, outR};
    }

    void Silence(int ticks) {
        const std::vector<double> zeros(static_cast<std::size_t>(ticks * block), 0.0);
        Run(zeros, zeros);
    }

    Chorus chorus;
    int block; // samples
};

std::vector<double> Impulse(int n) {
    std::vector<double> v(static_cast<std::size_t>(n), 0.0);
    v[0] = 1.0;
    return v;
}

TEST(Chorus, MixZeroPassesTheInputUnchanged) {
    ChorusRig rig(44100.0);
    rig.chorus.SetMix(0.0);
    rig.chorus.SetType(1);
    rig.chorus.SetStereo(0.7);
    const std::vector<double> left = Noise(4410, 5);
    const std::vector<double> right = Noise(4410, 6);
    const auto [outL, outR] = rig.Run(left, right);
    EXPECT_EQ(outL, left);
    EXPECT_EQ(outR, right);
}

TEST(Chorus, TapsReadTheMonoSumAtOneMillisecondWithoutDepth) {
    // Depth 0: every tap's target is 1 ms = 44.1 samples. A tap at delay D interpolates between
    // the samples k = trunc(D) and k − 1 back with weight f = D − k on the older one, so an
    // impulse (L 1, R 0 → line 0.33) comes out at 43 samples with 0.9 × 0.33 and at 44 with
    // 0.1 × 0.33. Three equal taps at "Stereo" 0 give (y0 + y1 + y2) × 0.5 = 1.5 y.
    for (double mix : {1.0, 0.5}) {
        ChorusRig rig(44100.0);
        rig.chorus.SetMix(mix);
        rig.chorus.SetStereo(0.0);
        rig.Silence(200); // the delays glide from 0 to 1 ms
        const std::vector<double> zeros(441, 0.0);
        const auto [outL, outR] = rig.Run(Impulse(441), zeros);
        const double wet = std::sqrt(mix);
        const double dry = std::sqrt(1.0 - mix);
        EXPECT_NEAR(outL[0], dry, 1e-12);
        EXPECT_NEAR(outR[0], 0.0, 1e-12);
        EXPECT_NEAR(outL[43], 1.5 * 0.9 * 0.33 * wet, 1e-9) << "mix " << mix;
        EXPECT_NEAR(outL[44], 1.5 * 0.1 * 0.33 * wet, 1e-9);
        EXPECT_NEAR(outR[43], 1.5 * 0.9 * 0.33 * wet, 1e-9);
        double elsewhere = 0.0;
        for (int i = 1; i < 441; ++i) {
            if (i != 43 && i != 44) {
                elsewhere += std::fabs(outL[i]) + std::fabs(outR[i]);
            }
        }
        EXPECT_LT(elsewhere, 1e-9);
    }
}

TEST(Chorus, StereoZeroGivesIdenticalOutputsStereoOneDoesNot) {
    // "Cho Mix" 1, "Stereo" 0: both outputs are (y0 + y1 + y2) × 0.5, even for different inputs.
    for (double stereo : {0.0, 1.0}) {
        ChorusRig rig(48000.0);
        rig.chorus.SetMix(1.0);
        rig.chorus.SetType(0);
        rig.chorus.SetStereo(stereo);
        const auto [outL, outR] = rig.Run(Noise(48000, 7), Noise(48000, 8));
        if (stereo == 0.0) {
            EXPECT_EQ(outL, outR);
        } else {
            EXPECT_NE(outL, outR);
        }
    }
}

TEST(Chorus, TypePresetsEqualTheirRateAndDepthSettings) {
    // "Mode 1" = "Cho LFO1" 7, "Cho LFO2" 13, "Cho Dpt" 0.2; "Mode 2" = 3, 5 and 0.6.
    // Increments (n × 0.1 × 2 × 99.999 + 0.001) / 1000 with n = setting / 100, e.g.
    // 7 → 0.001400986 per tick.
    struct Case {
        int type;
        double lfo1;
        double lfo2;
        double depth;
    };
    const Case cases[] = {{0, 7.0, 13.0, 0.2}, {1, 3.0, 5.0, 0.6}};
    const std::vector<double> left = Noise(44100 * 2, 9);
    const std::vector<double> right = Noise(44100 * 2, 10);
    for (const Case& c : cases) {
        ChorusRig preset(44100.0);
        preset.chorus.SetMix(1.0);
        preset.chorus.SetStereo(0.5);
        preset.chorus.SetType(c.type);
        ChorusRig manual(44100.0);
        manual.chorus.SetMix(1.0);
        manual.chorus.SetStereo(0.5);
        manual.chorus.SetLfo1Rate(c.lfo1);
        manual.chorus.SetLfo2Rate(c.lfo2);
        manual.chorus.SetDepth(c.depth);
        const auto [pL, pR] = preset.Run(left, right);
        const auto [mL, mR] = manual.Run(left, right);
        double worst = 0.0;
        for (std::size_t i = 0; i < left.size(); ++i) {
            worst = std::max(worst, std::fabs(pL[i] - mL[i]) + std::fabs(pR[i] - mR[i]));
        }
        EXPECT_LT(worst, 1e-6) << "type " << c.type;
        // And the modulation is audible: the output differs from a depth-0 chorus.
        ChorusRig still(44100.0);
        still.chorus.SetMix(1.0);
        still.chorus.SetStereo(0.5);
        const auto [sL, sR] = still.Run(left, right);
        EXPECT_NE(sL, pL);
    }
}

TEST(Chorus, FullDepthDelayFitsTheLineAtEveryRate) {
    // With the target pinned at 1 the delay is (0.016 + 0.001) × rate samples, longer than
    // 0.016 × rate + 1. The impulse must come out at trunc(D) − 1 and trunc(D) samples with
    // weights 1 − f and f; a line too short would wrap and put it much earlier.
    for (double rate : {8000.0, 11025.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0, 384000.0}) {
        ChorusRig rig(rate);
        rig.chorus.SetMix(1.0);
        rig.chorus.SetStereo(0.0);
        rig.chorus.SetDepth(1e6);
        rig.Silence(300);
        const double d = 0.017 * rate;
        const int k = static_cast<int>(d);
        const double f = d - k;
        ASSERT_GE(rig.chorus.LineLength(), k + 1) << rate;
        const int n = k + 3 * rig.block;
        const std::vector<double> zeros(static_cast<std::size_t>(n), 0.0);
        const auto [outL, outR] = rig.Run(Impulse(n), zeros);
        EXPECT_NEAR(outL[k - 1], 1.5 * 0.33 * (1.0 - f), 1e-6) << rate;
        EXPECT_NEAR(outL[k], 1.5 * 0.33 * f, 1e-6) << rate;
        double elsewhere = 0.0;
        for (int i = 0; i < n; ++i) {
            if (i != k - 1 && i != k) {
                elsewhere += std::fabs(outL[i]);
            }
        }
        EXPECT_LT(elsewhere, 1e-6) << rate;
    }
}

TEST(Chorus, AnyDepthAndTickCadenceStayInsideTheLine) {
    // Depths beyond the parameter range, negative and NaN, and blocks ten ticks long that let
    // the delay glide far past its target: every output stays finite and within the bound of
    // dry √0.5 × 1 plus wet √0.5 × 0.5 × (2 + 1) taps × 0.33 × 2 ≈ 1.41. A read outside the line
    // would show up as garbage here and as an error under the address sanitizer.
    const double depths[] = {
        0.0, 0.5, 1.0, 7.0, 1e9, -3.0, std::numeric_limits<double>::quiet_NaN()};
    for (double rate : {8000.0, 44100.0, 384000.0}) {
        for (double depth : depths) {
            Chorus chorus;
            chorus.Prepare(rate);
            chorus.SetMix(0.5);
            chorus.SetStereo(1.0);
            chorus.SetType(0);
            chorus.SetDepth(depth);
            const int block = static_cast<int>(rate) / 1000 * 10;
            const std::vector<double> left = Noise(block, 11);
            const std::vector<double> right = Noise(block, 12);
            std::vector<double> outL(static_cast<std::size_t>(block));
            std::vector<double> outR(static_cast<std::size_t>(block));
            for (int tick = 0; tick < 300; ++tick) {
                chorus.Tick();
                chorus.Process(left.data(), right.data(), outL.data(), outR.data(), block);
                for (int i = 0; i < block; ++i) {
                    ASSERT_TRUE(std::isfinite(outL[i]) && std::isfinite(outR[i]));
                    ASSERT_LE(std::fabs(outL[i]), 1.5);
                    ASSERT_LE(std::fabs(outR[i]), 1.5);
                }
            }
        }
    }
    // Before the first Prepare the chorus runs at a rate of 1 with a line of a few samples.
    Chorus unprepared;
    unprepared.SetMix(1.0);
    unprepared.SetDepth(1.0);
    std::vector<double> in = Noise(64, 13);
    std::vector<double> out(64);
    unprepared.Tick();
    unprepared.Process(in.data(), in.data(), out.data(), out.data(), 64);
    for (double x : out) {
        EXPECT_TRUE(std::isfinite(x));
    }
}

TEST(Chorus, PrepareClearsTheLineAndTheDepth) {
    ChorusRig rig(44100.0);
    rig.chorus.SetMix(1.0);
    rig.chorus.SetDepth(1e6);
    rig.Run(Noise(4410, 14), Noise(4410, 15));
    rig.chorus.Prepare(44100.0);
    // Old input is gone: silence in, silence out, exactly.
    const std::vector<double> zeros(4410, 0.0);
    const auto [outL, outR] = rig.Run(zeros, zeros);
    for (std::size_t i = 0; i < zeros.size(); ++i) {
        ASSERT_EQ(outL[i], 0.0);
        ASSERT_EQ(outR[i], 0.0);
    }
    // Depth is back to 0: an impulse returns at 1 ms (43/44 samples), not at 17 ms.
    const auto [echoL, echoR] = rig.Run(Impulse(441), std::vector<double>(441, 0.0));
    EXPECT_NEAR(echoL[43], 1.5 * 0.9 * 0.33, 1e-9);
}

TEST(Chorus, MinuteOfSilenceLeavesNoDenormals) {
    ChorusRig rig(44100.0);
    rig.chorus.SetMix(0.5);
    rig.chorus.SetType(1);
    rig.chorus.SetStereo(0.3);
    rig.Run(Noise(44100, 16), Noise(44100, 17));
    const std::vector<double> zeros(44 * 1000, 0.0);
    for (int second = 0; second < 60; ++second) {
        const auto [outL, outR] = rig.Run(zeros, zeros);
        for (std::size_t i = 0; i < zeros.size(); ++i) {
            ASSERT_TRUE(ZeroOrNormal(outL[i]) && ZeroOrNormal(outR[i])) << second << " s";
        }
    }
}

} // namespace
} // namespace vorlunda
