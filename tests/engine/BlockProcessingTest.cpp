#include "engine/Vorlunda2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vorlunda {
namespace {

// The instrument with a record of when each MIDI event reached the engine.
class TimedInstrument : public Vorlunda2 {
public:
    struct Handled {
        long long tick;
        MidiEvent event;
    };
    explicit TimedInstrument(double rate = 44100.0) {
        StoreSampleRate(rate);
        RestartProcessing();
    }
    void EventHandled(const MidiEvent& e) override { handled.push_back({ControlTickCount(), e}); }
    void Render(int frames) {
        left.assign(static_cast<std::size_t>(frames), 1.0);
        right.assign(static_cast<std::size_t>(frames), 1.0);
        double* outs[2] = {left.data(), right.data()};
        RenderBlock(nullptr, outs, frames);
    }
    void Send(int offset, int status, int d1, int d2) {
        HandleMidiMessage(MidiEvent{offset, static_cast<std::uint8_t>(status),
                                    static_cast<std::uint8_t>(d1), static_cast<std::uint8_t>(d2)});
    }
    std::vector<Handled> handled;
    std::vector<double> left, right;
};

TEST(BlockProcessing, ControlBlockIsIntegerRateOverAThousand) {
    const std::pair<double, int> cases[] = {{44100.0, 44}, {48000.0, 48},  {96000.0, 96},
                                            {22050.0, 22}, {1234.5678, 1}, {800.0, 1}};
    for (auto [rate, samples] : cases) {
        TimedInstrument synth(rate);
        EXPECT_EQ(synth.ControlBlockSize(), samples) << rate;
        synth.Render(100); // never stalls, even below 1 kHz
        EXPECT_EQ(synth.ControlTickCount(), (100 + samples - 1) / samples) << rate;
    }
}

TEST(BlockProcessing, EventIsHandledAtTheTickItFallsIn) {
    TimedInstrument synth(44100.0);
    const int cb = synth.ControlBlockSize();
    synth.Send(3 * cb, 0xB0, 1, 64); // handled at the third tick (sample 2 * cb)
    synth.Send(0, 0xB0, 1, 10);      // first tick
    synth.Send(cb, 0xB0, 1, 20);     // still the first tick: within one block of it
    synth.Send(cb + 1, 0xB0, 1, 30); // second tick
    synth.Render(10 * cb);
    ASSERT_EQ(synth.handled.size(), 4u);
    EXPECT_EQ(synth.handled[0].tick, 1);
    EXPECT_EQ(synth.handled[0].event.data2, 10);
    EXPECT_EQ(synth.handled[1].tick, 1);
    EXPECT_EQ(synth.handled[1].event.data2, 20);
    EXPECT_EQ(synth.handled[2].tick, 2);
    EXPECT_EQ(synth.handled[3].tick, 3);
    EXPECT_EQ(synth.handled[3].event.data2, 64);
    EXPECT_EQ(synth.PendingMidiEvents(), 0);
}

TEST(BlockProcessing, EqualOffsetsKeepArrivalOrder) {
    TimedInstrument synth;
    for (int v = 0; v < 5; ++v)
        synth.Send(100, 0xB0, 1, v);
    synth.Send(50, 0xB0, 1, 99);
    synth.Render(512);
    ASSERT_EQ(synth.handled.size(), 6u);
    EXPECT_EQ(synth.handled[0].event.data2, 99);
    for (int v = 0; v < 5; ++v)
        EXPECT_EQ(synth.handled[static_cast<std::size_t>(v + 1)].event.data2, v);
}

TEST(BlockProcessing, TicksStayAlignedAcrossHostBlocksOfAnySize) {
    // Rendering 44100 samples must tick exactly every 44 samples whatever the host's block size.
    for (int block : {1, 7, 64, 1023}) {
        TimedInstrument synth(44100.0);
        int rendered = 0;
        while (rendered < 4400) {
            const int n = std::min(block, 4400 - rendered);
            synth.Render(n);
            rendered += n;
            EXPECT_EQ(synth.ControlTickCount(), (rendered + 43) / 44) << "block " << block;
            EXPECT_EQ(synth.ControlSamplesLeft(), (44 - rendered % 44) % 44) << "block " << block;
        }
    }
}

TEST(BlockProcessing, BendAndAftertouchBeyondTheFirstTickMoveHalfATick) {
    TimedInstrument synth(48000.0);
    synth.Send(48, 0xE0, 0, 0x40);    // exactly one block: unchanged, first tick
    synth.Send(49, 0xE0, 0x7F, 0x7F); // 49 + 24 = 73: second tick
    synth.Render(48 * 4);
    ASSERT_EQ(synth.handled.size(), 2u);
    EXPECT_EQ(synth.handled[0].tick, 1);
    EXPECT_EQ(synth.handled[1].tick, 2);
    EXPECT_DOUBLE_EQ(synth.PitchBendRaw(), 8191.0 / 8192.0);
}

TEST(BlockProcessing, PitchBendScale) {
    TimedInstrument synth;
    synth.Send(0, 0xE3, 0x00, 0x40);
    synth.Render(44);
    EXPECT_EQ(synth.PitchBendRaw(), 0.0);
    synth.Send(0, 0xE0, 0x00, 0x00);
    synth.Render(44);
    EXPECT_EQ(synth.PitchBendRaw(), -1.0);
    synth.Send(0, 0xE0, 0x7F, 0x7F);
    synth.Render(44);
    EXPECT_EQ(synth.PitchBendRaw(), 8191.0 / 8192.0);
}

// A note-on late in one block and its note-off at the start of the next: the note-on is still
// queued when the note-off arrives, and must still come first, or the note never ends.
TEST(BlockProcessing, ANoteOnCarriedOverIsHandledBeforeTheNextBlocksEvents) {
    TimedInstrument synth;
    synth.Render(20); // the next tick falls 24 samples into the next block
    synth.Send(53, 0x90, 60, 100);
    synth.Render(64); // one tick, at 24: 53 - 44 > 0, the note-on waits for the next tick
    ASSERT_TRUE(synth.handled.empty());
    synth.Send(0, 0x80, 60, 0);
    synth.Render(64);
    ASSERT_EQ(synth.handled.size(), 2u);
    EXPECT_EQ(synth.handled[0].event.status, 0x90);
    EXPECT_EQ(synth.handled[1].event.status, 0x80);
    EXPECT_FALSE(synth.VoiceAt(0).keyDown);
}

TEST(BlockProcessing, AllNotesOffDropsNoteOnsStillQueued) {
    TimedInstrument synth;
    synth.Render(20);
    synth.Send(53, 0x90, 60, 100);
    synth.Render(64);
    ASSERT_EQ(synth.PendingMidiEvents(), 1);
    synth.Send(0, 0xB0, 123, 0); // a host stopping its transport, without note-offs
    synth.Render(256);
    EXPECT_TRUE(synth.handled.empty());
    for (int v = 0; v < synth.Polyphony(); ++v)
        EXPECT_FALSE(synth.VoiceAt(v).keyDown) << v;
}

// The seam between two host blocks: a note-off carried over from the last block, then the new
// block's sustain pedal, an all-notes-off and a note-on five samples in. The carried note-off
// survives the all-notes-off and comes first; the later note-on is not dropped by it. Data bytes
// with the top bit set are read as their low seven bits.
TEST(BlockProcessing, CarriedEventsComeFirstAndAllNotesOffSparesLaterNotes) {
    TimedInstrument synth;
    synth.Send(0, 0x90, 60, 100);
    synth.Render(20); // the next tick falls 24 samples into the next block
    synth.Send(53, 0x80, 60, 0);
    synth.Render(64);
    ASSERT_EQ(synth.PendingMidiEvents(), 1);
    synth.Send(0, 0xB0, 64, 127);
    synth.Send(0, 0xB0, 123, 0);
    synth.Send(5, 0x90, 0x80 | 62, 0x80 | 90);
    synth.Render(256);
    ASSERT_EQ(synth.handled.size(), 4u);
    const int expected[][3] = {{0x90, 60, 100}, {0x80, 60, 0}, {0xB0, 64, 127}, {0x90, 62, 90}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(synth.handled[i].event.status, expected[i][0]) << i;
        EXPECT_EQ(synth.handled[i].event.data1, expected[i][1]) << i;
        EXPECT_EQ(synth.handled[i].event.data2, expected[i][2]) << i;
    }
    EXPECT_EQ(synth.handled[1].tick, synth.handled[2].tick); // both at the new block's first tick
    EXPECT_EQ(synth.VoiceAt(1).note, 62);
    EXPECT_TRUE(synth.VoiceAt(1).keyDown);
    EXPECT_EQ(synth.VoiceAt(1).velocity, 90);
    EXPECT_FALSE(synth.VoiceAt(0).keyDown);
}

TEST(BlockProcessing, AllNotesOffActsAtOnceAndOtherModeMessagesAreDropped) {
    TimedInstrument synth;
    for (int c : {120, 121, 122, 123, 124, 125, 126, 127})
        synth.Send(0, 0xB0, c, 0);
    synth.Send(0, 0xD0, 100, 0); // channel pressure
    synth.Send(0, 0xF8, 0, 0);   // clock
    EXPECT_EQ(synth.PendingMidiEvents(), 0);
    synth.Send(0, 0x90, 60, 0); // velocity 0 becomes a note-off
    synth.Render(44);
    ASSERT_EQ(synth.handled.size(), 1u);
    EXPECT_EQ(synth.handled[0].event.status, 0x80);
}

TEST(BlockProcessing, WheelIsSmoothedAndTheOutputIsSilentWithoutVoices) {
    TimedInstrument synth;
    synth.Send(0, 0xB0, 1, 127);
    synth.Render(44 * 1000); // one second of ticks
    EXPECT_DOUBLE_EQ(synth.ModWheelRaw(), 1.0);
    EXPECT_NEAR(synth.ModWheelSmoothed(), 1.0, 1e-6);
    for (std::size_t i = 0; i < synth.left.size(); ++i) {
        ASSERT_EQ(synth.left[i], 0.0);
        ASSERT_EQ(synth.right[i], 0.0);
    }
}

TEST(BlockProcessing, RenderBeforePreparationIsSilent) {
    Vorlunda2 synth;
    std::vector<double> l(256, 5.0), r(256, 5.0);
    double* outs[2] = {l.data(), r.data()};
    synth.RenderBlock(nullptr, outs, 256);
    EXPECT_EQ(l[255], 0.0);
    EXPECT_EQ(r[0], 0.0);
}

TEST(BlockProcessing, LearnBindsTheNextControllerAndTheMapDrivesTheParameter) {
    TimedInstrument synth;
    synth.Parameter(4)->InitContinuous("Volume", 0.5, 0.0, 1.0, 0.01);
    synth.learnArmed = true;
    synth.Send(0, 0xB0, 74, 0); // controller first: waits for the parameter
    EXPECT_TRUE(synth.learnArmed);
    synth.ParameterChanged(4);
    EXPECT_FALSE(synth.learnArmed);
    EXPECT_EQ(synth.controllerMap[74], 4);
    EXPECT_EQ(synth.PendingMidiEvents(), 0); // the learning controller is not queued

    synth.Send(0, 0xB0, 74, 127);
    synth.Render(44);
    EXPECT_DOUBLE_EQ(synth.Parameter(4)->RealValue(), 1.0);

    // Binding another controller to the same parameter moves the binding.
    synth.learnArmed = true;
    synth.learnParam = 4;
    synth.Send(0, 0xB0, 7, 0);
    EXPECT_EQ(synth.controllerMap[7], 4);
    EXPECT_EQ(synth.controllerMap[74], -1);

    // Unlearn by parameter.
    synth.learnArmed = true;
    synth.unlearnMode = true;
    synth.learnController = -1;
    synth.learnParam = -1;
    synth.ParameterChanged(4);
    EXPECT_EQ(synth.controllerMap[7], -1);
    EXPECT_FALSE(synth.learnArmed);
    EXPECT_FALSE(synth.unlearnMode);
}

TEST(BlockProcessing, IgnoredProgramChangeChangesNothing) {
    TimedInstrument synth;
    synth.FillEmptyPresets(nullptr, Vorlunda2::kProgramCount);
    synth.ignoreProgramChange = true;
    synth.Send(0, 0xC0, 5, 0);
    EXPECT_EQ(synth.CurrentProgram(), 0);
    synth.ignoreProgramChange = false;
    synth.Send(0, 0xC0, 5, 0);
    EXPECT_EQ(synth.CurrentProgram(), 5);
}

} // namespace
} // namespace vorlunda
