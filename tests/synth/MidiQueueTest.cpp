#include "synth/MidiQueue.h"

#include <gtest/gtest.h>

namespace vorlunda {
namespace {

MidiEvent At(int offset, int tag) {
    return MidiEvent{offset, 0x90, static_cast<std::uint8_t>(tag & 0x7F), 1};
}

TEST(MidiQueue, OrderedByOffsetThenArrival) {
    MidiQueue q;
    q.Add(At(10, 1));
    q.Add(At(5, 2));
    q.Add(At(10, 3));
    q.Add(At(0, 4));
    q.Add(At(5, 5));
    const int expected[] = {4, 2, 5, 1, 3};
    for (int tag : expected) {
        ASSERT_TRUE(q.HasPending());
        EXPECT_EQ(q.Front().data1, tag);
        q.PopFront();
    }
    EXPECT_FALSE(q.HasPending());
}

TEST(MidiQueue, EventsOfTheNextBlockComeAfterThoseCarriedOver) {
    MidiQueue q;
    q.Add(At(9, 1)); // still pending at the end of a block, nine samples into the next tick
    q.Seal();
    q.Add(At(0, 2)); // sent at the start of the next block: later, whatever the offsets say
    q.Add(At(12, 3));
    q.Add(At(5, 4)); // among the new block's own events the offsets decide
    const int expected[] = {1, 2, 4, 3};
    for (int tag : expected) {
        ASSERT_TRUE(q.HasPending());
        EXPECT_EQ(q.Front().data1, tag);
        q.PopFront();
    }
}

TEST(MidiQueue, AllNotesOffDropsTheNoteOnsStillQueued) {
    MidiQueue q;
    q.Add(At(3, 1));
    q.Add(MidiEvent{4, 0x80, 2, 0});  // note-off stays
    q.Add(MidiEvent{5, 0xB0, 64, 0}); // controller stays
    q.Seal();
    q.Add(At(1, 5));
    EXPECT_EQ(q.DropNoteOns(), 2);
    EXPECT_EQ(q.Pending(), 2);
    // What was carried over still comes first.
    q.Add(At(0, 6));
    const int expected[] = {2, 64, 6};
    for (int data1 : expected) {
        ASSERT_TRUE(q.HasPending());
        EXPECT_EQ(q.Front().data1, data1);
        q.PopFront();
    }
}

TEST(MidiQueue, GrowsInStepsWhenFullOfPendingEvents) {
    MidiQueue q;
    EXPECT_EQ(q.Capacity(), 1024);
    for (int i = 0; i < 1025; ++i)
        ASSERT_TRUE(q.Add(At(i, i)));
    EXPECT_EQ(q.Capacity(), 2048);
    EXPECT_EQ(q.Pending(), 1025);
    for (int i = 0; i < 1025; ++i) {
        EXPECT_EQ(q.Front().offset, i);
        q.PopFront();
    }
}

TEST(MidiQueue, CompactsConsumedEventsBeforeGrowing) {
    MidiQueue q;
    q.Resize(4);
    EXPECT_EQ(q.Capacity(), 4);
    for (int i = 0; i < 4; ++i)
        q.Add(At(i, i));
    q.PopFront();
    q.PopFront();
    q.Add(At(9, 9)); // room is made by moving the two pending events to the front
    EXPECT_EQ(q.Capacity(), 4);
    EXPECT_EQ(q.Pending(), 3);
    EXPECT_EQ(q.Front().data1, 2);
    q.Resize(1); // never below the pending count
    EXPECT_EQ(q.Capacity(), 3);
    EXPECT_EQ(q.PendingAt(2).data1, 9);
}

} // namespace
} // namespace vorlunda
