// Group 2, Lifecycle, in three child processes: a chord that must sound, again after suspend and
// resume, program changes in and out of range; 20 cycles of sample-rate, block-size and on/off
// requests in random order, repeated and unpaired, with audio calls in between; and apart from
// them, audio calls before the host set a sample rate, block size or switched processing on,
// which no host should make: what a plug-in does there is a warning, not a failure.
#include "GroupSupport.h"

#include <algorithm>
#include <array>
#include <cmath>

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

namespace {

constexpr double kAudible = 1e-5; // -100 dBFS: below it an instrument has made no sound

// Counts a host read once must stay as they were.
void CheckCounts(PluginInstance& plugin, int parameters, int programs, GroupReport& report,
                 const std::string& when) {
    if (plugin.Parameters() != parameters || plugin.Programs() != programs)
        report.Fail(when + ": " + std::to_string(plugin.Parameters()) + " parameters and " +
                    std::to_string(plugin.Programs()) + " programs instead of " +
                    std::to_string(parameters) + " and " + std::to_string(programs));
}

// A chord held for `blocks` blocks, then released; answers the loudest sample.
double PlayChord(BlockRunner& runner, PluginInstance& plugin, EventList& events, int blocks,
                 const char* context) {
    events.Clear();
    Chord(events, 0, true);
    runner.Render(kUsualBlock, Precision::Single, &events, context);
    double peak = runner.BlockPeak();
    for (int b = 1; b < blocks; ++b) {
        runner.Render(kUsualBlock, Precision::Single, nullptr, context);
        peak = std::max(peak, runner.BlockPeak());
    }
    events.Clear();
    Chord(events, 0, false);
    plugin.Deliver(events);
    return peak;
}

} // namespace

// Programs and sessions, in a child of its own: the instrument makes a sound for a chord, again
// after a suspend and resume; every program (16 spread over a larger bank) and the numbers a
// host must not send but some do (-1, numPrograms, a huge one) through effSetProgram, each
// followed by a chord whose output must be valid; the counts never change.
void RunProgramsHelper(GroupContext& context, GroupReport& report) {
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened, kUsualBlock))
        return;
    auto& plugin = opened.plugin;
    const int parameters = plugin->Parameters();
    const int programs = plugin->Programs();
    BlockRunner runner(*plugin, kUsualBlock);
    EventList events;
    const int halfSecond = static_cast<int>(0.5 * kUsualRate / kUsualBlock);

    context.stage("a chord");
    double peak = PlayChord(runner, *plugin, events, halfSecond, "a chord");
    for (int p = 1; peak < kAudible && p < std::min(programs, 5); ++p) {
        plugin->Dispatch(vst::effSetProgram, 0, p * programs / 5);
        peak = std::max(peak, PlayChord(runner, *plugin, events, halfSecond, "a chord"));
    }
    if (peak < kAudible)
        report.Fail("no sound: a chord held for 0.5 s never reaches -100 dBFS (peak " +
                    Fixed(peak, 9) + ")");

    context.stage("suspend and resume");
    plugin->Suspend();
    plugin->Resume();
    const double after = PlayChord(runner, *plugin, events, halfSecond, "after suspend and resume");
    if (peak >= kAudible && after < kAudible)
        report.Fail("no sound after a suspend and resume (peak " + Fixed(after, 9) + ")");

    const int tried = std::min(programs, 16);
    for (int t = 0; t < tried; ++t) {
        const int p = t * programs / tried;
        context.stage("effSetProgram(" + std::to_string(p) + ")");
        plugin->Dispatch(vst::effSetProgram, 0, p);
        CheckCounts(*plugin, parameters, programs, report,
                    "after effSetProgram(" + std::to_string(p) + ")");
        PlayChord(runner, *plugin, events, 4, "after a program change");
    }
    const vst::IntPtr current = plugin->Dispatch(vst::effGetProgram);
    for (const vst::IntPtr wrong :
         {vst::IntPtr{-1}, vst::IntPtr{programs}, vst::IntPtr{0x7FFFFFFF}}) {
        const std::string what = "effSetProgram(" + std::to_string(wrong) + ")";
        context.stage(what + ", out of range");
        plugin->Dispatch(vst::effSetProgram, 0, wrong);
        const vst::IntPtr now = plugin->Dispatch(vst::effGetProgram);
        if (programs > 0 && (now < 0 || now >= programs))
            report.Fail(what + " out of range: effGetProgram answers " + std::to_string(now));
        CheckCounts(*plugin, parameters, programs, report, what);
        PlayChord(runner, *plugin, events, 4, "after an out-of-range program");
    }
    plugin->Dispatch(vst::effSetProgram, 0, current);
    plugin->Suspend();
    plugin->Close();
    report.Faults(runner.Faults(), "programs");
    report.Figure("a chord at " + Fixed(20.0 * std::log10(std::max(peak, 1e-30)), 1) +
                  " dBFS, again after suspend and resume; " + std::to_string(tried) +
                  " programs and 3 out of range (-1, " + std::to_string(programs) +
                  ", 2147483647) each with a chord");
}

// The group: three children, so that a crash in one part hides nothing of the others.
void RunLifecycleGroup(GroupContext& context, GroupReport& report) {
    context.stage("programs, sound, suspend and resume");
    TakeChild(context.runChild("Programs"), report, "", true);
    context.stage("cycles");
    TakeChild(context.runChild("LifecycleCycles"), report, "", true);
    context.stage("audio before any setting (out of contract)");
    const GroupReport early = context.runChild("LifecycleEarly");
    if (early.Result() == Verdict::Failed) {
        for (const std::string& failure : early.Failures())
            report.Warn("out of contract, audio before any sample rate: " + failure);
    } else {
        report.Figure("audio before any setting handled (out of contract)");
    }
}

// The in-contract cycles.
void RunLifecycleCyclesHelper(GroupContext& context, GroupReport& report) {
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
