#include "MidiFile.h"

#include "FileBytes.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vorlunda::render {

namespace {

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[at + i];
    return value;
}

bool HasId(std::span<const std::uint8_t> bytes, std::size_t at, const char* id) {
    return std::equal(id, id + 4, bytes.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

// Data bytes that follow a channel status: two, except program change and channel pressure.
int DataBytes(std::uint8_t status) {
    const int kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Reads one track's bytes front to back; every read is checked against the end.
class TrackReader {
public:
    explicit TrackReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}
    bool AtEnd() const { return pos >= bytes.size(); }
    std::size_t Position() const { return pos; }
    bool Byte(std::uint8_t& out) {
        if (pos >= bytes.size())
            return false;
        out = bytes[pos++];
        return true;
    }
    // A variable-length quantity: at most four bytes of seven bits each (the format's limit).
    bool Number(std::uint32_t& out, bool& tooLong) {
        out = 0;
        tooLong = false;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b = 0;
            if (!Byte(b))
                return false;
            out = (out << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        tooLong = true;
        return false;
    }
    bool Take(std::uint32_t count, std::span<const std::uint8_t>& out) {
        if (count > bytes.size() - pos)
            return false;
        out = bytes.subspan(pos, count);
        pos += count;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
};

std::string Hex(unsigned value) {
    const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[(value >> 4) & 15] + digits[value & 15];
}

} // namespace

bool MidiFile::Fail(std::string reason) {
    error = std::move(reason);
    messages.clear();
    return false;
}

bool MidiFile::Load(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!ReadFileBytes(path, kMaxFileBytes, "a MIDI file", bytes, reason))
        return Fail(std::move(reason));
    if (!Parse(bytes)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool MidiFile::Parse(std::span<const std::uint8_t> bytes) {
    error.clear();
    messages.clear();
    format = 0;
    trackCount = 0;
    if (bytes.size() < 14 || !HasId(bytes, 0, "MThd"))
        return Fail("not a Standard MIDI File (no MThd header)");
    const std::uint32_t headerLength = BigEndian(bytes, 4, 4);
    if (headerLength < 6)
        return Fail("bad MIDI file: header chunk shorter than 6 bytes");
    if (headerLength > bytes.size() - 8)
        return Fail("bad MIDI file: truncated header chunk");
    format = static_cast<int>(BigEndian(bytes, 8, 2));
    trackCount = static_cast<int>(BigEndian(bytes, 10, 2));
    const std::uint32_t division = BigEndian(bytes, 12, 2);
    if (format > 1)
        return Fail("MIDI file format " + std::to_string(format) +
                    " is not supported (only formats 0 and 1)");
    if (trackCount == 0 || (format == 0 && trackCount != 1))
        return Fail("bad MIDI file: format " + std::to_string(format) + " with " +
                    std::to_string(trackCount) + " tracks");
    if (division & 0x8000)
        return Fail("MIDI files timed in SMPTE frames are not supported");
    if (division == 0)
        return Fail("bad MIDI file: time division of 0 ticks per quarter note");

    std::vector<TempoEvent> tempoEvents;
    std::size_t pos = 8 + std::size_t{headerLength};
    int track = 0;
    while (track < trackCount) {
        if (bytes.size() - pos < 8)
            return Fail("bad MIDI file: ends before track " + std::to_string(track + 1) + " of " +
                        std::to_string(trackCount));
        const std::uint32_t length = BigEndian(bytes, pos + 4, 4);
        if (length > bytes.size() - pos - 8)
            return Fail("bad MIDI file: chunk at byte " + std::to_string(pos) + " is truncated");
        // Chunks of unknown types are skipped, as the format asks readers to do.
        if (HasId(bytes, pos, "MTrk")) {
            if (!ParseTrack(bytes.subspan(pos + 8, length), track, pos + 8, tempoEvents))
                return false;
            ++track;
        }
        pos += 8 + std::size_t{length};
    }

    tempo = TempoMap(static_cast<int>(division));
    std::stable_sort(tempoEvents.begin(), tempoEvents.end(),
                     [](const TempoEvent& a, const TempoEvent& b) { return a.tick < b.tick; });
    for (const TempoEvent& e : tempoEvents) {
        if (e.kind == 0)
            tempo.AddTempo(e.tick, e.a);
        else
            tempo.AddTimeSignature(e.tick, static_cast<int>(e.a), static_cast<int>(e.b));
    }
    // Tracks were appended one after another, so a stable sort by tick keeps track order and
    // file order among messages of the same tick.
    std::stable_sort(messages.begin(), messages.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.tick < b.tick; });
    for (MidiMessage& m : messages)
        m.seconds = tempo.Seconds(m.tick);
    return true;
}

bool MidiFile::ParseTrack(std::span<const std::uint8_t> bytes, int index, std::size_t fileOffset,
                          std::vector<TempoEvent>& tempoEvents) {
    TrackReader in(bytes);
    std::int64_t tick = 0;
    std::uint8_t running = 0; // 0: no running status in effect
    std::size_t eventStart = 0;
    auto bad = [&](const std::string& what) {
        return Fail("bad MIDI file: track " + std::to_string(index + 1) + ", byte " +
                    std::to_string(fileOffset + eventStart) + ": " + what);
    };
    while (!in.AtEnd()) {
        eventStart = in.Position();
        std::uint32_t delta = 0;
        bool tooLong = false;
        if (!in.Number(delta, tooLong))
            return bad(tooLong ? "delta time longer than 4 bytes" : "truncated event");
        tick += delta;
        std::uint8_t first = 0;
        if (!in.Byte(first))
            return bad("truncated event");

        if (first == 0xFF) { // meta event
            std::uint8_t type = 0;
            std::uint32_t length = 0;
            if (!in.Byte(type) || !in.Number(length, tooLong))
                return bad(tooLong ? "meta length longer than 4 bytes" : "truncated meta event");
            std::span<const std::uint8_t> data;
            if (!in.Take(length, data))
                return bad("truncated meta event");
            running = 0; // meta events cancel running status
            if (type == 0x2F)
                return true; // end of track: anything after it is not part of the track
            if (type == 0x51 && length == 3)
                tempoEvents.push_back({tick, 0, BigEndian(data, 0, 3), 0});
            // Numerator, then the denominator as a power of two (up to 1/64 notes).
            if (type == 0x58 && length >= 2 && data[0] > 0 && data[1] <= 6)
                tempoEvents.push_back({tick, 1, data[0], 1u << data[1]});
            continue;
        }
        if (first == 0xF0 || first == 0xF7) { // system exclusive, or an escaped packet
            std::uint32_t length = 0;
            std::span<const std::uint8_t> skipped;
            if (!in.Number(length, tooLong) || !in.Take(length, skipped))
                return bad(tooLong ? "sysex length longer than 4 bytes" : "truncated sysex event");
            running = 0;
            continue;
        }
        if (first > 0xF0)
            return bad("unexpected status byte " + Hex(first));

        MidiMessage message;
        message.tick = tick;
        std::uint8_t data[2] = {0, 0};
        int have = 0;
        if (first & 0x80) {
            running = first;
        } else {
            if (running == 0)
                return bad("data byte without a status (running status not in effect)");
            data[have++] = first;
        }
        message.status = running;
        const int needed = DataBytes(running);
        while (have < needed) {
            if (!in.Byte(data[have]))
                return bad("truncated channel message");
            if (data[have] & 0x80)
                return bad("status byte " + Hex(data[have]) + " inside a channel message");
            ++have;
        }
        message.data1 = data[0];
        message.data2 = data[1];
        messages.push_back(message);
    }
    return true; // a track without an end-of-track event is accepted when it ends cleanly
}

double MidiFile::Duration() const {
    return messages.empty() ? 0.0 : messages.back().seconds;
}

} // namespace vorlunda::render
