// Group 12, Determinism: the same seed played twice, each time in a fresh process, must give
// bit-identical output.
#include "GroupSupport.h"

#include <string>

namespace vorlunda::validate {

namespace {

constexpr int kBlock = 256; // samples

std::string HashOf(const GroupReport& run) {
    for (const std::string& figure : run.Figures())
        if (figure.rfind("hash ", 0) == 0)
            return figure.substr(5);
    return {};
}

} // namespace

// One run: a program, random parameters, notes, bends and controllers from the seed, the
// output hashed bit for bit.
void RunDeterminismHelper(GroupContext& context, GroupReport& report) {
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened, kBlock, kUsualRate))
        return;
    auto& plugin = opened.plugin;
    BlockRunner runner(*plugin, kBlock);
    EventList events;
    Random& random = context.random; // the same stream in both runs: same seed, same name
    // A double-precision session where the plug-in has one, announced while suspended.
    plugin->Suspend();
    plugin->SetPrecision(Precision::Double);
    plugin->Resume();
    RandomProgram(*plugin, random);
    const int blocks = context.Count(800, 300);
    for (int b = 0; b < blocks; ++b) {
        if (b % 100 == 0)
            RandomParameters(*plugin, random);
        events.Clear();
        if (b % 6 == 0)
            NoteOn(events, random.Between(0, kBlock - 1), random.Between(30, 100),
                   random.Between(1, 127));
        if (b % 6 == 3)
            NoteOff(events, random.Between(0, kBlock - 1), random.Between(30, 100));
        if (b % 20 == 7)
            events.Midi(random.Between(0, kBlock - 1), 0xE0, 0, random.Between(0, 127));
        events.Sort();
        runner.Render(kBlock, Precision::Double, &events, "determinism");
    }
    plugin->Suspend();
    plugin->Close();
    report.Faults(runner.Faults(), "determinism run");
    report.Figure("hash " + Hex(runner.Hash()));
    report.Figure(std::to_string(blocks) + " blocks");
}

void RunDeterminismGroup(GroupContext& context, GroupReport& report) {
    context.stage("first run");
    const GroupReport first = context.runChild("DeterminismRun");
    context.stage("second run");
    const GroupReport second = context.runChild("DeterminismRun");
    for (const GroupReport* run : {&first, &second})
        for (const std::string& failure : run->Failures())
            report.Fail(failure);
    if (report.FailureCount() > 0)
        return;
    const std::string a = HashOf(first);
    const std::string b = HashOf(second);
    if (a.empty() || a != b)
        report.Fail("two runs with the same seed differ (output hashes " + a + " and " + b + ")");
    report.Figure("2 runs in fresh processes, " +
                  (first.Figures().size() > 1 ? first.Figures()[1] : std::string("?")) +
                  " each: identical (hash " + a + ")");
}

} // namespace vorlunda::validate
