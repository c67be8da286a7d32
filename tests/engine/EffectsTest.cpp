#include "engine/Chorus.h"
#include "engine/Drive.h"
#include "engine/EqBand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace vorlunda {
namespace {

using Buffer = std::vector<double>;

bool ZeroOrNormal(double x) {
    return x == 0.0 || std::isnormal(x);
}

Buffer Noise(int n, unsigned seed) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    Buffer v(static_cast<std::size_t>(n));
    std::generate(v.begin(), v.end(), [&] { return dist(engine); });
    return v;
}

Buffer Impulse(int n) {
    Buffer v(static_cast<std::size_t>(n), 0.0);
    v[0] = 1.0;
    return v;
}

TEST(Drive, SoftClipsWithMakeUpGain) {
    auto drive = [](double amount, double x) {
        Drive d;
        d.SetDrive(amount);
        double left = x;
        double right = -x;
        d.Process(&left, &right, 1);
        EXPECT_EQ(right, -left);
        return left;
    };
    // Drive 0: pre-gain 0.1, post-gain 10. Input 0.5: c = 0.05,
    // s = (0.0025 + 27) × 0.05 / (0.0225 + 27) = 0.04996299, output 0.4996299.
    EXPECT_NEAR(drive(0.0, 0.5), 0.4996299380146175, 1e-12);
    EXPECT_NEAR(drive(0.0, 0.001), 0.001, 1e-11); // small signals pass
    // Drive 1: pre-gain 20, ±1 → c = ±20 → ±1 × 1 / (4.9 tanh 3 + 0.1) = ±0.2009740.
    EXPECT_NEAR(drive(1.0, 1.0), 0.20097398855846219, 1e-15);
    EXPECT_NEAR(drive(1.0, -1.0), -0.20097398855846219, 1e-15);
    // At c = 3 (input 0.15) the curve meets the ceiling without a step.
    EXPECT_NEAR(drive(1.0, 0.15 - 1e-9), 0.20097398855846219, 1e-9);
}

EqBand MakeBand(double rate, double frequency, double gainDb) {
    EqBand band;
    band.SetSampleRate(rate);
    band.Design(frequency);
    band.SetGain(gainDb);
    return band;
}

// Steady-state gain in dB on a sine: 1 s to settle, then amplitude by projection onto sine and
// cosine over 0.5 s.
double MeasuredGainDb(EqBand band, double frequency, double rate) {
    const int settle = static_cast<int>(rate);
    const int window = settle / 2;
    const double w = 2.0 * std::numbers::pi * frequency / rate;
    Buffer left(static_cast<std::size_t>(settle + window));
    for (std::size_t i = 0; i < left.size(); ++i) {
        left[i] = std::sin(w * static_cast<double>(i));
    }
    Buffer right = left;
    band.Process(left.data(), right.data(), static_cast<int>(left.size()));
    double s = 0.0;
    double c = 0.0;
    for (int i = settle; i < settle + window; ++i) {
        s += left[i] * std::sin(w * i);
        c += left[i] * std::cos(w * i);
    }
    return 20.0 * std::log10(2.0 * std::hypot(s, c) / window);
}

TEST(Equaliser, BandGainAtCentreAndOneOctaveBandwidth) {
    // A = 10^(g / 40) and the peaking design's gain at the centre is A²: +15 dB gives
    // A = 10^0.375 = 2.371 and a peak of 5.623.
    const struct {
        double rate, frequency;
    } cases[] = {{44100, 100}, {44100, 1000}, {48000, 12000}};
    for (const auto& c : cases) {
        for (double gain : {15.0, -15.0, 6.0}) {
            EXPECT_NEAR(MeasuredGainDb(MakeBand(c.rate, c.frequency, gain), c.frequency, c.rate),
                        gain, 0.01)
                << c.frequency << " Hz, " << gain << " dB";
        }
    }
    // Half an octave either side the gain is half the peak in dB (7.5 of 15), within the
    // 0.01 dB asymmetry of the bilinear transform.
    const EqBand band = MakeBand(44100, 1000, 15.0);
    EXPECT_NEAR(MeasuredGainDb(band, 1000 * std::numbers::sqrt2, 44100), 7.5, 0.05);
    EXPECT_NEAR(MeasuredGainDb(band, 1000 / std::numbers::sqrt2, 44100), 7.5, 0.05);
}

TEST(Equaliser, SilenceEndsInExactZeroAndSoundWakesTheBand) {
    // Noise, then silence through a +15 dB band at 100 Hz (the slowest to ring down): the
    // output must reach exact zero, not stay at the denormal guard's ±1e-13, and stay there.
    EqBand band = MakeBand(44100, 100, 15.0);
    EqBand fresh = band;
    Buffer left = Noise(4410, 1);
    Buffer right = Noise(4410, 2);
    band.Process(left.data(), right.data(), 4410);
    int firstZero = -1;
    for (int block = 0; block < 100; ++block) {
        Buffer l(441, 0.0);
        Buffer r(441, 0.0);
        band.Process(l.data(), r.data(), 441);
        for (int i = 0; i < 441; ++i) {
            ASSERT_TRUE(ZeroOrNormal(l[i]) && ZeroOrNormal(r[i]));
            if (firstZero < 0 && l[i] == 0.0 && r[i] == 0.0)
                firstZero = block * 441 + i;
            if (firstZero >= 0) {
                ASSERT_TRUE(l[i] == 0.0 && r[i] == 0.0) << block * 441 + i;
            }
        }
    }
    // About 200 dB of ring-down at 100 Hz with one octave of bandwidth: a tenth of a second.
    EXPECT_GT(firstZero, 0);
    EXPECT_LT(firstZero, 44100);
    // Sound wakes it from a cleared state: the next output is what a new band gives.
    Buffer l = {0.5};
    Buffer r = {-0.5};
    Buffer fl = {0.5};
    Buffer fr = {-0.5};
    band.Process(l.data(), r.data(), 1);
    fresh.Process(fl.data(), fr.data(), 1);
    EXPECT_NEAR(l[0], fl[0], 1e-12);
    EXPECT_NEAR(r[0], fr[0], 1e-12);
}

TEST(Equaliser, ZeroDecibelBandIsSkippedWithFrozenState) {
    EXPECT_FALSE(EqBand().Enabled()) << "constructed at 0 dB";
    // Band a passes a block at 0 dB between two at 6 dB; band b never sees that block. With the
    // 0-dB block untouched and the state (and bias) frozen, their last blocks are identical.
    EqBand a = MakeBand(44100, 400, 6.0);
    EqBand b = a;
    Buffer l = Noise(300, 1);
    Buffer r = l;
    a.Process(l.data(), r.data(), 300);
    a.SetGain(0.0);
    const Buffer second = Noise(300, 2);
    l = second;
    r = second;
    a.Process(l.data(), r.data(), 300);
    EXPECT_EQ(l, second);
    EXPECT_EQ(r, second);
    a.SetGain(6.0);
    l = Noise(300, 1);
    r = l;
    b.Process(l.data(), r.data(), 300);
    Buffer la = Noise(301, 3);
    Buffer ra = la;
    Buffer lb = la;
    Buffer rb = la;
    a.Process(la.data(), ra.data(), 301);
    b.Process(lb.data(), rb.data(), 301);
    EXPECT_EQ(la, lb);
    EXPECT_EQ(ra, rb);
}

// Runs the chorus as the engine does: a tick, then one control block (rate / 1000 samples).
struct ChorusRig {
    explicit ChorusRig(double rate) : block(static_cast<int>(rate) / 1000) { chorus.Prepare(rate); }
    void Run(const Buffer& left, const Buffer& right) {
        outL.assign(left.size(), 0.0);
        outR.assign(left.size(), 0.0);
        for (int pos = 0; pos < static_cast<int>(left.size()); pos += block) {
            chorus.Tick();
            chorus.Process(left.data() + pos, right.data() + pos, outL.data() + pos,
                           outR.data() + pos, std::min<int>(block, left.size() - pos));
        }
    }
    void Silence(int ticks) { Run(Buffer(ticks * block, 0.0), Buffer(ticks * block, 0.0)); }

    Chorus chorus;
    int block; // samples
    Buffer outL, outR;
};

TEST(Chorus, MixZeroPassesTheInputUnchanged) {
    ChorusRig rig(44100.0);
    rig.chorus.SetMix(0.0);
    rig.chorus.SetType(1);
    rig.chorus.SetStereo(0.7);
    const Buffer left = Noise(4410, 5);
    const Buffer right = Noise(4410, 6);
    rig.Run(left, right);
    EXPECT_EQ(rig.outL, left);
    EXPECT_EQ(rig.outR, right);
}

TEST(Chorus, StereoZeroGivesIdenticalOutputsAndTypesEqualTheirSettings) {
    // "Cho Mix" 1, "Stereo" 0: both outputs are (y0 + y1 + y2) × 0.5, even for different inputs.
    // "Mode 1" loads what "Cho LFO1" 7, "Cho LFO2" 13, "Cho Dpt" 0.2 give, "Mode 2" 3, 5 and 0.6:
    // increments (n × 0.1 × 2 × 99.999 + 0.001) / 1000 with n = setting / 100.
    const Buffer left = Noise(44100, 7);
    const Buffer right = Noise(44100, 8);
    const struct {
        int type;
        double lfo1, lfo2, depth;
    } cases[] = {{0, 7, 13, 0.2}, {1, 3, 5, 0.6}};
    for (const auto& c : cases) {
        ChorusRig preset(44100.0);
        ChorusRig manual(44100.0);
        preset.chorus.SetType(c.type);
        manual.chorus.SetLfo1Rate(c.lfo1);
        manual.chorus.SetLfo2Rate(c.lfo2);
        manual.chorus.SetDepth(c.depth);
        for (ChorusRig* rig : {&preset, &manual}) {
            rig->chorus.SetMix(1.0);
            rig->Run(left, right);
        }
        EXPECT_EQ(preset.outL, preset.outR);
        for (std::size_t i = 0; i < left.size(); ++i) {
            ASSERT_NEAR(preset.outL[i], manual.outL[i], 1e-9) << c.type << " at " << i;
        }
        preset.chorus.SetStereo(1.0);
        preset.Run(left, right);
        EXPECT_NE(preset.outL, preset.outR);
    }
}

TEST(Chorus, FullDepthDelayFitsTheLineAtEveryRate) {
    // Target pinned at 1: the delay is (0.016 + 0.001) × rate, longer than 0.016 × rate + 1.
    // The impulse comes out at trunc(D) − 1 and trunc(D) samples with weights 1 − f and f; a
    // line that short would wrap and put it much earlier.
    for (double rate : {8000.0, 11025.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0, 384000.0}) {
        ChorusRig rig(rate);
        rig.chorus.SetMix(1.0);
        rig.chorus.SetDepth(1e6);
        rig.Silence(300);
        const double d = 0.017 * rate;
        const int k = static_cast<int>(d);
        const int n = k + 3 * rig.block;
        rig.Run(Impulse(n), Buffer(n, 0.0));
        EXPECT_NEAR(rig.outL[k - 1], 1.5 * 0.33 * (1.0 - (d - k)), 1e-6) << rate;
        EXPECT_NEAR(rig.outL[k], 1.5 * 0.33 * (d - k), 1e-6) << rate;
        double elsewhere = 0.0;
        for (int i = 0; i < n; ++i) {
            elsewhere += i == k - 1 || i == k ? 0.0 : std::fabs(rig.outL[i]);
        }
        EXPECT_LT(elsewhere, 1e-6) << rate;
    }
}

TEST(Chorus, AnyDepthRateAndTickCadenceStayInsideTheLine) {
    // Depths beyond the range, negative and NaN, blocks ten ticks long that let the delay glide
    // far past its target, and an unprepared chorus (rate 1): every output stays finite and
    // within dry √0.5 + wet √0.5 × 0.5 × 3 taps × 0.33 × 2 ≈ 1.41. A read outside the line
    // would also show up under the address sanitizer.
    const double depths[] = {0, 0.5, 1, 7, 1e9, -3, std::numeric_limits<double>::quiet_NaN()};
    for (double rate : {1.0, 8000.0, 44100.0, 384000.0}) {
        for (double depth : depths) {
            Chorus chorus;
            if (rate > 1.0) {
                chorus.Prepare(rate);
            }
            chorus.SetMix(0.5);
            chorus.SetStereo(1.0);
            chorus.SetType(0);
            chorus.SetDepth(depth);
            const int block = std::max(64, static_cast<int>(rate) / 100);
            const Buffer left = Noise(block, 11);
            const Buffer right = Noise(block, 12);
            Buffer outL(left.size());
            Buffer outR(left.size());
            for (int tick = 0; tick < 300; ++tick) {
                chorus.Tick();
                chorus.Process(left.data(), right.data(), outL.data(), outR.data(), block);
                for (int i = 0; i < block; ++i) {
                    ASSERT_TRUE(std::fabs(outL[i]) <= 1.5 && std::fabs(outR[i]) <= 1.5)
                        << rate << " Hz, depth " << depth;
                }
            }
        }
    }
}

TEST(Chorus, PrepareClearsTheLineAndTheDepth) {
    ChorusRig rig(44100.0);
    rig.chorus.SetMix(1.0);
    rig.chorus.SetDepth(1e6);
    rig.Run(Noise(4410, 14), Noise(4410, 15));
    rig.chorus.Prepare(44100.0);
    rig.Silence(100);
    EXPECT_EQ(rig.outL, Buffer(4400, 0.0)) << "old input is gone";
    // Depth 0 again: every tap's target is 1 ms = 44.1 samples. A tap at delay D interpolates
    // between the samples k = trunc(D) and k − 1 back with weight f = D − k on the older one, so
    // an impulse (L 1, R 0 → line 0.33) comes out at 43 samples with 0.9 × 0.33 and at 44 with
    // 0.1 × 0.33; three equal taps give 1.5 y, times wet √0.5 beside the dry √0.5.
    rig.chorus.SetMix(0.5);
    rig.Run(Impulse(441), Buffer(441, 0.0));
    EXPECT_NEAR(rig.outL[0], std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(rig.outL[43], 1.5 * 0.9 * 0.33 * std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(rig.outR[44], 1.5 * 0.1 * 0.33 * std::sqrt(0.5), 1e-9);
}

TEST(Chorus, MinuteOfSilenceThroughTheChainLeavesNoDenormals) {
    // Noise, then 60 s of silence through drive, seven ±15 dB bands and chorus at 44.1 kHz. The
    // outputs carry the equaliser's y states and the chorus taps; all must stay 0 or normal.
    Drive drive;
    drive.SetDrive(0.5);
    std::vector<EqBand> bands;
    for (std::size_t i = 0; i < EqBand::kCentreFrequencies.size(); ++i) {
        bands.push_back(MakeBand(44100, EqBand::kCentreFrequencies[i], i % 2 ? -15.0 : 15.0));
    }
    ChorusRig rig(44100.0);
    rig.chorus.SetMix(0.5);
    rig.chorus.SetType(1);
    Buffer left(44);
    Buffer right(44);
    for (int tick = 0; tick < 61000; ++tick) {
        if (tick < 1000) {
            left = Noise(44, tick);
            right = Noise(44, tick + 7);
        } else {
            std::fill(left.begin(), left.end(), 0.0);
            std::fill(right.begin(), right.end(), 0.0);
        }
        drive.Process(left.data(), right.data(), 44);
        for (EqBand& band : bands) {
            band.Process(left.data(), right.data(), 44);
            for (int i = 0; i < 44; ++i) {
                ASSERT_TRUE(ZeroOrNormal(left[i]) && ZeroOrNormal(right[i])) << "tick " << tick;
            }
        }
        rig.Run(left, right);
        for (int i = 0; i < 44; ++i) {
            ASSERT_TRUE(ZeroOrNormal(rig.outL[i]) && ZeroOrNormal(rig.outR[i])) << "tick " << tick;
        }
    }
    // The equaliser rests in exact zeros, and the chorus line empties after them.
    EXPECT_EQ(rig.outL[0], 0.0);
    EXPECT_EQ(rig.outR[0], 0.0);
}

} // namespace
} // namespace vorlunda
