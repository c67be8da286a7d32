// Pins the rendered output of the whole engine bit for bit. Each case plays a short MIDI script
// through a program and compares a 64-bit FNV-1a hash of the raw bytes of every rendered double
// with the value recorded from the plain, unoptimised formulas. Optimisations of the render path
// must keep these hashes: the same operations in the same order on the same values.
//
// A mismatch prints the new hash. Update a constant only for a deliberate change of the sound,
// never to make an optimisation pass.
#include "engine/Oscillator.h"
#include "engine/OscillatorTables.h"
#include "engine/ParameterTable.h"
#include "engine/VoiceFilter.h"
#include "engine/VoiceGroupRenderer.h"
#include "support/EmptyPrograms.h"
#include "support/InstrumentHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace vorlunda {
namespace {

using test::InstrumentHarness;

constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325;
constexpr std::uint64_t kFnvPrime = 0x100000001b3;

// FNV-1a over the eight bytes of each double, least significant byte first, so the hash does
// not depend on the machine's byte order. Left channel first, then right.
std::uint64_t HashRender(const std::vector<double>& left, const std::vector<double>& right) {
    std::uint64_t h = kFnvOffset;
    for (const std::vector<double>* channel : {&left, &right}) {
        for (double x : *channel) {
            const auto bits = std::bit_cast<std::uint64_t>(x);
            for (int b = 0; b < 8; ++b) {
                h ^= (bits >> (8 * b)) & 0xFF;
                h *= kFnvPrime;
            }
        }
    }
    return h;
}

std::string Hex(std::uint64_t h) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(h));
    return text;
}

// A fresh instrument at `rate` with every parameter at its default (the factory programs may
// change without the engine changing), and the shared noise generator restarted.
std::unique_ptr<InstrumentHarness> MakeSynth(double rate = 48000.0) {
    auto synth = std::make_unique<InstrumentHarness>(rate);
    test::EmptyAllPrograms(*synth);
    Oscillator::SetNoiseSeed(1);
    return synth;
}

// The hashes of one render under each C runtime. The engine builds its tables and coefficients
// with sin, cos, pow and tanh: glibc computes them in double precision (correctly rounded in
// nearly all cases), the mingw-w64 runtime of the Windows builds with the x87 instructions fsin,
// fcos, fyl2x and f2xm1. They differ in the last bit for some arguments (and the x87 cosine of
// pi/2 keeps only about 12 correct bits), so each build is pinned to its own output.
struct Golden {
    std::uint64_t glibc;
    std::uint64_t mingw;
};

void ExpectHash(const InstrumentHarness& synth, Golden golden) {
#ifdef _WIN32
    const std::uint64_t expected = golden.mingw;
#else
    const std::uint64_t expected = golden.glibc;
#endif
    // A hash of near silence would prove little.
    double peak = 0.0;
    for (double x : synth.left)
        peak = std::max(peak, std::abs(x));
    EXPECT_GT(peak, 0.01);
    const std::uint64_t h = HashRender(synth.left, synth.right);
    EXPECT_EQ(Hex(h), Hex(expected)) << "rendered " << synth.left.size() << " samples";
}

void NoteOn(InstrumentHarness& s, int note, int velocity, int offset = 0) {
    s.Midi(0x90, note, velocity, offset);
}
void NoteOff(InstrumentHarness& s, int note, int offset = 0) {
    s.Midi(0x80, note, 0, offset);
}

// Three notes at different offsets and velocities, one released early, then all released.
void PlayChord(InstrumentHarness& s, int block = 512) {
    NoteOn(s, 69, 100);
    NoteOn(s, 60, 64, 100);
    NoteOn(s, 64, 127, 333);
    s.Render(24000, block);
    NoteOff(s, 60, 17);
    s.Render(12000, block);
    NoteOff(s, 69);
    NoteOff(s, 64, 250);
    s.Render(12000, block);
}

// The benchmark's rich program: saw, square and pulse with multi at all four footages,
// interval on, noise, resonance, drive, every EQ band and chorus.
void MakeRich(InstrumentHarness& s) {
    for (int f = 0; f < 4; ++f) {
        s.Set(kSaw16 + f, 1);
        s.Set(kSquare16 + f, 1);
        s.Set(kPulse16 + f, 1);
        s.Set(kMulti16 + f, 1);
        s.Set(kInterval16 + f, 1);
    }
    s.Set(kNoiseMix, 0.3);
    s.Set(kFilterResonance, 0.7);
    s.Set(kDrive, 0.5);
    for (int b = 0; b < 7; ++b)
        s.Set(kEq100 + b, b % 2 ? -3.0 : 4.0);
    s.Set(kChorusMix, 0.5);
}

// Every render runs on each way of computing the voices: one after the other, two side by side
// (SSE2) and four side by side (AVX2, where the processor has it). All give the same hashes.
class GoldenRender : public testing::TestWithParam<SimdPath> {
protected:
    void SetUp() override {
        if (GetParam() > VoiceGroupRenderer::DetectedPath())
            GTEST_SKIP() << "this processor lacks the instructions of this path";
        VoiceGroupRenderer::ForcePath(GetParam());
    }
    void TearDown() override { VoiceGroupRenderer::ResetPath(); }
};

std::string PathName(const testing::TestParamInfo<SimdPath>& info) {
    switch (info.param) {
    case SimdPath::Scalar:
        return "Scalar";
    case SimdPath::Sse2:
        return "Sse2";
    case SimdPath::Avx2:
        return "Avx2";
    case SimdPath::Avx512:
        return "Avx512";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Paths, GoldenRender,
                         testing::Values(SimdPath::Scalar, SimdPath::Sse2, SimdPath::Avx2,
                                         SimdPath::Avx512),
                         PathName);

// Every parameter at its default, which is also the first program of factory bank 2 that a new
// instance starts with.
TEST_P(GoldenRender, DefaultProgram) {
    auto s = MakeSynth();
    PlayChord(*s);
    ExpectHash(*s, Golden{0xbc6c06bb40d86b65, 0x920c2b93de5bc471});
}

TEST_P(GoldenRender, RichProgram) {
    auto s = MakeSynth();
    s->Set(kVoices, 6); // 64 voices
    MakeRich(*s);
    for (int i = 0; i < 24; ++i)
        NoteOn(*s, 30 + 3 * i, 60 + i, 7 * i);
    s->Midi(0xE0, 0x00, 0x50, 2000); // bend up
    s->Midi(0xB0, 1, 90, 5000);      // mod wheel
    s->Render(19200, 300);
    for (int i = 0; i < 24; i += 2)
        NoteOff(*s, 30 + 3 * i, 11 * i);
    s->Render(9600, 300);
    ExpectHash(*s, Golden{0x041c9d83ae23b65b, 0x509184fa752c2db3});
}

TEST_P(GoldenRender, HardSyncModes) {
    // Modes 1..4 keep oscillator 0 in the multi stacks, 5..8 silence it; the envelope sweeps
    // the synced oscillators.
    const Golden expected[8] = {
        {0x0c5103edda270fac, 0xa84b997a1609733a}, {0xc225bfb731bf6922, 0xb703e3534a61e2e4},
        {0x4a0a4b2e6cdca42d, 0xb891140f32a27fc6}, {0x273fe222814cba24, 0x5d95957f388f691b},
        {0xb03f4af26d66156a, 0x23102631a7ae76e3}, {0x9c742025a88ecd67, 0x8f2363d9e080c1d5},
        {0x96a1c602b0a135be, 0x3dd997ceb3fefd74}, {0xbd7032f8e276ddbd, 0x023641a6d0cfd16c}};
    for (int mode = 1; mode <= 8; ++mode) {
        SCOPED_TRACE("sync mode " + std::to_string(mode));
        auto s = MakeSynth();
        s->Set(kSaw8, 1);
        s->Set(kMulti8, 1);
        s->Set(kPulse4, 1);
        s->Set(kInterval16, 1);
        s->Set(kDetune, 30);
        s->Set(kFmEnv, 3000);
        s->Set(kFilterEnvDecay, 0.5);
        s->Set(kFilterEnvSustain, 0.2);
        s->Set(kStereo, 0.8);
        s->Set(kOscSync, mode);
        NoteOn(*s, 45, 100);
        NoteOn(*s, 57, 80, 40);
        s->Render(9000, 512);
        NoteOff(*s, 45);
        s->Render(3000, 512);
        ExpectHash(*s, expected[mode - 1]);
    }
}

TEST_P(GoldenRender, MultiIntervalNoiseAt44k1) {
    // Odd host blocks at 44.1 kHz split the 44-sample ticks into chunks of odd lengths.
    auto s = MakeSynth(44100.0);
    s->Set(kSquare8, 0);
    s->Set(kSaw16, 1);
    s->Set(kSquare8, 1);
    s->Set(kPulse4, 1);
    s->Set(kMulti16, 1);
    s->Set(kMulti8, 1);
    s->Set(kMulti4, 1);
    s->Set(kInterval8, 1);
    s->Set(kInterval2, 1);
    s->Set(kIntervalTune, -500);
    s->Set(kDetune, 40);
    s->Set(kNoiseMix, 0.45);
    s->Set(kStereo, 0.6);
    s->Set(kFmLfo, 300);
    s->Set(kLfoRate, 7.0);
    s->Set(kLfoDelay, 0.3);
    NoteOn(*s, 50, 110);
    NoteOn(*s, 62, 70, 21);
    s->Render(17640, 101);
    NoteOff(*s, 50);
    s->Render(8820, 37);
    ExpectHash(*s, Golden{0x5745b43266888407, 0xad33ac44bd2a4957});
}

TEST_P(GoldenRender, HighpassAtEachPoleCount) {
    const Golden expected[4] = {{0xf51e66cb697f440f, 0x491b24dcbf9ff615},
                                {0x3ec0154eb91ca889, 0x2c4bc425bcfd7ae1},
                                {0xc2f1498c8a27f957, 0x5b18fe340f08e723},
                                {0xb6152616d891e6f0, 0x77dbc99394f7ea84}};
    for (int poles = 0; poles < 4; ++poles) {
        SCOPED_TRACE("poles " + std::to_string(poles));
        auto s = MakeSynth();
        s->Set(kSaw8, 1);
        s->Set(kFilterMode, 0);
        s->Set(kFilterPoles, poles);
        s->Set(kFilterResonance, 0.85);
        s->Set(kFilterCutoff, 0.5);
        s->Set(kFilterEnvAmount, 4000);
        s->Set(kFilterEnvDecay, 0.4);
        s->Set(kFilterLfoAmount, 2000);
        s->Set(kFilterVelocity, 3000);
        s->Set(kLfoFilterShape, 2);
        NoteOn(*s, 40, 90);
        NoteOn(*s, 52, 30, 5);
        s->Render(12000, 37);
        NoteOff(*s, 40);
        NoteOff(*s, 52);
        s->Render(4000, 37);
        ExpectHash(*s, expected[poles]);
    }
}

TEST_P(GoldenRender, LowpassTapsAtFullResonanceWithDrive) {
    // Resonance 1 self-oscillates, so the feedback clamp is active.
    const Golden expected[3] = {{0x2645e94a48086599, 0xd3cc8a48fa40e729},
                                {0x62cd96a50c227a99, 0xaf3736508719e3e5},
                                {0x7f04af6718845455, 0x8f158540a57238c5}};
    for (int poles = 0; poles < 3; ++poles) {
        SCOPED_TRACE("poles " + std::to_string(poles));
        auto s = MakeSynth();
        s->Set(kFilterPoles, poles);
        s->Set(kFilterResonance, 1.0);
        s->Set(kFilterCutoff, 0.45);
        s->Set(kDrive, 0.8);
        s->Set(kPulse16, 1);
        NoteOn(*s, 36, 127);
        s->Render(12000, 512);
        ExpectHash(*s, expected[poles]);
    }
}

TEST_P(GoldenRender, Chorus) {
    auto s = MakeSynth();
    s->Set(kSaw8, 1);
    s->Set(kMulti8, 1);
    s->Set(kChorusMix, 0.8);
    s->Set(kChorusType, 1);
    s->Set(kChorusDepth, 1.0);
    s->Set(kChorusLfo1, 30);
    s->Set(kChorusLfo2, 70);
    PlayChord(*s, 256);
    ExpectHash(*s, Golden{0xdaf583a0a80a1ed6, 0x872da457e9b97643});
}

TEST_P(GoldenRender, RepeatInLfoMode) {
    auto s = MakeSynth();
    s->Set(kSaw16, 1);
    s->Set(kRepeat, 1);
    s->Set(kLfoRate, 6.0);
    s->Set(kGateLength, 0.3);
    s->Set(kEnvRetrigger, 1);
    s->Set(kAmpEnvRelease, 0.3);
    s->Set(kFilterEnvAmount, 5000);
    s->Set(kFilterEnvDecay, 0.3);
    NoteOn(*s, 57, 100);
    NoteOn(*s, 64, 100, 1000);
    s->Render(36000, 512);
    NoteOff(*s, 57);
    s->Render(12000, 512);
    ExpectHash(*s, Golden{0x22ab353d90a74221, 0x0fcde24413a89029});
}

TEST_P(GoldenRender, RepeatFollowingTheHost) {
    auto s = MakeSynth();
    s->Set(kRepeat, 2);
    s->Set(kSyncRate, 10);
    s->Set(kGateLength, 0.6);
    s->Set(kAmpEnvRelease, 0.25);
    NoteOn(*s, 60, 100);
    NoteOn(*s, 67, 90, 700);
    constexpr int kBlock = 480;
    constexpr double kTempo = 128.0;                            // BPM
    constexpr double kSamplesPerBeat = 60.0 / kTempo * 48000.0; // samples
    for (int b = 0; b < 100; ++b) {
        const double position = 12345.0 + b * kBlock; // samples
        s->SetTimeForTest(kTempo, position, position / kSamplesPerBeat);
        s->Render(kBlock, kBlock);
    }
    ExpectHash(*s, Golden{0x9f0a2553aad34305, 0xd46e7678a4e81495});
}

TEST_P(GoldenRender, MonoPortamentoBendAndSustain) {
    auto s = MakeSynth();
    s->Set(kVoices, 0); // one voice
    s->Set(kPortamento, 0.2);
    s->Set(kPortaLegato, 1);
    s->Set(kBendRange, 4);
    s->Set(kAmpEnvMode, 1);
    s->Set(kAmpEnvDecay, 0.6);
    s->Set(kAmpEnvVelocity, 0.7);
    s->Set(kAmpAttackVelocity, 0.5);
    s->Set(kAmpEnvAttack, 0.3);
    s->Set(kFilterEnvMode, 1);
    s->Set(kFilterEnvAmount, -3000);
    s->Set(kFilterEnvVelocity, 0.4);
    s->Set(kSaw2, 1);
    s->Set(kWheelToFm, 1);
    s->Set(kFmLfo, 800);
    s->Set(kLfoOscShape, 3);
    NoteOn(*s, 60, 50);
    s->Render(4800);
    NoteOn(*s, 67, 120, 100);
    s->Midi(0xB0, 1, 127, 300);
    s->Midi(0xE0, 0x7F, 0x7F, 2000);
    s->Render(9600);
    s->Midi(0xB0, 64, 127);
    NoteOff(*s, 67);
    NoteOff(*s, 60, 50);
    s->Render(4800);
    s->Midi(0xB0, 64, 0);
    s->Render(9600);
    ExpectHash(*s, Golden{0x32a34dae788b0e1d, 0x4dc0e104ff0379d9});
}

TEST_P(GoldenRender, StolenVoicesAt96k) {
    auto s = MakeSynth(96000.0);
    s->Set(kVoices, 2); // four voices
    s->Set(kSaw4, 1);
    s->Set(kMulti8, 1);
    s->Set(kAmpEnvRelease, 0.4);
    for (int i = 0; i < 8; ++i) {
        NoteOn(*s, 48 + 5 * i, 40 + 10 * i, 300 * i);
        NoteOff(*s, 48 + 5 * i, 300 * i + 2500);
    }
    s->Render(38400, 1024);
    ExpectHash(*s, Golden{0x40f60a8978760706, 0x4bf02fd75eda188a});
}

// The oscillator's render as the formulas state it, one sample after the other: every enabled
// wave read from its own table (the square and pulse tables too) and added into the centre, left
// and right sums footage by footage, then the phase advance with the sync test, the noise and
// the stereo output. The engine reorganises this loop for speed; it must give the same bits.
struct ReferenceOscillator {
    using Flags = std::array<bool, Oscillator::kFootages>;
    Flags saw{}, square{}, pulse{}, multi{}, interval{};
    int syncMode = 0;
    double spread = 0.0;
    double noise = 0.0;
    std::array<std::uint32_t, Oscillator::kOscillators> phase{};

    void Render(const Oscillator& osc, double* left, double* right, int n) {
        constexpr std::uint32_t mask = 0x0FFFFFFF;
        const WavetableSet& tables = OscillatorTables::Wavetables();
        const auto table = [&](Waveform w, int k, int j) {
            return tables.Level(w, osc.TableLevel(k, j)).data();
        };
        const auto at = [&](const double* t, int k, int j) {
            return t[((phase[k] << j) & mask) >> 16];
        };
        double gain = 1.0;
        for (int j = 0; j < Oscillator::kFootages; ++j) {
            for (bool on : {saw[j], square[j], pulse[j], interval[j]})
                gain *= on ? 0.9 : 1.0;
        }
        auto seed = static_cast<std::uint32_t>(Oscillator::NoiseSeed());
        for (int i = 0; i < n; ++i) {
            double c = 0.0;
            double l = 0.0;
            double r = 0.0;
            for (int j = 0; j < Oscillator::kFootages; ++j) {
                const bool on[3] = {saw[j], square[j], pulse[j]};
                for (int w = 0; w < 3; ++w) {
                    if (!on[w])
                        continue;
                    const auto wave = static_cast<Waveform>(w);
                    if (!multi[j]) {
                        c += at(table(wave, 0, j), 0, j);
                    } else if (syncMode < 5) {
                        c += 0.66 * at(table(wave, 0, j), 0, j);
                        l += 0.66 * at(table(wave, 1, j), 1, j);
                        r += 0.66 * at(table(wave, 2, j), 2, j);
                    } else {
                        l += 0.75 * at(table(wave, 1, j), 1, j);
                        r += 0.75 * at(table(wave, 2, j), 2, j);
                    }
                }
                if (interval[j])
                    c += at(table(Waveform::Square, 3, j), 3, j);
            }
            const std::uint32_t previous = phase[0];
            const std::uint32_t h =
                (previous + static_cast<std::uint32_t>(osc.Increment(0))) & mask;
            const int footage = (syncMode - 1) % 4;
            const bool reset = syncMode != 0 && ((h << footage) & mask) < previous;
            phase[0] = h;
            for (int k = 1; k < 4; ++k)
                phase[k] =
                    reset ? h : (phase[k] + static_cast<std::uint32_t>(osc.Increment(k))) & mask;
            if (noise > 0.0) {
                seed *= 16807;
                const double z = static_cast<std::int32_t>(seed) * 4.6566129e-10;
                c -= (z + c) * noise;
                l -= (z + l) * noise;
                r -= (z + r) * noise;
            }
            const double s = (l - r) * spread;
            const double t = l + c + r;
            left[i] = (s + t) * gain;
            right[i] = (t - s) * gain;
        }
        Oscillator::SetNoiseSeed(static_cast<std::int32_t>(seed));
    }
};

bool SameBits(std::span<const double> a, std::span<const double> b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size_bytes()) == 0;
}

TEST(RenderReference, OscillatorMatchesThePlainPerSampleLoop) {
    // Random programs (every wave, multi and interval combination is likely among them), all
    // sync modes, with and without noise and spread, in chunks of odd and even lengths around
    // the render's own chunk of 64 samples; the pitch moves between chunks so the table levels
    // and the increments change.
    std::mt19937 random(20261208);
    const auto coin = [&] { return (random() & 1) != 0; };
    const int lengths[] = {1, 2, 7, 44, 48, 63, 64, 65, 129, 384};
    for (int trial = 0; trial < 300; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        Oscillator osc;
        ReferenceOscillator ref;
        osc.Prepare(trial % 3 == 0 ? 44100.0 : 48000.0);
        osc.SetDetune(static_cast<int>(random() % 65));
        osc.SetIntervalTune(static_cast<int>(random() % 1793) - 896);
        for (int j = 0; j < 4; ++j) {
            osc.SetSaw(j, ref.saw[j] = coin());
            osc.SetSquare(j, ref.square[j] = coin());
            osc.SetPulse(j, ref.pulse[j] = coin());
            osc.SetMulti(j, ref.multi[j] = coin());
            osc.SetInterval(j, ref.interval[j] = coin());
        }
        ref.syncMode = trial % 9;
        osc.SetSyncMode(ref.syncMode);
        ref.spread = coin() ? 0.0 : 0.37;
        osc.SetStereoSpread(ref.spread);
        ref.noise = coin() ? 0.0 : 0.3;
        osc.SetNoiseMix(ref.noise);
        osc.AdvanceIdle(static_cast<int>(random() % 100000));
        for (int k = 0; k < 4; ++k)
            ref.phase[k] = static_cast<std::uint32_t>(osc.Phase(k));
        for (int chunk = 0; chunk < 6; ++chunk) {
            osc.UpdatePitch(static_cast<double>(random() % 17000), {});
            const int n = lengths[random() % std::size(lengths)];
            std::vector<double> left(n), right(n), refLeft(n), refRight(n);
            const std::int32_t seed = Oscillator::NoiseSeed();
            ref.Render(osc, refLeft.data(), refRight.data(), n);
            const std::int32_t refSeed = Oscillator::NoiseSeed();
            Oscillator::SetNoiseSeed(seed);
            osc.Render(left, right);
            ASSERT_TRUE(SameBits(left, refLeft)) << n << " samples";
            ASSERT_TRUE(SameBits(right, refRight)) << n << " samples";
            ASSERT_EQ(Oscillator::NoiseSeed(), refSeed);
            for (int k = 0; k < 4; ++k)
                ASSERT_EQ(static_cast<std::uint32_t>(osc.Phase(k)), ref.phase[k]) << k;
        }
    }
}

TEST(RenderReference, FilterPairMatchesChannelByChannel) {
    // Both channels side by side against the left alone and then the right alone (the scalar
    // path), in every mode and tap, with the feedback clamp active, on odd and even lengths, and
    // with a NaN and infinities passing through the clamp.
    std::mt19937 random(8122026);
    std::uniform_real_distribution<double> loud(-3.0, 3.0);
    for (int mode : {VoiceFilter::kHighpass, VoiceFilter::kLowpass}) {
        for (int poles = 0; poles < 4; ++poles) {
            for (double resonance : {0.0, 0.7, 1.0}) {
                for (std::size_t n : {1u, 2u, 3u, 47u, 48u, 385u}) {
                    SCOPED_TRACE(std::to_string(mode) + " " + std::to_string(poles) + " " +
                                 std::to_string(resonance) + " " + std::to_string(n));
                    VoiceFilter together;
                    VoiceFilter apart;
                    for (VoiceFilter* f : {&together, &apart}) {
                        f->Prepare(48000.0);
                        f->SetMode(mode);
                        f->SetPoles(poles);
                        f->SetResonance(resonance);
                    }
                    for (int round = 0; round < 4; ++round) {
                        const int cutoff = static_cast<int>(random() % 17281);
                        together.UpdateCoefficients(cutoff, {});
                        apart.UpdateCoefficients(cutoff, {});
                        std::vector<double> left(n), right(n);
                        for (std::size_t i = 0; i < n; ++i) {
                            left[i] = loud(random);
                            right[i] = loud(random);
                        }
                        if (round == 3 && n > 2) {
                            left[1] = std::numeric_limits<double>::quiet_NaN();
                            right[0] = std::numeric_limits<double>::infinity();
                            right[2] = -std::numeric_limits<double>::infinity();
                        }
                        std::vector<double> left2 = left, right2 = right;
                        together.Process(left, right);
                        apart.Process(left2, {});
                        apart.Process({}, right2);
                        ASSERT_TRUE(SameBits(left, left2)) << "round " << round;
                        ASSERT_TRUE(SameBits(right, right2)) << "round " << round;
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace vorlunda
