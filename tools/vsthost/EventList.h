#pragma once

#include "vst2/VstAbi.h"

#include <memory>
#include <vector>

namespace vorlunda::vsthost {

// The events of one host block as a VstEvents list: MIDI and SysEx records held here, the list
// of pointers sized for the records rather than the two entries the record declares. Storage
// is reserved once, so filling and handing over a list allocates nothing.
class EventList {
public:
    explicit EventList(int capacity = 256);

    void Clear();
    // Clears the list and makes room for at least `capacity` events; allocates when it grows, so
    // never on an audio path.
    void ClearWithRoomFor(int capacity);
    // False when the list is full.
    bool Midi(int deltaFrames, int status, int data1 = 0, int data2 = 0);
    // The bytes stay the caller's and must live until the list has been delivered.
    bool SysEx(int deltaFrames, const char* bytes, int size);
    // Orders the events by their offsets, keeping the order of equal offsets (hosts deliver
    // them sorted).
    void Sort();

    int Count() const { return count; }
    int Capacity() const { return capacity; }
    vst::VstEvents* Events();

private:
    int capacity;
    int count = 0;
    std::vector<vst::VstMidiEvent> midi;
    std::vector<vst::VstMidiSysexEvent> sysex;
    int midiUsed = 0;
    int sysexUsed = 0;
    std::unique_ptr<vst::IntPtr[]> storage; // the VstEvents header and its pointers
};

} // namespace vorlunda::vsthost
