// Group 11, Offline and odd hosts: the offline process level with 8192-sample blocks, a host
// without a transport (audioMasterGetTime answers null), a transport whose every valid flag is
// clear, and one at tempo 0 with negative positions. Each plays notes over random parameter
// sets, so that tempo-synced features meet the odd transport.
#include "GroupSupport.h"

namespace vorlunda::validate {

namespace {

struct OddHost {
    const char* name;
    HostBehaviour behaviour;
    int block;
};

void Play(PluginLibrary& library, GroupReport& report, GroupContext& context, const OddHost& host,
          long& blocks) {
    context.stage(host.name);
    auto plugin = NewInstance(library, report, host.behaviour);
    if (!plugin)
        return;
    // One precision per host session, the hosts taking turns.
    plugin->SetPrecision(blocks % 2 ? Precision::Double : Precision::Single);
    plugin->Start(kUsualRate, host.block);
    BlockRunner runner(*plugin, host.block);
    EventList events;
    Random random = context.random.Derive(host.name);
    const int sets = context.Count(8, 3);
    for (int s = 0; s < sets; ++s) {
        RandomParameters(*plugin, random);
        for (int b = 0; b < 8; ++b) {
            events.Clear();
            if (b % 4 == 0)
                Chord(events, random.Between(0, host.block - 1), true);
            if (b % 4 == 3)
                Chord(events, random.Between(0, host.block - 1), false);
            events.Sort();
            runner.Render(host.block, plugin->SessionPrecision(), &events, host.name);
            ++blocks;
        }
    }
    // The accumulating call too, which old hosts still make.
    if (plugin->Effect()->process) {
        events.Clear();
        Chord(events, 0, true);
        runner.RenderAccumulating(host.block, 0.25f, &events, host.name);
        ++blocks;
    }
    plugin->Suspend();
    plugin->Close();
    report.Faults(runner.Faults(), host.name);
}

} // namespace

void RunOddHostsGroup(GroupContext& context, GroupReport& report) {
    PluginLibrary library;
    if (!LoadPlugin(context, library, report))
        return;
    HostBehaviour offline;
    offline.offline = true;
    HostBehaviour noTime;
    noTime.time = TimeReport::None;
    HostBehaviour noFlags;
    noFlags.time = TimeReport::NoFlags;
    HostBehaviour odd;
    odd.time = TimeReport::Odd;
    const OddHost hosts[] = {
        {"offline, 8192-sample blocks", offline, 8192},
        {"no time info", noTime, kUsualBlock},
        {"time info with every flag clear", noFlags, kUsualBlock},
        {"tempo 0 and negative positions", odd, kUsualBlock},
    };
    long blocks = 0;
    for (const OddHost& host : hosts)
        Play(library, report, context, host, blocks);
    report.Figure("offline with 8192-sample blocks, no time info, time info without flags, "
                  "tempo 0 at negative positions: " +
                  std::to_string(blocks) + " blocks");
}

} // namespace vorlunda::validate
