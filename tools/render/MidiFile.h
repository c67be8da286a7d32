#pragma once

#include "TempoMap.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorlunda::render {

// One channel message of the song at its moment.
struct MidiMessage {
    double seconds = 0.0;  // since the song start
    std::int64_t tick = 0; // in the file's time division
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0; // 0 for the one-byte messages (program, channel pressure)
};

// A Standard MIDI File of format 0 or 1 (metrical time division), read from untrusted bytes:
// every length is checked, and a file that breaks the format is refused with a reason. The
// channel messages of all tracks are merged into one list in time order (ties keep track order,
// then file order); the tempo and time-signature events, from any track, form the tempo map.
// System-exclusive events and other meta events are skipped.
class MidiFile {
public:
    static constexpr std::uintmax_t kMaxFileBytes = 256u << 20; // larger files are refused

    // Both answer false with a reason in Error() when the file cannot be used.
    bool Load(const std::string& path);
    bool Parse(std::span<const std::uint8_t> bytes);

    const std::string& Error() const { return error; }
    int Format() const { return format; }
    int TrackCount() const { return trackCount; }
    const std::vector<MidiMessage>& Messages() const { return messages; }
    const TempoMap& Tempo() const { return tempo; }
    double Duration() const; // seconds up to the last message, 0 without messages

private:
    struct TempoEvent {
        std::int64_t tick;
        int kind; // 0 tempo, 1 time signature
        std::uint32_t a;
        std::uint32_t b;
    };

    bool Fail(std::string reason);
    bool ParseTrack(std::span<const std::uint8_t> track, int index, std::size_t fileOffset,
                    std::vector<TempoEvent>& tempoEvents);

    std::string error;
    int format = 0;
    int trackCount = 0;
    std::vector<MidiMessage> messages;
    TempoMap tempo;
};

} // namespace vorlunda::render
