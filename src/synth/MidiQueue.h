#pragma once

#include "core/MidiEvent.h"

#include <memory>

namespace vorlunda {

// Incoming MIDI for the coming control ticks, ordered by sample offset; events with equal
// offsets keep their arrival order. Filled and drained on the audio thread. It only allocates
// when it is full of unconsumed events (a flood of MIDI within one block); if that allocation
// fails the new event is dropped.
class MidiQueue {
public:
    static constexpr int kInitialCapacity = 1024; // events
    static constexpr int kGrowthStep = 1024;      // events

    MidiQueue();

    // Sets the capacity to at least `events`, keeping the unconsumed events. Not audio thread.
    void Resize(int events);
    // Answers false when the event had to be dropped. An event goes after every event carried
    // over from an earlier host block (Seal), whatever their offsets say: those offsets count
    // from the current control tick, the new one's from the start of the new block, and the
    // carried events happened first.
    bool Add(const MidiEvent& event);
    // The end of a host block: the events still pending were sent before any that comes next.
    void Seal() { sealed = count; }
    // Drops the pending note-ons (an all-notes-off has arrived after them); answers how many.
    int DropNoteOns();
    void Clear() { front = count = sealed = 0; }

    bool HasPending() const { return front != count; }
    int Pending() const { return count - front; }
    int Capacity() const { return capacity; }
    MidiEvent& Front() { return events[front]; }
    void PopFront() {
        ++front;
        sealed = sealed > front ? sealed : front;
    }
    // Drops consumed events, moving the rest to the start.
    void Compact();
    // Pending events from the front (index 0) on.
    MidiEvent& PendingAt(int i) { return events[front + i]; }

private:
    bool Reallocate(int newCapacity);

    std::unique_ptr<MidiEvent[]> events;
    int capacity = 0;
    int front = 0;
    int count = 0;
    int sealed = 0; // events before this index came from earlier host blocks
};

} // namespace vorlunda
