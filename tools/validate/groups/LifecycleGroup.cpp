// Group 2, Lifecycle: 20 cycles of sample-rate, block-size and on/off requests in random order,
// repeated and unpaired, with audio calls in between; and apart from them, in a child process
// of its own, audio calls before the host set a sample rate, block size or switched processing
// on, which no host should make: what a plug-in does there is reported, not judged.
#include "GroupSupport.h"

#include <algorithm>
#include <array>

namespace vorlunda::validate {

namespace {

constexpr int kCycles = 20;
constexpr std::array<double, 8> kRates = {8000.0,  22050.0,  44100.0,  48000.0,
                                          96000.0, 192000.0, 384000.0, 1234.5678};
constexpr std::array<int, 7> kBlocks = {1, 17, 64, 512, 2027, 4096, 16384};
// Before the host announced a block size, it still does not send more than this.
constexpr int kFirstBlocks = 64;

enum class Step { Rate, BlockSize, On, Off, Audio };

const char* StepName(Step step) {
    switch (step) {
    case Step::Rate:
        return "effSetSampleRate";
    case Step::BlockSize:
        return "effSetBlockSize";
    case Step::On:
        return "effMainsChanged(1)";
    case Step::Off:
        return "effMainsChanged(0)";
    case Step::Audio:
        return "audio";
    }
    return "?";
}

} // namespace

// Opened, then audio at once: no rate, no block size, processing never switched on.
void RunLifecycleEarlyHelper(GroupContext& context, GroupReport& report) {
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened))
        return;
    auto& plugin = opened.plugin;
    BlockRunner runner(*plugin, kFirstBlocks);
    EventList events;
    context.stage("audio before any setting");
    plugin->Open();
    for (int b = 0; b < 8; ++b) {
        events.Clear();
        if (b == 0)
            Chord(events, 0, true);
        runner.Render(kFirstBlocks, Precision::Single, &events, "audio before any setting");
    }
    plugin->Close();
    report.Faults(runner.Faults(), "audio before any setting");
}

void RunLifecycleGroup(GroupContext& context, GroupReport& report) {
    context.stage("audio before any setting (out of contract)");
    const GroupReport early = context.runChild("LifecycleEarly");
    if (early.Result() == Verdict::Failed) {
        for (const std::string& failure : early.Failures())
            report.Warn("out of contract, audio before any sample rate: " + failure);
    } else {
        report.Figure("audio before any setting handled (out of contract)");
    }

    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened))
        return;
    auto& plugin = opened.plugin;
    BlockRunner runner(*plugin, 16384);
    EventList events;
    Random& random = context.random;
    // The in-contract cycles start as a host does: opened, a rate and a block size.
    plugin->Open();
    plugin->SetSampleRate(kUsualRate);
    plugin->SetBlockSize(kFirstBlocks);

    int block = kFirstBlocks; // the largest block the host may send now
    long steps = 0;
    long audioCalls = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        // Every kind at least once per cycle, then random extra steps (repeats, unpaired
        // on/off, audio while switched off).
        std::vector<Step> order = {Step::Rate, Step::BlockSize, Step::On, Step::Audio, Step::Off};
        for (int extra = random.Between(2, 8); extra > 0; --extra)
            order.push_back(static_cast<Step>(random.Between(0, 4)));
        for (std::size_t i = order.size(); i > 1; --i)
            std::swap(order[i - 1], order[random.Below(static_cast<std::uint32_t>(i))]);
        for (Step step : order) {
            ++steps;
            context.stage("cycle " + std::to_string(cycle + 1) + ": " + StepName(step));
            switch (step) {
            case Step::Rate:
                plugin->SetSampleRate(kRates[random.Below(kRates.size())]);
                break;
            case Step::BlockSize:
                block = kBlocks[random.Below(kBlocks.size())];
                plugin->SetBlockSize(block);
                break;
            case Step::On:
                // Each session in one precision, announced before it starts.
                plugin->SetPrecision(random.Chance(0.5) ? Precision::Double : Precision::Single);
                plugin->Resume();
                break;
            case Step::Off:
                plugin->Suspend();
                break;
            case Step::Audio:
                for (int b = random.Between(1, 4); b > 0; --b) {
                    events.Clear();
                    const int frames = random.Between(1, block);
                    if (random.Chance(0.5))
                        NoteOn(events, random.Between(0, frames - 1), random.Between(30, 90));
                    if (random.Chance(0.3))
                        Chord(events, 0, false);
                    runner.Render(frames, plugin->SessionPrecision(), &events, "lifecycle");
                    ++audioCalls;
                }
                break;
            }
        }
    }
    plugin->Close(); // while switched on or off, as the last cycle left it
    report.Faults(runner.Faults(), "lifecycle");
    report.Figure(std::to_string(kCycles) + " cycles of " + std::to_string(steps) +
                  " requests in random order with " + std::to_string(audioCalls) + " audio calls");
}

} // namespace vorlunda::validate
