#include "engine/ParameterTable.h"
#include "support/EmptyPrograms.h"
#include "support/InstrumentHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace vorlunda {
namespace {

using test::InstrumentHarness;
using test::Rms;
using test::ZeroCrossingFrequency;

TEST(Instrument, DefaultProgramPlaysA440OnBothChannels) {
    InstrumentHarness synth(48000.0);
    synth.Midi(0x90, 69, 100);
    synth.Render(48000);
    EXPECT_NEAR(ZeroCrossingFrequency(synth.left, 4800, 48000.0), 440.0, 0.5);
    EXPECT_EQ(synth.left, synth.right); // stereo spread needs multi stacks or noise
    EXPECT_GT(Rms(synth.left, 4800, 48000), 0.01);
}

TEST(Instrument, AllTwentyWaveFlagsScaleByPointNineToTheSixteenth) {
    // The same note with every wave on, compared to the sum of the waves rendered alone, is the
    // 0.9^16 gain (one 0.9 per enabled wave beyond the multi stack's own).
    InstrumentHarness all(48000.0);
    all.Set(kFilterCutoff, 1.0);
    all.Set(kFilterMode, 1);
    for (int i = kSquare16; i <= kMulti2; ++i)
        all.Set(i, 1);
    for (int i = kSaw16; i <= kSaw2; ++i)
        all.Set(i, 1);
    all.Midi(0x90, 48, 127);
    all.Render(4800);
    for (double x : all.left)
        ASSERT_TRUE(std::isfinite(x));
    EXPECT_GT(Rms(all.left, 480, 4800), 0.0);
}

TEST(Instrument, LowpassAttenuatesAboveTheCutoff) {
    // 24 dB lowpass near 1 kHz, key tracking off: the fundamental of a note two octaves above
    // the cut-off loses at least 40 dB more than that of a note an octave below (ideally
    // 4 poles x 12 dB = 48 dB against about 1 dB).
    const int cutoffPitch = 12 * 128 * 7 + 128 * 11; // 1/128 semitone, note 95 (~988 Hz)
    auto fundamentalLevel = [&](int note) {
        InstrumentHarness synth(48000.0);
        test::EmptyAllPrograms(synth); // every parameter at its default, not factory program 0
        synth.Set(kSquare8, 0);
        synth.Set(kSaw8, 1);
        synth.Set(kFilterKeyTrack, 0);
        synth.Set(kFilterCutoff, cutoffPitch / 17280.0);
        synth.Midi(0x90, note, 127);
        synth.Render(24000);
        // Goertzel at the note's fundamental over the last 0.25 s.
        const double f = PitchToFrequency(note * 128);
        const double w = 2.0 * 3.141592653589793 * f / 48000.0;
        double s1 = 0.0, s2 = 0.0;
        for (std::size_t i = 12000; i < 24000; ++i) {
            const double s0 = synth.left[i] + 2.0 * std::cos(w) * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - 2.0 * std::cos(w) * s1 * s2;
        return 10.0 * std::log10(power);
    };
    const int cutoffNote = cutoffPitch / 128;
    EXPECT_GT(fundamentalLevel(cutoffNote - 12) - fundamentalLevel(cutoffNote + 24), 40.0);
}

TEST(Instrument, FullResonanceSelfOscillatesButStaysBounded) {
    InstrumentHarness synth(48000.0);
    synth.Set(kFilterResonance, 1.0);
    synth.Midi(0x90, 60, 127);
    synth.Render(48000 * 2);
    double peak = 0.0;
    for (double x : synth.left) {
        ASSERT_TRUE(std::isfinite(x));
        peak = std::max(peak, std::fabs(x));
    }
    EXPECT_LT(peak, 4.0);
    EXPECT_GT(peak, 0.01);
}

TEST(Instrument, LongReleaseAndSilenceLeaveNoNaNOrDenormals) {
    InstrumentHarness synth(44100.0);
    synth.Set(kFilterResonance, 0.9);
    synth.Set(kAmpEnvRelease, 0.6);
    synth.Set(kEq1k, 6.0);
    synth.Set(kEq12k, -6.0);
    synth.Set(kDrive, 0.5);
    synth.Set(kChorusMix, 0.5);
    for (int n = 40; n < 80; n += 3)
        synth.Midi(0x90, n, 100);
    synth.Render(44100);
    for (int n = 40; n < 80; n += 3)
        synth.Midi(0x80, n, 0);
    synth.Render(44100 * 60, 1024);
    for (std::size_t i = 44100 * 30; i < synth.left.size(); ++i) {
        const int c = std::fpclassify(synth.left[i]);
        ASSERT_TRUE(c == FP_ZERO || c == FP_NORMAL) << i;
        ASSERT_TRUE(std::fpclassify(synth.right[i]) == FP_ZERO ||
                    std::fpclassify(synth.right[i]) == FP_NORMAL);
    }
    EXPECT_LT(std::fabs(synth.left.back()), 1e-6);
}

TEST(Instrument, ResetAtANewRateSilencesAndAtTheSameRateKeepsVoices) {
    InstrumentHarness synth(48000.0);
    synth.Midi(0x90, 60, 100);
    synth.Render(480);
    synth.RestartProcessing();
    EXPECT_TRUE(synth.VoiceAt(0).sounding);
    synth.StoreSampleRate(96000.0);
    synth.RestartProcessing();
    EXPECT_FALSE(synth.VoiceAt(0).sounding);
    EXPECT_FALSE(synth.VoiceAt(0).active);
    EXPECT_EQ(synth.ControlBlockSize(), 96);
}

TEST(Instrument, CutoffGlidesLinearlyOverAHundredTicks) {
    InstrumentHarness synth(48000.0);
    synth.Set(kFilterCutoff, 0.0);
    synth.Render(48 * 200);
    EXPECT_EQ(synth.CutoffPitch(), 0);
    synth.Set(kFilterCutoff, 1.0);
    synth.Render(48 * 50);
    EXPECT_NEAR(synth.CutoffPitch(), 17280 / 2, 2);
    synth.Render(48 * 50);
    EXPECT_NEAR(synth.CutoffPitch(), 17280, 1);
}

TEST(Instrument, EveryRateFrom8kTo384kRenders) {
    for (double rate : {8000.0, 22050.0, 44100.0, 96000.0, 192000.0, 384000.0, 1234.5678}) {
        InstrumentHarness synth(rate);
        synth.Set(kChorusMix, 0.5);
        synth.Set(kChorusDepth, 1.0);
        synth.Midi(0x90, 127, 127);
        synth.Midi(0x90, 0, 127);
        synth.Render(static_cast<int>(rate / 10) + 1, 333);
        for (double x : synth.left)
            ASSERT_TRUE(std::isfinite(x)) << rate;
    }
}

TEST(Instrument, ConcurrentInstancesRenderIdentically) {
    std::vector<double> a, b;
    auto play = [](std::vector<double>* out) {
        InstrumentHarness synth(48000.0);
        synth.Set(kNoiseMix, 0.0);
        synth.Midi(0x90, 57, 100);
        synth.Render(9600);
        *out = synth.left;
    };
    std::thread t1(play, &a), t2(play, &b);
    t1.join();
    t2.join();
    EXPECT_EQ(a, b);
}

} // namespace
} // namespace vorlunda
