// The voices rendered in groups across SIMD lanes against the voices rendered one after the
// other: the same bits on every path, whatever the notes, envelope stages, filter types, chunk
// lengths and sample rates.
#include "engine/OscillatorKernels.h"
#include "engine/OscillatorTables.h"
#include "engine/ParameterTable.h"
#include "engine/VoiceGroupRenderer.h"
#include "support/EmptyPrograms.h"
#include "support/InstrumentHarness.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorlunda {
namespace {

using test::InstrumentHarness;

struct Rendered {
    std::vector<double> left, right;
};

// Plays `script` on a fresh instrument with every parameter at its default, on `path`.
Rendered RenderOn(SimdPath path, double rate,
                  const std::function<void(InstrumentHarness&)>& script) {
    VoiceGroupRenderer::ForcePath(path);
    auto synth = std::make_unique<InstrumentHarness>(rate);
    test::EmptyAllPrograms(*synth);
    Oscillator::SetNoiseSeed(1);
    script(*synth);
    VoiceGroupRenderer::ResetPath();
    return {synth->left, synth->right};
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Renders the script on the scalar path and on every path the processor has, and compares.
void ExpectSamePaths(double rate, const std::function<void(InstrumentHarness&)>& script) {
    const Rendered reference = RenderOn(SimdPath::Scalar, rate, script);
    double peak = 0.0;
    for (double x : reference.left)
        peak = std::max(peak, std::abs(x));
    EXPECT_GT(peak, 0.01) << "a near-silent render would prove little";
    for (SimdPath path : {SimdPath::Sse2, SimdPath::Avx2, SimdPath::Avx512}) {
        if (path > VoiceGroupRenderer::DetectedPath())
            continue;
        SCOPED_TRACE("path " + std::to_string(static_cast<int>(path)));
        const Rendered r = RenderOn(path, rate, script);
        EXPECT_TRUE(SameBits(r.left, reference.left));
        EXPECT_TRUE(SameBits(r.right, reference.right));
    }
}

void NoteOn(InstrumentHarness& s, int note, int velocity, int offset = 0) {
    s.Midi(0x90, note, velocity, offset);
}
void NoteOff(InstrumentHarness& s, int note, int offset = 0) {
    s.Midi(0x80, note, 0, offset);
}

TEST(VoiceGroup, StaggeredNotesWithShortEnvelopesAtOddBlockSizes) {
    // Attacks, decays and releases end inside chunks, at different samples in each lane; voices
    // start and stop so groups of 1 to 4 voices form; idle envelopes sit beside live ones.
    for (int block : {1, 37, 101, 512}) {
        SCOPED_TRACE("block " + std::to_string(block));
        ExpectSamePaths(44100.0, [block](InstrumentHarness& s) {
            s.Set(kVoices, 6); // 64
            s.Set(kSaw8, 1);
            s.Set(kPulse4, 1);
            s.Set(kMulti16, 1);
            s.Set(kNoiseMix, 0.2);
            s.Set(kStereo, 0.5);
            s.Set(kAmpEnvAttack, 0.05);
            s.Set(kAmpEnvDecay, 0.1);
            s.Set(kAmpEnvSustain, 0.3);
            s.Set(kAmpEnvRelease, 0.05);
            s.Set(kAmpEnvVelocity, 0.6);
            s.Set(kFilterEnvMode, 1); // AD: the filter envelope ends while the key is held
            s.Set(kFilterEnvDecay, 0.15);
            s.Set(kFilterEnvAmount, 4000);
            s.Set(kFilterResonance, 0.9);
            for (int i = 0; i < 11; ++i)
                NoteOn(s, 36 + 5 * i, 20 + 9 * i, 13 * i + (i % 3) * 200);
            s.Render(6000, block);
            for (int i = 0; i < 11; i += 2)
                NoteOff(s, 36 + 5 * i, 7 * i);
            s.Render(4000, block);
            for (int i = 0; i < 5; ++i)
                NoteOn(s, 40 + 7 * i, 127 - 20 * i, 31 * i);
            s.Render(3000, block);
            s.Midi(0xB0, 123, 0);
            s.Render(5000, block);
        });
    }
}

TEST(VoiceGroup, EveryFilterTypeAndTap) {
    for (int mode : {0, 1}) {
        for (int poles = 0; poles < 4; ++poles) {
            SCOPED_TRACE(std::to_string(mode) + " " + std::to_string(poles));
            ExpectSamePaths(48000.0, [mode, poles](InstrumentHarness& s) {
                s.Set(kVoices, 3); // 8
                s.Set(kSaw16, 1);
                s.Set(kFilterMode, mode);
                s.Set(kFilterPoles, poles);
                s.Set(kFilterResonance, 1.0); // the feedback clamp is active
                s.Set(kFilterCutoff, 0.4);
                s.Set(kFilterLfoAmount, 3000);
                for (int i = 0; i < 7; ++i)
                    NoteOn(s, 30 + 6 * i, 100, 5 * i);
                s.Render(4000, 63);
                for (int i = 0; i < 7; ++i)
                    NoteOff(s, 30 + 6 * i, 3 * i);
                s.Render(2000, 63);
            });
        }
    }
}

TEST(VoiceGroup, RepeatVoicesRenderAloneBetweenGroups) {
    ExpectSamePaths(48000.0, [](InstrumentHarness& s) {
        s.Set(kVoices, 4); // 16
        s.Set(kSquare8, 1);
        s.Set(kNoiseMix, 0.1);
        s.Set(kRepeat, 1);
        s.Set(kLfoRate, 9.0);
        s.Set(kGateLength, 0.4);
        for (int i = 0; i < 6; ++i)
            NoteOn(s, 50 + 2 * i, 90, 9 * i);
        s.Render(9000, 77);
        s.Set(kRepeat, 0); // released mid-way: grouped again
        s.Render(3000, 77);
    });
}

TEST(VoiceGroup, HighSampleRateAndMonoVoice) {
    ExpectSamePaths(96000.0, [](InstrumentHarness& s) {
        s.Set(kVoices, 0); // 1
        s.Set(kSaw2, 1);
        s.Set(kAmpEnvMode, 1);
        s.Set(kAmpEnvDecay, 0.3);
        NoteOn(s, 60, 90);
        s.Render(3000, 129);
        NoteOn(s, 67, 60);
        s.Render(9000, 129);
    });
}

// The oscillator's wide inner loops against the baseline ones, for every combination of waves,
// interval, multi and sync class (which choose the loop), with and without noise, on chunks of
// odd lengths (the last one to three samples of a chunk take the one-sample code), and at low and
// high pitches (table levels 0 to 10, indices wrapping inside a chunk).
TEST(VoiceGroup, WideOscillatorLoopsMatchTheBaselineForEveryWaveCombination) {
    const OscillatorKernels* wide = Avx2OscillatorKernels();
    if (VoiceGroupRenderer::DetectedPath() < SimdPath::Avx2 || wide == nullptr)
        GTEST_SKIP() << "no AVX2 on this processor or in this build";
    constexpr int kStride = 3; // samples interleaved as for three lanes
    constexpr int kSamples = 203;
    const auto render = [&](const OscillatorKernels& kernels, int waves, bool multi, int sync,
                            double noise, double pitch) {
        Oscillator osc;
        osc.Prepare(48000.0);
        osc.SetDetune(9);
        osc.SetIntervalTune(-500);
        osc.SetSyncMode(sync);
        osc.SetNoiseMix(noise);
        osc.SetStereoSpread(0.4);
        for (int f = 0; f < Oscillator::kFootages; ++f) {
            osc.SetSaw(f, (waves & 1) != 0);
            osc.SetSquare(f, (waves & 2) != 0);
            osc.SetPulse(f, (waves & 4) != 0);
            osc.SetInterval(f, (waves & 8) != 0 && f != 1);
            osc.SetMulti(f, multi);
        }
        osc.UpdatePitch(pitch, PitchModulation{});
        Oscillator::SetNoiseSeed(12345);
        std::vector<double> left(kSamples * kStride, 7.0), right(kSamples * kStride, 7.0);
        for (int start = 0; start < kSamples; start += 67) // chunks of 64 and 3 samples
            osc.Render(left.data() + start * kStride, right.data() + start * kStride,
                       std::min(67, kSamples - start), kStride, kernels);
        left.insert(left.end(), right.begin(), right.end());
        left.push_back(static_cast<double>(Oscillator::NoiseSeed()));
        return left;
    };
    for (int waves = 1; waves < 16; ++waves) {
        for (bool multi : {false, true}) {
            for (int sync : {0, 3, 7}) { // off, synced, synced with oscillator 0 silent
                for (double noise : {0.0, 0.35}) {
                    for (double pitch : {2000.0, 9000.0, 15500.0}) {
                        SCOPED_TRACE(std::to_string(waves) + " " + std::to_string(multi) + " " +
                                     std::to_string(sync) + " " + std::to_string(noise) + " " +
                                     std::to_string(pitch));
                        EXPECT_TRUE(SameBits(
                            render(BaseOscillatorKernels(), waves, multi, sync, noise, pitch),
                            render(*wide, waves, multi, sync, noise, pitch)));
                    }
                }
            }
        }
    }
}

TEST(VoiceGroup, PathIsDetectedOnceAndForcingNeverExceedsIt) {
    const SimdPath detected = VoiceGroupRenderer::DetectedPath();
    EXPECT_EQ(VoiceGroupRenderer::DetectedPath(), detected);
    EXPECT_GE(detected, SimdPath::Sse2); // every x86 build has SSE2
    VoiceGroupRenderer::ForcePath(SimdPath::Scalar);
    EXPECT_EQ(VoiceGroupRenderer::ActivePath(), SimdPath::Scalar);
    VoiceGroupRenderer::ForcePath(SimdPath::Avx512);
    EXPECT_EQ(VoiceGroupRenderer::ActivePath(), detected);
    VoiceGroupRenderer::ResetPath();
    EXPECT_EQ(VoiceGroupRenderer::ActivePath(), detected);
}

// FNV-1a over the bytes of every table entry, as GoldenRenderTest hashes renders.
std::uint64_t HashTables(const WavetableSet& tables) {
    std::uint64_t h = 0xcbf29ce484222325;
    for (const auto& waveform : tables.tables) {
        for (const auto& level : waveform) {
            for (double x : level) {
                const auto bits = std::bit_cast<std::uint64_t>(x);
                for (int b = 0; b < 8; ++b) {
                    h ^= (bits >> (8 * b)) & 0xFF;
                    h *= 0x100000001b3;
                }
            }
        }
    }
    return h;
}

TEST(OscillatorTables, WavetableContentsArePinned) {
    // Recorded from the tables as the first voice's construction built them. The Windows
    // runtime's sine differs in the last bit for some arguments, so it has its own value.
#ifdef _WIN32
    constexpr std::uint64_t expected = 0x58943c5c59602425;
#else
    constexpr std::uint64_t expected = 0xe811a098627d7525;
#endif
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llx",
                  static_cast<unsigned long long>(HashTables(OscillatorTables::Wavetables())));
    EXPECT_EQ(std::uint64_t{expected}, HashTables(OscillatorTables::Wavetables())) << text;
}

} // namespace
} // namespace vorlunda
