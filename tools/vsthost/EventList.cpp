#include "EventList.h"

#include <algorithm>

namespace vorlunda::vsthost {

namespace {

vst::VstEvents* Header(vst::IntPtr* storage) {
    return reinterpret_cast<vst::VstEvents*>(storage);
}

} // namespace

EventList::EventList(int capacity)
    : capacity(std::max(capacity, 1)), midi(static_cast<std::size_t>(this->capacity)),
      sysex(static_cast<std::size_t>(this->capacity)) {
    // numEvents and reserved take two pointer-sized words, then one word per event.
    storage = std::make_unique<vst::IntPtr[]>(static_cast<std::size_t>(this->capacity) + 2);
    static_assert(offsetof(vst::VstEvents, events) == 2 * sizeof(vst::IntPtr));
}

void EventList::Clear() {
    count = 0;
    midiUsed = 0;
    sysexUsed = 0;
}

void EventList::ClearWithRoomFor(int wanted) {
    Clear();
    if (wanted <= capacity)
        return;
    capacity = wanted;
    midi.resize(static_cast<std::size_t>(capacity));
    sysex.resize(static_cast<std::size_t>(capacity));
    storage = std::make_unique<vst::IntPtr[]>(static_cast<std::size_t>(capacity) + 2);
}

bool EventList::Midi(int deltaFrames, int status, int data1, int data2) {
    if (count >= capacity)
        return false;
    vst::VstMidiEvent& e = midi[static_cast<std::size_t>(midiUsed++)];
    e = {};
    e.type = vst::kVstMidiType;
    e.byteSize = sizeof e;
    e.deltaFrames = deltaFrames;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    storage[2 + count++] = reinterpret_cast<vst::IntPtr>(&e);
    return true;
}

bool EventList::SysEx(int deltaFrames, const char* bytes, int size) {
    if (count >= capacity)
        return false;
    vst::VstMidiSysexEvent& e = sysex[static_cast<std::size_t>(sysexUsed++)];
    e = {};
    e.type = vst::kVstSysExType;
    e.byteSize = sizeof e;
    e.deltaFrames = deltaFrames;
    e.dumpBytes = size;
    e.sysexDump = const_cast<char*>(bytes);
    storage[2 + count++] = reinterpret_cast<vst::IntPtr>(&e);
    return true;
}

void EventList::Sort() {
    auto delta = [](vst::IntPtr p) {
        return reinterpret_cast<const vst::VstEvent*>(p)->deltaFrames;
    };
    std::stable_sort(storage.get() + 2, storage.get() + 2 + count,
                     [&](vst::IntPtr a, vst::IntPtr b) { return delta(a) < delta(b); });
}

vst::VstEvents* EventList::Events() {
    vst::VstEvents* events = Header(storage.get());
    events->numEvents = count;
    events->reserved = 0;
    return events;
}

} // namespace vorlunda::vsthost
