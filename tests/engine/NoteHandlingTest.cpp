#include "engine/ParameterTable.h"
#include "support/InstrumentHarness.h"

#include <gtest/gtest.h>

namespace vorlunda {
namespace {

using test::InstrumentHarness;

// One control tick at 48 kHz is 48 samples; events at offset 0 land on the next tick.
constexpr int kTick = 48;

TEST(NoteHandling, SameNoteReusesItsVoiceEvenWhenReleased) {
    InstrumentHarness synth;
    synth.Set(kAmpEnvRelease, 0.5);
    synth.Midi(0x90, 60, 100);
    synth.Midi(0x90, 62, 100);
    synth.Render(kTick);
    EXPECT_EQ(synth.VoiceAt(0).note, 60);
    EXPECT_EQ(synth.VoiceAt(1).note, 62);
    synth.Midi(0x80, 60, 0);
    synth.Render(kTick);
    EXPECT_FALSE(synth.VoiceAt(0).keyDown);
    EXPECT_TRUE(synth.VoiceAt(0).active); // still releasing
    synth.Midi(0x90, 60, 90);
    synth.Render(kTick);
    EXPECT_TRUE(synth.VoiceAt(0).keyDown);
    EXPECT_EQ(synth.VoiceAt(0).velocity, 90);
}

TEST(NoteHandling, FirstNoteAfterResetTakesVoiceZeroAndTheOldestNoteIsStolen) {
    InstrumentHarness synth;
    synth.Set(kVoices, 2); // 4 voices
    ASSERT_EQ(synth.Polyphony(), 4);
    for (int n : {50, 51, 52, 53})
        synth.Midi(0x90, n, 100);
    synth.Render(kTick);
    EXPECT_EQ(synth.VoiceAt(0).note, 50);
    synth.Midi(0x90, 50, 100); // struck again: voice 0 now holds the newest note
    synth.Render(kTick);
    synth.Midi(0x90, 70, 100); // all four busy: voice 1 holds the oldest note (not voice 0)
    synth.Render(kTick);
    EXPECT_EQ(synth.VoiceAt(0).note, 50);
    EXPECT_EQ(synth.VoiceAt(1).note, 70);
    synth.Midi(0x90, 71, 100); // then voice 2
    synth.Render(kTick);
    EXPECT_EQ(synth.VoiceAt(2).note, 71);
    EXPECT_EQ(synth.VoiceAt(0).note, 50);
}

// With "Porta Lg" a note glides only when it is played while the previous key is held; without
// it every note glides from wherever the last one stopped.
TEST(NoteHandling, LegatoPortamentoGlidesOnlyBetweenHeldNotes) {
    for (bool legato : {true, false}) {
        InstrumentHarness synth;
        synth.Set(kVoices, 0); // mono
        synth.Set(kPortamento, 0.1);
        synth.Set(kPortaLegato, legato ? 1 : 0);
        synth.Midi(0x90, 60, 100);
        synth.Render(kTick);
        synth.Midi(0x80, 60, 0);
        synth.Render(kTick * 200); // the glide from the reset pitch is over
        const Voice& v = synth.VoiceAt(0);
        synth.Midi(0x90, 67, 100); // detached from the last note
        synth.Render(kTick);
        EXPECT_EQ(v.glideTicksLeft > 0, !legato) << legato;
        synth.Render(kTick * 200);
        synth.Midi(0x90, 72, 100); // 67 still held
        synth.Render(kTick);
        EXPECT_GT(v.glideTicksLeft, 0) << legato;
        EXPECT_NEAR(v.glideStep, (72 - 67) * 128 / 100.0, 1e-6) << legato; // 0.1 s = 100 ticks
    }
}

TEST(NoteHandling, MonoReturnsToTheHighestHeldNoteWithTheLastVelocity) {
    InstrumentHarness synth;
    synth.Set(kVoices, 0);
    synth.Set(kPortamento, 0.1);
    synth.Midi(0x90, 60, 100);
    synth.Render(kTick * 10);
    synth.Midi(0x90, 64, 80);
    synth.Render(kTick);
    const Voice& v = synth.VoiceAt(0);
    EXPECT_EQ(v.note, 64);
    EXPECT_GT(v.glideTicksLeft, 0);                            // glides from 60 to 64
    EXPECT_EQ(v.ampEnvelope.Stage(), Envelope::kDecaySustain); // envelopes continue
    synth.Midi(0x80, 64, 0);
    synth.Render(kTick);
    EXPECT_EQ(v.note, 60);
    EXPECT_EQ(v.velocity, 80);
    EXPECT_TRUE(v.keyDown);
    synth.Midi(0x80, 60, 0);
    synth.Render(kTick);
    EXPECT_FALSE(v.sounding);

    // 62, 69, 65 held: releasing 65 returns to 69, the highest, not 62.
    for (int n : {62, 69, 65})
        synth.Midi(0x90, n, 100);
    synth.Render(kTick);
    EXPECT_EQ(v.note, 65);
    synth.Midi(0x80, 65, 0);
    synth.Render(kTick);
    EXPECT_EQ(v.note, 69);
}

TEST(NoteHandling, SustainPedal) {
    InstrumentHarness synth;
    synth.Midi(0x90, 60, 100);
    synth.Midi(0xB0, 64, 127);
    synth.Midi(0x80, 60, 0);
    synth.Render(kTick * 5);
    EXPECT_TRUE(synth.VoiceAt(0).sounding); // pedal holds it
    synth.Midi(0x90, 62, 100);
    synth.Midi(0xB0, 64, 0);
    synth.Render(kTick);
    EXPECT_FALSE(synth.VoiceAt(0).sounding); // pedal up releases the key-up voice
    EXPECT_TRUE(synth.VoiceAt(1).sounding);  // its key is still down: nothing happens
}

TEST(NoteHandling, AllNotesOffReleasesEveryVoiceWithoutCutting) {
    InstrumentHarness synth;
    synth.Set(kAmpEnvRelease, 0.3);
    for (int n = 60; n < 66; ++n)
        synth.Midi(0x90, n, 100);
    synth.Render(kTick * 10);
    synth.Midi(0xB0, 123, 0);
    EXPECT_EQ(synth.PendingMidiEvents(), 0);
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(synth.VoiceAt(i).sounding);
        EXPECT_TRUE(synth.VoiceAt(i).active); // fading out through the release
    }
}

TEST(NoteHandling, VoicesChangeKillsAndReappliesOnlyOnARealChange) {
    InstrumentHarness synth;
    synth.Midi(0x90, 60, 100);
    synth.Render(kTick);
    synth.Set(kVoices, 3); // 8 -> 8: nothing
    EXPECT_TRUE(synth.VoiceAt(0).sounding);
    synth.Set(kVoices, 0); // 8 -> 1: all released
    EXPECT_FALSE(synth.VoiceAt(0).sounding);
    EXPECT_EQ(synth.Polyphony(), 1);
}

TEST(NoteHandling, RepeatRetriggersAtTheLfoRateAndGatesHalfThePeriod) {
    InstrumentHarness synth(48000.0);
    synth.Set(kRepeat, 1);
    synth.Set(kLfoRate, 2.0);
    synth.Set(kGateLength, 0.5);
    synth.Midi(0x90, 60, 100);
    // Count attack starts (stage changes into attack) and releases over 3 s.
    int attacks = 0, releases = 0, lastStage = Envelope::kIdle;
    std::vector<double> attackTimes, releaseTimes;
    for (int t = 0; t < 3 * 1000; ++t) {
        synth.Render(kTick);
        const int stage = synth.VoiceAt(0).ampEnvelope.Stage();
        if (stage != lastStage && stage == Envelope::kAttack) {
            ++attacks;
            attackTimes.push_back(t / 1000.0);
        }
        if (stage != lastStage && stage == Envelope::kRelease) {
            ++releases;
            releaseTimes.push_back(t / 1000.0);
        }
        lastStage = stage;
    }
    ASSERT_GE(attacks, 5);
    ASSERT_GE(releases, 5);
    // Retriggers every LFO cycle, about 0.5 s apart; each gate is about 0.25 s.
    for (std::size_t i = 2; i < attackTimes.size(); ++i)
        EXPECT_NEAR(attackTimes[i] - attackTimes[i - 1], 0.5, 0.01);
    for (std::size_t i = 1; i < releaseTimes.size() && i < attackTimes.size(); ++i)
        EXPECT_NEAR(releaseTimes[i] - attackTimes[i], 0.25, 0.01);
}

TEST(NoteHandling, HostSyncedRepeatFollowsTheTempo) {
    InstrumentHarness synth(48000.0);
    synth.Set(kRepeat, 2);
    synth.Set(kSyncRate, 9); // one beat
    // 120 BPM -> 0.5 s = 24000 samples per beat
    int attacks = 0, lastStage = Envelope::kIdle;
    std::vector<int> attackBlocks;
    synth.Midi(0x90, 60, 100);
    for (int block = 0; block < 200; ++block) {
        // A host that plays from the start: position advances with each 480-sample block.
        synth.SetTimeForTest(120.0, block * 480.0, block * 480.0 / 24000.0);
        synth.Render(480, 480);
        const int stage = synth.VoiceAt(0).ampEnvelope.Stage();
        if (stage != lastStage && stage == Envelope::kAttack) {
            ++attacks;
            attackBlocks.push_back(block);
        }
        lastStage = stage;
    }
    EXPECT_DOUBLE_EQ(synth.SyncPeriod(), 24000.0);
    ASSERT_GE(attacks, 3);
    for (std::size_t i = 2; i < attackBlocks.size(); ++i)
        EXPECT_NEAR(attackBlocks[i] - attackBlocks[i - 1], 50, 1); // 24000 / 480
}

} // namespace
} // namespace vorlunda
