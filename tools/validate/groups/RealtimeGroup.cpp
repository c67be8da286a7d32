// Group 10, Real-time safety: after a warm-up, 1000 blocks with notes, controllers, pitch
// bend and automation on the audio thread, during which the plug-in must not allocate, take a
// lock other than its own mutex, touch a file or make another system call there.
#include "GroupSupport.h"
#include "RealtimeMonitor.h"

namespace vorlunda::validate {

namespace {

constexpr int kBlock = 128;     // samples
constexpr int kWarmUp = 300;    // blocks
constexpr int kMeasured = 1000; // blocks

// The same mixture in the warm-up and the measured blocks, so that whatever the plug-in
// sizes lazily (its event queue, say) has met the largest need before measuring starts.
void Block(PluginInstance& plugin, BlockRunner& runner, EventList& events, Random& random, int b) {
    events.Clear();
    if (b % 4 == 0)
        NoteOn(events, random.Between(0, kBlock - 1), random.Between(36, 96),
               random.Between(1, 127));
    if (b % 4 == 2)
        NoteOff(events, random.Between(0, kBlock - 1), random.Between(36, 96));
    if (b % 16 == 5)
        events.Midi(random.Between(0, kBlock - 1), 0xE0, random.Between(0, 127),
                    random.Between(0, 127));
    if (b % 16 == 9)
        events.Midi(random.Between(0, kBlock - 1), 0xB0, 1, random.Between(0, 127));
    if (b % 32 == 17)
        events.Midi(0, 0xB0, 64, b % 64 < 32 ? 127 : 0);
    events.Sort();
    // Hosts automate from the audio thread, between blocks.
    if (b % 3 == 0 && plugin.Parameters() > 0)
        plugin.SetParameter(random.Between(0, plugin.Parameters() - 1), random.UnitFloat());
    runner.Render(kBlock, plugin.SessionPrecision(), &events, "real-time");
}

} // namespace

void RunRealtimeGroup(GroupContext& context, GroupReport& report) {
    if (!RealtimeMonitor::Available()) {
        report.NotApplicable(RealtimeMonitor::UnavailableReason());
        return;
    }
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened, kBlock, kUsualRate))
        return;
    auto& plugin = opened.plugin;
    BlockRunner runner(*plugin, kBlock);
    EventList events;
    Random& random = context.random;
    context.stage("warm-up");
    for (int b = 0; b < kWarmUp; ++b)
        Block(*plugin, runner, events, random, b);
    // Half the measured blocks in a single-precision session, half in a double-precision one
    // (where the plug-in has it), each after its own warm-up; switching sessions is not measured.
    RealtimeTally tally;
    for (Precision precision : {Precision::Single, Precision::Double}) {
        if (precision == Precision::Double) {
            context.stage("warm-up, double precision");
            plugin->Suspend();
            plugin->SetPrecision(Precision::Double);
            plugin->Resume();
            for (int b = 0; b < kWarmUp; ++b)
                Block(*plugin, runner, events, random, b);
        }
        context.stage(precision == Precision::Double ? "measured blocks, double precision"
                                                     : "measured blocks");
        RealtimeMonitor::Start();
        for (int b = 0; b < kMeasured / 2; ++b)
            Block(*plugin, runner, events, random, kWarmUp + b);
        const RealtimeTally half = RealtimeMonitor::Stop();
        if (tally.first.empty())
            tally.first = half.first;
        tally.calls += half.calls;
        tally.allocations += half.allocations;
        tally.releases += half.releases;
        tally.ownLocks += half.ownLocks;
        tally.ownRecursive += half.ownRecursive;
        tally.otherLocks += half.otherLocks;
        tally.fileCalls += half.fileCalls;
        tally.systemCalls += half.systemCalls;
        tally.blockingSwitches += half.blockingSwitches;
    }
    plugin->Suspend();
    plugin->Close();

    report.Faults(runner.Faults(), "real-time blocks");
    if (tally.Offences() > 0)
        report.Fail(std::to_string(tally.allocations) + " allocations, " +
                    std::to_string(tally.releases) + " frees, " + std::to_string(tally.otherLocks) +
                    " other locks or waits, " + std::to_string(tally.fileCalls) + " file calls, " +
                    std::to_string(tally.systemCalls) + " system calls, " +
                    std::to_string(tally.blockingSwitches) +
                    " blocking context switches on the audio thread; first: " + tally.first);
    report.Figure(std::to_string(kMeasured) + " blocks after " + std::to_string(kWarmUp) +
                  " of warm-up, " + std::to_string(tally.calls) + " calls");
    report.Figure(std::to_string(tally.allocations + tally.releases) + " heap, " +
                  std::to_string(tally.otherLocks) + " foreign locks, " +
                  std::to_string(tally.fileCalls + tally.systemCalls) + " file or system calls");
    report.Figure("own mutex " + std::to_string(tally.ownLocks) + " locks (" +
                  std::to_string(tally.ownRecursive) + " recursive)");
}

} // namespace vorlunda::validate
