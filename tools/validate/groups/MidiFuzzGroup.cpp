// Group 5, MIDI fuzz: blocks of 64 samples full of random messages, the awkward ones favoured;
// then, after everything a host sends to silence an instrument, the output must fall below
// -120 dBFS within the release of the sound plus one second.
#include "GroupSupport.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vorlunda::validate {

namespace {

constexpr int kBlock = 64;               // samples
constexpr double kSilence = 1e-6;        // -120 dBFS
constexpr int kLargestSysEx = 64 * 1024; // bytes
constexpr std::array<int, 8> kControllers = {64, 64, 120, 123, 1, 7, 121, 0};

struct Tally {
    long messages = 0;
    long notes = 0;
    long controllers = 0;
    long bends = 0;
    long programs = 0;
    long sysex = 0;
    long odd = 0; // system, running-status data bytes, pressure
    int largestSysEx = 0;
};

int SysExSize(Random& random) {
    switch (random.Below(4)) {
    case 0:
        return random.Between(0, 3);
    case 1:
        return random.Between(4, 256);
    case 2:
        return random.Between(257, 4096);
    default:
        return random.Between(4097, kLargestSysEx);
    }
}

// One random message into `events`, at a random offset within the block.
void RandomMessage(EventList& events, Random& random, const std::vector<char>& sysexBytes,
                   std::vector<int>& held, Tally& tally) {
    const int offset = random.Between(0, kBlock - 1);
    const int channel = random.Chance(0.7) ? 0 : random.Between(0, 15);
    const int kind = random.Between(0, 99);
    ++tally.messages;
    if (kind < 30) { // note on, velocity 0 among them
        const int note = random.Between(0, 127);
        const int velocity = random.Chance(0.1) ? 0 : random.Between(1, 127);
        events.Midi(offset, 0x90 | channel, note, velocity);
        if (velocity > 0)
            held.push_back(note);
        ++tally.notes;
    } else if (kind < 38) { // the same note again, without an off in between
        const int note =
            held.empty() ? 60 : held[random.Below(static_cast<std::uint32_t>(held.size()))];
        events.Midi(offset, 0x90 | channel, note, random.Between(1, 127));
        ++tally.notes;
    } else if (kind < 55) { // note off, often for a note that is not playing
        int note = random.Between(0, 127);
        if (!held.empty() && random.Chance(0.5)) {
            const std::size_t at = random.Below(static_cast<std::uint32_t>(held.size()));
            note = held[at];
            held.erase(held.begin() + static_cast<std::ptrdiff_t>(at));
        }
        events.Midi(offset, 0x80 | channel, note, random.Between(0, 127));
        ++tally.notes;
    } else if (kind < 72) { // controllers, the special ones favoured
        const int controller = random.Chance(0.5) ? kControllers[random.Below(kControllers.size())]
                                                  : random.Between(0, 127);
        const int value =
            random.Chance(0.3) ? (random.Chance(0.5) ? 0 : 127) : random.Between(0, 127);
        events.Midi(offset, 0xB0 | channel, controller, value);
        ++tally.controllers;
    } else if (kind < 82) { // pitch bend: the extremes, the centre, anything
        static constexpr std::array<std::array<int, 2>, 4> kBends = {
            {{0, 0}, {127, 127}, {0, 64}, {127, 0}}};
        const auto bend = kBends[random.Below(kBends.size())];
        if (random.Chance(0.7))
            events.Midi(offset, 0xE0 | channel, bend[0], bend[1]);
        else
            events.Midi(offset, 0xE0 | channel, random.Between(0, 127), random.Between(0, 127));
        ++tally.bends;
    } else if (kind < 85) {
        events.Midi(offset, 0xC0 | channel, random.Between(0, 127));
        ++tally.programs;
    } else if (kind < 91) { // pressure, system messages, data bytes where a status belongs
        static constexpr std::array<int, 9> kOdd = {0xA0, 0xD0, 0xF0, 0xF1, 0xF2,
                                                    0xF8, 0xFE, 0xFF, 0x45};
        const int status = kOdd[random.Below(kOdd.size())];
        events.Midi(offset, status < 0xF0 && status >= 0x80 ? status | channel : status,
                    random.Between(0, 255), random.Between(0, 255));
        ++tally.odd;
    } else if (kind < 93) {
        const int size = SysExSize(random);
        const int start = random.Between(0, static_cast<int>(sysexBytes.size()) - size);
        events.SysEx(offset, sysexBytes.data() + start, size);
        tally.largestSysEx = std::max(tally.largestSysEx, size);
        ++tally.sysex;
    } else {
        --tally.messages; // nothing this time: some blocks stay quiet
    }
    if (held.size() > 256)
        held.erase(held.begin(), held.begin() + 128);
}

} // namespace

void RunMidiFuzzGroup(GroupContext& context, GroupReport& report) {
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened, kBlock, kUsualRate))
        return;
    auto& plugin = opened.plugin;
    BlockRunner runner(*plugin, kBlock);
    EventList events(4096);
    Random& random = context.random;

    // SysEx bodies are windows into one buffer: F0, random data bytes, F7, and junk around.
    std::vector<char> sysexBytes(2 * kLargestSysEx);
    for (char& b : sysexBytes)
        b = static_cast<char>(random.Below(128));
    for (std::size_t i = 0; i < sysexBytes.size(); i += 509) {
        sysexBytes[i] = static_cast<char>(0xF0);
        sysexBytes[(i + 300) % sysexBytes.size()] = static_cast<char>(0xF7);
    }

    const int blocks = context.Count(10000, 3000);
    Tally tally;
    std::vector<int> held;
    for (int b = 0; b < blocks; ++b) {
        if (b % 500 == 0)
            context.stage("block " + std::to_string(b) + " of " + std::to_string(blocks));
        events.Clear();
        const int count = random.Chance(0.4) ? 0 : random.Between(1, random.Chance(0.1) ? 40 : 6);
        for (int m = 0; m < count; ++m)
            RandomMessage(events, random, sysexBytes, held, tally);
        events.Sort();
        runner.Render(kBlock, Precision::Single, &events, "MIDI fuzz");
    }
    report.Faults(runner.Faults(), "MIDI fuzz");
    report.Figure(std::to_string(blocks) + " blocks, " + std::to_string(tally.messages) +
                  " messages (" + std::to_string(tally.notes) + " notes, " +
                  std::to_string(tally.controllers) + " controllers, " +
                  std::to_string(tally.bends) + " bends, " + std::to_string(tally.programs) +
                  " program changes, " + std::to_string(tally.odd) + " odd, " +
                  std::to_string(tally.sysex) + " SysEx up to " +
                  std::to_string(tally.largestSysEx) + " bytes)");

    // All notes off, the way hosts send it when the transport stops.
    context.stage("silence after all notes off");
    const double cap = context.Count(180, 40); // s, longest wait for either measurement
    events.Clear();
    Panic(events);
    plugin->Deliver(events);
    // A runner of its own, so that the faults of the fuzz are not counted again below.
    BlockRunner after(*plugin, kBlock);
    const double silent = TimeToSilence(after, *plugin, kBlock, kSilence, 1.0, cap, "tail");

    // The release of the sound as the fuzz left it: a chord at full velocity, held, released.
    context.stage("release of the current sound");
    events.Clear();
    Chord(events, 0, true, 127);
    after.Render(kBlock, Precision::Single, &events, "release");
    for (int b = 0; b < static_cast<int>(0.5 * kUsualRate) / kBlock; ++b)
        after.Render(kBlock, Precision::Single, nullptr, "release");
    events.Clear();
    Chord(events, 0, false);
    plugin->Deliver(events);
    const double release = TimeToSilence(after, *plugin, kBlock, kSilence, 1.0, cap, "release");
    plugin->Suspend();
    plugin->Close();
    report.Faults(after.Faults(), "after the fuzz");

    if (release < 0.0) {
        report.Fail("a released chord is still above -120 dBFS after " + Fixed(cap, 0) + " s");
    } else if (silent < 0.0 || silent > release + 1.0) {
        report.Fail("after all notes off the output stays above -120 dBFS for " +
                    (silent < 0.0 ? "more than " + Fixed(cap, 0) : Fixed(silent, 2)) +
                    " s; the sound's release takes " + Fixed(release, 2) + " s");
    }
    report.Figure("below -120 dBFS " + Fixed(std::max(silent, 0.0), 2) +
                  " s after all notes off (release " + Fixed(std::max(release, 0.0), 2) +
                  " s + 1 s allowed)");
    report.Figure(std::to_string(plugin ? plugin->MidiFromPlugin() : 0) +
                  " MIDI events sent back to the host");
}

} // namespace vorlunda::validate
