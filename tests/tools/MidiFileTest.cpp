// The renderer's Standard MIDI File reader and its tempo map: running status, tempo changes to
// seconds, the merge of format-1 tracks, and the refusal of broken or truncated files.
#include "MidiFile.h"
#include "TempoMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace vorlunda::render {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Append32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A file of the given format and division holding the given track bodies (each gets its
// "MTrk" header and length; the bodies are written as given, end-of-track included or not).
Bytes File(int format, int division, std::initializer_list<Bytes> tracks) {
    Bytes out = {'M',
                 'T',
                 'h',
                 'd',
                 0,
                 0,
                 0,
                 6,
                 0,
                 static_cast<std::uint8_t>(format),
                 0,
                 static_cast<std::uint8_t>(tracks.size()),
                 static_cast<std::uint8_t>(division >> 8),
                 static_cast<std::uint8_t>(division)};
    for (const Bytes& body : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        Append32(out, static_cast<std::uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

MidiFile Parsed(const Bytes& bytes) {
    MidiFile file;
    EXPECT_TRUE(file.Parse(bytes)) << file.Error();
    return file;
}

std::string Refusal(const Bytes& bytes) {
    MidiFile file;
    EXPECT_FALSE(file.Parse(bytes));
    EXPECT_TRUE(file.Messages().empty());
    return file.Error();
}

TEST(MidiFile, RunningStatusRepeatsTheLastChannelStatus) {
    // Note-on 60, then (running status) note-on 62 after 96 ticks and note 60 off (velocity 0)
    // after another 96; a program change and channel pressure carry one data byte only.
    const Bytes body = Join(
        {0x00, 0x90, 60, 100, 0x60, 62, 101, 0x60, 60, 0, 0x00, 0xC1, 5, 0x00, 0xD1, 70, 0x00, 71},
        kEnd);
    const MidiFile file = Parsed(File(0, 96, {body}));
    const auto& m = file.Messages();
    ASSERT_EQ(m.size(), 6u);
    EXPECT_EQ(m[1].status, 0x90);
    EXPECT_EQ(m[1].data1, 62);
    EXPECT_EQ(m[1].data2, 101);
    EXPECT_EQ(m[2].tick, 192);
    EXPECT_EQ(m[2].data2, 0);
    EXPECT_EQ(m[3].status, 0xC1);
    EXPECT_EQ(m[3].data1, 5);
    EXPECT_EQ(m[5].status, 0xD1); // running status of a one-byte message
    EXPECT_EQ(m[5].data1, 71);
    // 96 ticks per quarter at the default 120 quarters per minute: 192 ticks = 1 s.
    EXPECT_DOUBLE_EQ(m[2].seconds, 1.0);
}

TEST(MidiFile, TempoChangesTurnTicksIntoSeconds) {
    // 480 ticks per quarter; 120 BPM (500000 µs) until tick 480, then 60 BPM (1000000 µs).
    // A note at tick 960: 0.5 s for the first quarter + 1.0 s for the second = 1.5 s.
    const Bytes body = Join({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,       // 500000
                             0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, // +480: 1000000
                             0x83, 0x60, 0x90, 64,   90},                    // +480
                            kEnd);
    const MidiFile file = Parsed(File(0, 480, {body}));
    ASSERT_EQ(file.Messages().size(), 1u);
    EXPECT_EQ(file.Messages()[0].tick, 960);
    EXPECT_DOUBLE_EQ(file.Messages()[0].seconds, 1.5);
    EXPECT_DOUBLE_EQ(file.Duration(), 1.5);
}

TEST(MidiFile, FormatOneTracksMergeInTimeOrderWithTheTempoOfAnyTrack) {
    // Track 1: tempo 60 BPM. Track 2: notes at 0 and 200 ticks. Track 3: notes at 100 and 200.
    const Bytes conductor = Join({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}, kEnd);
    const Bytes a = Join({0x00, 0x90, 1, 1, 0x81, 0x48, 0x90, 2, 1}, kEnd);
    const Bytes b = Join({0x64, 0x91, 3, 1, 0x64, 0x91, 4, 1}, kEnd);
    const MidiFile file = Parsed(File(1, 100, {conductor, a, b}));
    const auto& m = file.Messages();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(file.TrackCount(), 3);
    // Ties keep track order: note 2 (track 2) before note 4 (track 3), both at tick 200.
    EXPECT_EQ(m[0].data1, 1);
    EXPECT_EQ(m[1].data1, 3);
    EXPECT_EQ(m[2].data1, 2);
    EXPECT_EQ(m[3].data1, 4);
    // 100 ticks per quarter at 60 BPM: one second per 100 ticks.
    EXPECT_DOUBLE_EQ(m[1].seconds, 1.0);
    EXPECT_DOUBLE_EQ(m[3].seconds, 2.0);
}

TEST(MidiFile, SysexAndOtherMetaEventsAreSkippedAndEndTheRunningStatus) {
    const Bytes body = Join({0x00, 0xF0, 0x03, 0x7E, 0x09, 0xF7,              // sysex
                             0x00, 0xFF, 0x03, 0x02, 'h',  'i',               // track name
                             0x00, 0xB0, 7,    100,  0x00, 0xE0, 0x00, 0x40}, // volume, bend
                            kEnd);
    const MidiFile file = Parsed(File(0, 96, {body}));
    ASSERT_EQ(file.Messages().size(), 2u);
    EXPECT_EQ(file.Messages()[1].status, 0xE0);
    EXPECT_EQ(file.Messages()[1].data2, 0x40);

    const Bytes broken = Join({0x00, 0x90, 60, 100, 0x00, 0xF0, 0x01, 0xF7, 0x00, 62, 100}, kEnd);
    EXPECT_NE(Refusal(File(0, 96, {broken})).find("running status"), std::string::npos);
}

TEST(MidiFile, EventsAfterTheEndOfTrackAndUnknownChunksAreIgnored) {
    Bytes file = File(0, 96, {Join(Join({0x00, 0x90, 60, 100}, kEnd), {0x00, 0x90, 61, 100})});
    // An unknown chunk before the track: skipped.
    const Bytes alien = {'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2};
    file.insert(file.begin() + 14, alien.begin(), alien.end());
    const MidiFile parsed = Parsed(file);
    ASSERT_EQ(parsed.Messages().size(), 1u);
    EXPECT_EQ(parsed.Messages()[0].data1, 60);
}

TEST(MidiFile, EveryTruncationOfAValidFileIsRefused) {
    const Bytes body = Join(
        {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 60, 100, 0x81, 0x00, 0x80, 60, 0},
        kEnd);
    const Bytes whole = File(1, 96, {body, body});
    Parsed(whole);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        MidiFile file;
        EXPECT_FALSE(file.Parse(std::span(whole).first(size))) << size << " bytes";
        EXPECT_FALSE(file.Error().empty());
    }
}

TEST(MidiFile, BrokenFilesAreRefusedWithAReason) {
    const Bytes note = Join({0x00, 0x90, 60, 100}, kEnd);
    EXPECT_NE(Refusal({'R', 'I', 'F', 'F'}).find("no MThd"), std::string::npos);
    EXPECT_NE(Refusal(File(2, 96, {note})).find("format 2"), std::string::npos);
    EXPECT_NE(Refusal(File(0, 96, {note, note})).find("2 tracks"), std::string::npos);
    EXPECT_NE(Refusal(File(0, 0xE728, {note})).find("SMPTE"), std::string::npos);
    EXPECT_NE(Refusal(File(0, 0, {note})).find("0 ticks"), std::string::npos);
    EXPECT_NE(Refusal(File(0, 96, {{0x00, 0x3C, 100}})).find("without a status"),
              std::string::npos);
    EXPECT_NE(Refusal(File(0, 96, {{0x00, 0x90, 0x3C, 0x90}})).find("inside a channel message"),
              std::string::npos);
    EXPECT_NE(Refusal(File(0, 96, {{0x80, 0x80, 0x80, 0x80, 0x00}})).find("longer than 4"),
              std::string::npos);
    EXPECT_NE(Refusal(File(0, 96, {{0x00, 0xF8}})).find("0xF8"), std::string::npos);
    EXPECT_NE(Refusal(File(0, 96, {{0x00, 0xFF, 0x51, 0x05, 0x07}})).find("truncated meta"),
              std::string::npos);
    // A header that announces more tracks than the file holds.
    Bytes missing = File(1, 96, {note});
    missing[11] = 2;
    EXPECT_NE(Refusal(missing).find("before track 2 of 2"), std::string::npos);
}

TEST(MidiFile, LoadNamesTheFileInItsRefusal) {
    MidiFile file;
    EXPECT_FALSE(file.Load("no-such-file.mid"));
    EXPECT_NE(file.Error().find("no-such-file.mid"), std::string::npos);
}

TEST(TempoMap, PositionsFollowTempoAndSignatureChanges) {
    // 480 ticks per quarter; 120 BPM for the first 4/4 bar (4 quarters = 2 s), then 60 BPM in
    // 3/4 from tick 1920.
    TempoMap map(480);
    map.AddTimeSignature(0, 4, 4);
    map.AddTempo(1920, 1000000);
    map.AddTimeSignature(1920, 3, 4);

    const MusicalPosition early = map.PositionAt(1.25); // 2.5 quarters into bar 1
    EXPECT_DOUBLE_EQ(early.quarters, 2.5);
    EXPECT_DOUBLE_EQ(early.tempo, 120.0);
    EXPECT_DOUBLE_EQ(early.barStart, 0.0);
    EXPECT_EQ(early.numerator, 4);

    // 3 s: 2 s at 120 BPM (4 quarters) + 1 s at 60 BPM (1 quarter) = 5 quarters, in the first
    // 3/4 bar, which starts at quarter 4.
    const MusicalPosition later = map.PositionAt(3.0);
    EXPECT_DOUBLE_EQ(later.quarters, 5.0);
    EXPECT_DOUBLE_EQ(later.tempo, 60.0);
    EXPECT_DOUBLE_EQ(later.barStart, 4.0);
    EXPECT_EQ(later.numerator, 3);
    EXPECT_EQ(later.denominator, 4);

    // 6.5 s: 4 + 4.5 = 8.5 quarters, in the second 3/4 bar (quarters 7 to 10).
    EXPECT_DOUBLE_EQ(map.PositionAt(6.5).barStart, 7.0);
    EXPECT_DOUBLE_EQ(map.Seconds(1920 + 480), 3.0);
}

TEST(TempoMap, ZeroTempoAndLaterChangesAtTheSameTick) {
    TempoMap map(100);
    map.AddTempo(0, 0);         // ignored: would stop time
    map.AddTempo(100, 250000);  // 240 BPM from quarter 1 ...
    map.AddTempo(100, 2000000); // ... replaced by 30 BPM at the same tick
    EXPECT_DOUBLE_EQ(map.Seconds(100), 0.5);
    EXPECT_DOUBLE_EQ(map.Seconds(200), 2.5);
    EXPECT_DOUBLE_EQ(map.PositionAt(2.5).tempo, 30.0);
}

} // namespace
} // namespace vorlunda::render
