#include "engine/Oscillator.h"
#include "engine/OscillatorTables.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

using namespace vorlunda;

namespace {

constexpr double kRate = 44100.0; // Hz
constexpr int kChunk = 44;        // samples per control tick at 44.1 kHz

struct Stereo {
    std::vector<double> left, right;
};

Stereo RenderSamples(Oscillator& osc, int n, int chunk = kChunk) {
    Stereo out{std::vector<double>(n), std::vector<double>(n)};
    for (int i = 0; i < n; i += chunk) {
        const int len = std::min(chunk, n - i);
        osc.Render(std::span(out.left).subspan(i, len), std::span(out.right).subspan(i, len));
    }
    return out;
}

// Frequency from the rising zero crossings, interpolated between samples.
double MeasureFrequency(const std::vector<double>& x, double rate) {
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (std::size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] < 0.0 && x[i] >= 0.0) {
            const double t = (i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            if (crossings == 0)
                first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * rate / (last - first);
}

// An oscillator at 44.1 kHz with no tuning offsets and the given pitch (1/128 semitone).
Oscillator MakeOscillator(double glidePitch) {
    Oscillator osc;
    osc.Prepare(kRate);
    osc.UpdatePitch(glidePitch, {});
    return osc;
}

const WavetableSet::Cycle& Table(Waveform w, int level) {
    return OscillatorTables::Wavetables().Level(w, level);
}

} // namespace

TEST(Oscillator, PitchToFrequencyInterpolatesTheNoteTable) {
    EXPECT_DOUBLE_EQ(PitchToFrequency(0), 8.176);
    EXPECT_DOUBLE_EQ(PitchToFrequency(6144), 130.813);       // note 48: 440 * 2^(-21/12) = 130.8128
    EXPECT_DOUBLE_EQ(PitchToFrequency(8832), 440.0);         // note 69
    EXPECT_DOUBLE_EQ(PitchToFrequency(124 * 128), 10548.08); // tabulated with two decimals
    EXPECT_DOUBLE_EQ(PitchToFrequency(127 * 128), 12543.85);
    // Half-way from note 0 (8.176) to note 1 (440 * 2^(-68/12) = 8.662): 8.176 + 0.486 / 2.
    EXPECT_NEAR(PitchToFrequency(64), 8.419, 1e-12);
    // -1: 1/128 of the way from 8.176 down to 8.176 * 2^(-1/12) = 7.7171163805.
    EXPECT_NEAR(PitchToFrequency(-1), 8.176 + (7.7171163805 - 8.176) / 128.0, 1e-12);
    // 17279: 127/128 of the way from note 134 (18794.545) to note 135 (19912.127).
    EXPECT_NEAR(PitchToFrequency(17279), 18794.545 + (19912.127 - 18794.545) * 127 / 128, 1e-9);
    EXPECT_DOUBLE_EQ(PitchToFrequency(17280), 19912.127);
    EXPECT_DOUBLE_EQ(PitchToFrequency(1 << 30), 19912.127);
    EXPECT_DOUBLE_EQ(PitchToFrequency(-17280), 0.0033570162); // 8.176 * 2^(-135/12)
    EXPECT_NEAR(PitchToFrequency(-17279), 0.0033570162, 2e-6);
}

TEST(Oscillator, IncrementTableFollowsTheSampleRate) {
    // trunc(f * 2^28 / rate): 440 Hz at 48 kHz = 118111600640 / 48000 = 2460658.35.
    const auto at48k = OscillatorTables::Increments(48000.0);
    EXPECT_EQ(at48k->sampleRate, 48000.0);
    EXPECT_EQ(at48k->At(8832), 2460658);
    // 8.176 Hz at 44.1 kHz = 49767.08; 19912.127 Hz at 8 kHz = 668140111.4.
    const auto at44k = OscillatorTables::Increments(44100.0);
    EXPECT_EQ(at44k->At(0), 49767);
    EXPECT_EQ(at44k->At(-5), 49767);
    EXPECT_EQ(OscillatorTables::Increments(8000.0)->At(kMaxPitch + 1), 668140111);
    // A table handed out keeps its rate when the shared one moves on.
    EXPECT_EQ(at48k->At(8832), 2460658);
    EXPECT_EQ(at44k->sampleRate, 44100.0);
}

TEST(Oscillator, WavetablesFollowTheHarmonicFormulas) {
    // Level 10 holds the fundamental only: saw = 0.5 sin(theta), square = (0.5 sin(theta) -
    // 0.5 sin(theta + pi)) / 2 = 0.5 sin(theta), pulse = (0.5 sin(theta) - 0.5 sin(theta +
    // 3 pi / 2)) / 2 = 0.25 (sin(theta) + cos(theta)).
    EXPECT_DOUBLE_EQ(Table(Waveform::Saw, 10)[1024], 0.5);
    EXPECT_DOUBLE_EQ(Table(Waveform::Square, 10)[1024], 0.5);
    EXPECT_DOUBLE_EQ(Table(Waveform::Pulse, 10)[0], 0.25);
    // Level 9: a1 = 0.5, a2 = (0.54 + 0.46 cos(pi / 2)) * 0.5 / 2 = 0.135; at j = 512 (theta =
    // pi / 4): 0.5 sin(pi / 4) + 0.135 sin(pi / 2).
    EXPECT_NEAR(Table(Waveform::Saw, 9)[512], 0.5 * std::sqrt(0.5) + 0.135, 1e-15);

    // Any level against the plain sum in extended precision.
    for (int level : {0, 3, 7}) {
        const int harmonics = 1 << (10 - level);
        for (int j : {1, 77, 1000, 2048, 3001, 4095}) {
            long double sum = 0.0L;
            for (int h = 1; h <= harmonics; ++h) {
                const long double a =
                    h == 1 ? 0.5L
                           : (0.54L + 0.46L * std::cos((h - 1) * std::numbers::pi_v<long double> /
                                                       2 / (harmonics - 1))) *
                                 0.5L / h;
                sum += a * std::sin(2 * std::numbers::pi_v<long double> * ((h * j) % 4096) / 4096);
            }
            EXPECT_NEAR(Table(Waveform::Saw, level)[j], static_cast<double>(sum), 1e-14)
                << "level " << level << " index " << j;
        }
        const auto& saw = Table(Waveform::Saw, level);
        // Square: half a cycle apart (100 + 2048); pulse: three quarters ((1124 + 3072) mod 4096).
        EXPECT_DOUBLE_EQ(Table(Waveform::Square, level)[100], (saw[100] - saw[2148]) * 0.5);
        EXPECT_DOUBLE_EQ(Table(Waveform::Pulse, level)[1124], (saw[1124] - saw[100]) * 0.5);
    }
}

// The wide loops read the saw from the quartered copy and scale a square or pulse term as
// (a - b) x (gain / 2) instead of ((a - b) / 2) x gain; both must give the table's doubles.
TEST(Oscillator, QuarteredTablesGiveTheInterleavedWavesBitForBit) {
    const WavetableSet& w = OscillatorTables::Wavetables();
    int mismatches = 0;
    for (int level = 0; level < kWaveLevels; ++level) {
        const double* q = w.Quartered(level);
        const double* in = w.Interleaved(level);
        for (int x = 0; x < kWaveLength; ++x) {
            const double* row = q + QuarteredIndex(x);
            const double square = (row[0] - row[2]) * 0.5;
            const double pulse = (row[0] - row[3]) * 0.5;
            mismatches += std::bit_cast<std::uint64_t>(row[0]) !=
                              std::bit_cast<std::uint64_t>(in[x * kInterleave]) ||
                          std::bit_cast<std::uint64_t>(square) !=
                              std::bit_cast<std::uint64_t>(in[x * kInterleave + 1]) ||
                          std::bit_cast<std::uint64_t>(pulse) !=
                              std::bit_cast<std::uint64_t>(in[x * kInterleave + 2]);
            for (double gain : {0.66, 0.75}) {
                mismatches += gain * square != (row[0] - row[2]) * (gain * 0.5);
                mismatches += gain * pulse != (row[0] - row[3]) * (gain * 0.5);
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Oscillator, ConcurrentTableBuildsAgree) {
    auto first = std::make_unique<WavetableSet>();
    auto second = std::make_unique<WavetableSet>();
    const WavetableSet* sharedSeen[2] = {};
    std::thread a([&] {
        OscillatorTables::BuildWavetables(*first);
        sharedSeen[0] = &OscillatorTables::Wavetables();
    });
    std::thread b([&] {
        OscillatorTables::BuildWavetables(*second);
        sharedSeen[1] = &OscillatorTables::Wavetables();
    });
    a.join();
    b.join();
    EXPECT_EQ(sharedSeen[0], sharedSeen[1]);
    EXPECT_TRUE(first->tables == second->tables);
    EXPECT_TRUE(first->tables == OscillatorTables::Wavetables().tables);

    // Two instances preparing different rates at the same time each get their own rate's table.
    IncrementTable expected44, expected96;
    OscillatorTables::BuildIncrements(expected44, 44100.0);
    OscillatorTables::BuildIncrements(expected96, 96000.0);
    bool consistent[2] = {true, true};
    auto prepareLoop = [&](int id, double rate, const IncrementTable& expected) {
        for (int i = 0; i < 20; ++i) {
            const auto table = OscillatorTables::Increments(i % 2 ? rate : 22050.0 + id);
            if (i % 2 && table->values != expected.values)
                consistent[id] = false;
        }
    };
    std::thread c(prepareLoop, 0, 44100.0, std::cref(expected44));
    std::thread d(prepareLoop, 1, 96000.0, std::cref(expected96));
    c.join();
    d.join();
    EXPECT_TRUE(consistent[0]);
    EXPECT_TRUE(consistent[1]);
}

TEST(Oscillator, PitchUpdateAppliesOffsetsModulationAndTableEnds) {
    Oscillator osc;
    osc.Prepare(kRate);
    for (int k = 0; k < Oscillator::kOscillators; ++k)
        EXPECT_EQ(osc.CachedPitch(k), -1);
    osc.SetMasterTune(10);
    osc.SetDetune(5);
    osc.SetIntervalTune(896);
    osc.SetBendRange(256);
    osc.SetLfoDepth(1.0);
    osc.SetEnvelopeDepth(3.0);

    // base = trunc(0.5 * 1 + 256 * 0 + 8832.5) = 8833 (one truncation of the sum, not two);
    // envelope trunc(0.5 * 3) = 1; g = base - 1536 + offset + 1.
    osc.UpdatePitch(8832.5, {.bend = 0.0, .lfo = 0.5, .envelope = 0.5});
    EXPECT_EQ(osc.CachedPitch(0), 8833 - 1536 + 10 + 1);
    EXPECT_EQ(osc.CachedPitch(1), 8833 - 1536 + 5 + 1);
    EXPECT_EQ(osc.CachedPitch(2), 8833 - 1536 + 15 + 1);
    EXPECT_EQ(osc.CachedPitch(3), 8833 - 1536 + 906 + 1);
    const auto table = OscillatorTables::Increments(kRate);
    EXPECT_EQ(osc.Increment(3), table->At(8833 - 1536 + 906 + 1));

    // Full bend up adds the range; a negative envelope truncates towards zero (-1.5 -> -1);
    // with sync on oscillator 0 ignores the envelope.
    osc.SetSyncMode(1);
    osc.UpdatePitch(8832.0, {.bend = 1.0, .lfo = 0.0, .envelope = -0.5});
    EXPECT_EQ(osc.CachedPitch(0), 8832 + 256 - 1536 + 10);
    EXPECT_EQ(osc.CachedPitch(1), 8832 + 256 - 1536 + 5 - 1);

    // Note 0 plays entry 0 (8.176 Hz) at every oscillator; far above the range, entry 17280.
    osc.SetMasterTune(0);
    osc.SetDetune(0);
    osc.SetIntervalTune(0);
    osc.UpdatePitch(0.0, {});
    for (int k = 0; k < Oscillator::kOscillators; ++k)
        EXPECT_EQ(osc.Increment(k), table->At(0));
    osc.UpdatePitch(1e12, {});
    for (int k = 0; k < Oscillator::kOscillators; ++k)
        EXPECT_EQ(osc.Increment(k), table->At(kMaxPitch));

    // Prepare forgets the pitches but keeps the phases.
    RenderSamples(osc, 100);
    const int phase = osc.Phase(0);
    osc.Prepare(48000.0);
    EXPECT_EQ(osc.CachedPitch(0), -1);
    EXPECT_EQ(osc.Phase(0), phase);
    EXPECT_EQ(osc.SampleRate(), 48000.0);
}

TEST(Oscillator, TableLevelFollowsTheFootageIncrement) {
    // Note 69: oscillator 0 at pitch 7296 = 220 Hz, increment trunc(220 * 2^28 / 44100) =
    // 1339133; table step 1339133 >> 16 = 20 -> level 4 (16 <= 20 < 32); the 8', 4', 2'
    // footages double it: 40 -> 5, 81 -> 6, 163 -> 7.
    Oscillator osc = MakeOscillator(8832.0);
    EXPECT_EQ(osc.Increment(0), 1339133);
    for (int j = 0; j < Oscillator::kFootages; ++j)
        EXPECT_EQ(osc.TableLevel(0, j), 4 + j);
    // Pitch -1536: 8.176 Hz, increment 49767; steps 0, 1, 3, 6 -> levels 0, 0, 1, 2.
    osc.UpdatePitch(0.0, {});
    const int expectedLow[] = {0, 0, 1, 2};
    for (int j = 0; j < Oscillator::kFootages; ++j)
        EXPECT_EQ(osc.TableLevel(0, j), expectedLow[j]);
    // 19912.127 Hz: step 1849 at 16' is already past 1024, so every footage uses level 10.
    osc.UpdatePitch(20000.0, {});
    for (int j = 0; j < Oscillator::kFootages; ++j)
        EXPECT_EQ(osc.TableLevel(0, j), 10);
}

TEST(Oscillator, DefaultSquareReadsTheTableAtNinetyPercent) {
    Oscillator osc = MakeOscillator(60 * 128);
    osc.SetSquare(1, true);
    osc.SetStereoSpread(1.0); // no effect: without multi both sides are 0
    const auto& q = Table(Waveform::Square, osc.TableLevel(0, 1));
    std::uint32_t phase = osc.Phase(0);
    const auto increment = static_cast<std::uint32_t>(osc.Increment(0));
    const Stereo out = RenderSamples(osc, 1000);
    for (int i = 0; i < 1000; ++i) {
        // The 8' footage reads twice the 16' phase.
        const double expected = q[((2 * phase) & kPhaseMask) >> 16] * 0.9;
        ASSERT_EQ(out.left[i], expected) << i;
        ASSERT_EQ(out.right[i], expected) << i;
        phase = (phase + increment) & kPhaseMask;
    }
}

TEST(Oscillator, FootagesAndIntervalSoundAtTheirPitches) {
    struct Case {
        void (Oscillator::*set)(int, bool);
        int footage;
        double hz;
    };
    // Note 69 (pitch 8832): 16' at 220 Hz, 8' at 440 Hz, 2' at 1760 Hz; the interval
    // oscillator with "I. Tune" 896 (7 semitones) at 8' is note 76: 440 * 2^(7/12) = 659.255.
    const Case cases[] = {{&Oscillator::SetSaw, 0, 220.0},
                          {&Oscillator::SetSaw, 1, 440.0},
                          {&Oscillator::SetPulse, 3, 1760.0},
                          {&Oscillator::SetInterval, 1, 659.255}};
    for (const Case& c : cases) {
        Oscillator osc;
        osc.Prepare(kRate);
        osc.SetIntervalTune(896);
        (osc.*c.set)(c.footage, true);
        osc.UpdatePitch(8832.0, {});
        const Stereo out = RenderSamples(osc, static_cast<int>(kRate));
        EXPECT_NEAR(MeasureFrequency(out.left, kRate), c.hz, 0.05) << c.hz;
    }
}

TEST(Oscillator, EveryEnabledWaveScalesTheMixByNinetyPercent) {
    // With no detune or interval all four oscillators share pitch and phase, so a multi stack
    // sums to 3 * 0.66 = 1.98 times its table and the interval square equals the 8'-style
    // square of its footage. 16 wave flags give 0.9^16; the multi flags do not count. Each
    // single-flag render is 0.9 times its table value.
    const double pitch = 7000.0;
    const int n = 2000;
    std::vector<double> expected(n, 0.0);
    for (auto set : {&Oscillator::SetSaw, &Oscillator::SetSquare, &Oscillator::SetPulse}) {
        for (int j = 0; j < Oscillator::kFootages; ++j) {
            Oscillator single = MakeOscillator(pitch);
            (single.*set)(j, true);
            const Stereo out = RenderSamples(single, n);
            const double weight = set == &Oscillator::SetSquare ? 1.98 + 1.0 : 1.98;
            for (int i = 0; i < n; ++i)
                expected[i] += out.left[i] / 0.9 * weight;
        }
    }
    Oscillator all = MakeOscillator(pitch);
    for (int j = 0; j < Oscillator::kFootages; ++j)
        for (auto set : {&Oscillator::SetSaw, &Oscillator::SetSquare, &Oscillator::SetPulse,
                         &Oscillator::SetInterval, &Oscillator::SetMulti})
            (all.*set)(j, true);
    const Stereo out = RenderSamples(all, n);
    const double gain = std::pow(0.9, 16);
    for (int i = 0; i < n; ++i) {
        ASSERT_NEAR(out.left[i], expected[i] * gain, 1e-12) << i;
        ASSERT_NEAR(out.right[i], expected[i] * gain, 1e-12) << i;
    }
}

TEST(Oscillator, SyncedMultiPlaysTheDetunedPairOnly) {
    // "8'" sync with "Multi 8" and saw 8': c = 0, l = 0.75 S[level(1, 8')][2 phase1],
    // r = 0.75 S[level(2, 8')][2 phase2]; with spread 0.5 L = ((l - r) 0.5 + l + r) 0.9 and
    // R = (l + r - (l - r) 0.5) 0.9. Detune 50 keeps the pair apart from each other and from 0.
    Oscillator osc;
    osc.Prepare(kRate);
    osc.SetDetune(50);
    osc.SetSaw(1, true);
    osc.SetMulti(1, true);
    osc.SetSyncMode(6);
    osc.SetStereoSpread(0.5);
    osc.UpdatePitch(8000.0, {});
    const auto& saw1 = Table(Waveform::Saw, osc.TableLevel(1, 1));
    const auto& saw2 = Table(Waveform::Saw, osc.TableLevel(2, 1));
    double left[1];
    double right[1];
    for (int i = 0; i < 2000; ++i) {
        const double l = 0.75 * saw1[((2u * osc.Phase(1)) & kPhaseMask) >> 16];
        const double r = 0.75 * saw2[((2u * osc.Phase(2)) & kPhaseMask) >> 16];
        const double side = (l - r) * 0.5;
        osc.Render(left, right);
        ASSERT_EQ(left[0], (side + (l + r)) * 0.9) << i;
        ASSERT_EQ(right[0], ((l + r) - side) * 0.9) << i;
    }
}

TEST(Oscillator, HardSyncRestartsTheSlavesWithTheMaster) {
    for (int mode : {1, 2}) {
        Oscillator osc;
        osc.Prepare(kRate);
        osc.SetDetune(300); // slaves 1 and 2 about 2.3 semitones away from the master
        osc.SetSyncMode(mode);
        osc.UpdatePitch(9000.0, {});
        const auto inc0 = static_cast<std::uint32_t>(osc.Increment(0));
        const auto inc1 = static_cast<std::uint32_t>(osc.Increment(1));
        int restarts = 0;
        double buffer[2][1];
        for (int i = 0; i < 20000; ++i) {
            const std::uint32_t before0 = osc.Phase(0);
            const std::uint32_t before1 = osc.Phase(1);
            osc.Render(buffer[0], buffer[1]);
            const std::uint32_t after0 = osc.Phase(0);
            const std::uint32_t after1 = osc.Phase(1);
            const std::uint32_t free1 = (before1 + inc1) & kPhaseMask;
            if (after0 < before0) { // the master wrapped: the slaves restart with it
                ++restarts;
                ASSERT_EQ(after1, after0);
                ASSERT_EQ(static_cast<std::uint32_t>(osc.Phase(3)), after0);
            } else if (mode == 1) {
                ASSERT_EQ(after1, free1); // "16'+" syncs on the master's wrap only
            } else if (after0 >= (1u << 27) + inc0 && after0 < (1u << 28) - inc0) {
                // "8'+": in the upper half twice the new phase minus a cycle (2h - 2^28) is
                // below the previous phase h - inc0 whenever h < 2^28 - inc0, so the slaves
                // follow the master sample by sample.
                ASSERT_EQ(after1, after0);
            }
        }
        // The master at pitch 7464 is about 237.4 Hz: 20000 samples hold about 107 cycles.
        EXPECT_GT(restarts, 100);
    }
}

TEST(Oscillator, NoiseFollowsTheSharedMultiplicativeGenerator) {
    // Without waves c = l = r = 0, so each side becomes -z and both outputs -3z with
    // z = seed * 4.6566129e-10; the seeds step by seed * 16807 with 32-bit wrap-around.
    Oscillator osc = MakeOscillator(8832.0);
    osc.SetNoiseMix(1.0);
    const Stereo out = RenderSamples(osc, 500);
    std::int32_t previous = 0;
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(out.left[i], out.right[i]);
        const auto seed =
            static_cast<std::int32_t>(std::llround(out.left[i] / (-3 * 4.6566129e-10)));
        if (i > 0) {
            ASSERT_EQ(seed,
                      static_cast<std::int32_t>(static_cast<std::uint32_t>(previous) * 16807u));
        }
        previous = seed;
    }
    EXPECT_EQ(Oscillator::NoiseSeed(), previous);
}

TEST(Oscillator, IdleAdvanceMatchesRenderedPhases) {
    // Top pitch at 8 kHz: increment 668140111, times 8 samples overflows 32 bits; the phases
    // must still land where eight rendered samples put them.
    for (double rate : {8000.0, kRate}) {
        Oscillator rendered, idle;
        for (Oscillator* osc : {&rendered, &idle}) {
            osc->Prepare(rate);
            osc->SetDetune(40);
            osc->SetIntervalTune(-700);
            osc->UpdatePitch(17000.0, {});
        }
        const int n = static_cast<int>(rate) / 1000;
        for (int chunk = 0; chunk < 50; ++chunk) {
            RenderSamples(rendered, n, n);
            idle.AdvanceIdle(n);
        }
        for (int k = 0; k < Oscillator::kOscillators; ++k)
            EXPECT_EQ(idle.Phase(k), rendered.Phase(k)) << rate << " oscillator " << k;
    }
}

TEST(Oscillator, EverySampleRateStaysInRange) {
    const double rates[] = {1000.0,  2000.0,  8000.0,   11025.0, 22050.0,
                            44100.0, 96000.0, 192000.0, 384000.0};
    const double pitches[] = {-1e9, 0.0, 8832.0, 17280.0, 1e9};
    for (double rate : rates) {
        Oscillator osc;
        osc.Prepare(rate);
        ASSERT_EQ(osc.SampleRate(), rate);
        for (int j = 0; j < Oscillator::kFootages; ++j)
            for (auto set : {&Oscillator::SetSaw, &Oscillator::SetSquare, &Oscillator::SetPulse,
                             &Oscillator::SetInterval, &Oscillator::SetMulti})
                (osc.*set)(j, true);
        osc.SetSyncMode(4);
        osc.SetNoiseMix(0.3);
        osc.SetBendRange(1536);
        osc.SetLfoDepth(1537.0);
        osc.SetEnvelopeDepth(-7681.0);
        const int block = std::max(1, static_cast<int>(rate) / 1000);
        for (double pitch : pitches) {
            osc.UpdatePitch(pitch, {.bend = -1.0, .lfo = 1.0, .envelope = 1.0});
            for (int k = 0; k < Oscillator::kOscillators; ++k) {
                ASSERT_GT(osc.Increment(k), 0);
                for (int j = 0; j < Oscillator::kFootages; ++j)
                    ASSERT_TRUE(osc.TableLevel(k, j) >= 0 && osc.TableLevel(k, j) <= 10);
            }
            const Stereo out = RenderSamples(osc, block * 3, block);
            for (double x : out.left)
                ASSERT_TRUE(std::isfinite(x) && std::abs(x) < 10.0) << rate << " " << pitch;
            osc.AdvanceIdle(block);
        }
    }
    // Unusable rates keep the table the oscillator has.
    Oscillator osc;
    osc.Prepare(48000.0);
    osc.Prepare(0.0);
    osc.Prepare(std::nan(""));
    EXPECT_EQ(osc.SampleRate(), 48000.0);
}
