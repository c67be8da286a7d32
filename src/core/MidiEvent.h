#pragma once

#include <cstdint>

namespace vorlunda {

// A short MIDI message. `offset` counts samples from the start of the host block on arrival
// and, once queued by the engine, from the start of the current control tick.
struct MidiEvent {
    std::int32_t offset = 0; // samples
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;

    int Kind() const { return status & 0xF0; }
    int Channel() const { return status & 0x0F; }
};

// A system-exclusive message; the bytes belong to the caller for the duration of the call.
struct SysExEvent {
    std::int32_t offset = 0; // samples
    std::int32_t size = 0;   // bytes
    const std::uint8_t* data = nullptr;
};

} // namespace vorlunda
