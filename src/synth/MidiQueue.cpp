#include "synth/MidiQueue.h"

#include <algorithm>
#include <new>

namespace vorlunda {

MidiQueue::MidiQueue() {
    Reallocate(kInitialCapacity);
}

bool MidiQueue::Reallocate(int newCapacity) {
    std::unique_ptr<MidiEvent[]> fresh(new (std::nothrow)
                                           MidiEvent[static_cast<std::size_t>(newCapacity)]);
    if (!fresh)
        return false;
    const int pending = count - front;
    if (events)
        std::copy(events.get() + front, events.get() + count, fresh.get());
    events = std::move(fresh);
    capacity = newCapacity;
    sealed -= front;
    front = 0;
    count = pending;
    return true;
}

void MidiQueue::Resize(int wanted) {
    const int newCapacity = std::max({wanted, Pending(), 1});
    if (newCapacity != capacity)
        Reallocate(newCapacity);
}

void MidiQueue::Compact() {
    if (front == 0)
        return;
    std::copy(events.get() + front, events.get() + count, events.get());
    count -= front;
    sealed -= front;
    front = 0;
}

int MidiQueue::DropNoteOns() {
    int kept = front;
    int keptSealed = front;
    for (int i = front; i < count; ++i) {
        const MidiEvent& e = events[i];
        if ((e.status & 0xF0) == 0x90 && e.data2 > 0)
            continue;
        if (i < sealed)
            ++keptSealed;
        events[kept++] = e;
    }
    const int dropped = count - kept;
    count = kept;
    sealed = keptSealed;
    return dropped;
}

bool MidiQueue::Add(const MidiEvent& event) {
    if (count >= capacity) {
        if (front > 0) {
            Compact();
        } else if (capacity > (1 << 28) ||
                   !Reallocate(kGrowthStep * (capacity / kGrowthStep + 1))) {
            return false;
        }
    }
    // Ordered insertion: after the last pending event whose offset is not later, and after
    // every event carried over from an earlier block.
    const int earliest = sealed > front ? sealed : front;
    int at = count;
    while (at > earliest && events[at - 1].offset > event.offset)
        --at;
    std::copy_backward(events.get() + at, events.get() + count, events.get() + count + 1);
    events[at] = event;
    ++count;
    return true;
}

} // namespace vorlunda
