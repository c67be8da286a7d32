// Group 7, Threads: one thread renders blocks of 32 samples while two threads automate
// parameters and one saves and loads bank and program chunks and switches programs. Run under
// ThreadSanitizer by the test command; here it must finish without a crash, a deadlock (the
// group's time limit) or a broken output.
#include "GroupSupport.h"

#include <atomic>
#include <thread>
#include <vector>

namespace vorlunda::validate {

namespace {

constexpr int kBlock = 32; // samples

} // namespace

void RunThreadsGroup(GroupContext& context, GroupReport& report) {
    PluginLibrary library;
    if (!LoadPlugin(context, library, report))
        return;
    // The transport stays put: its record is read by the plug-in from whatever thread asks.
    HostBehaviour behaviour;
    behaviour.advanceTime = false;
    auto plugin = NewInstance(library, report, behaviour);
    if (!plugin)
        return;
    plugin->Start(kUsualRate, kBlock);
    const int blocks = 5000;
    const int parameters = plugin->Parameters();
    const int programs = plugin->Programs();
    const bool chunks = plugin->HasChunks();
    std::atomic<bool> done{false};
    std::atomic<long> automation{0};
    std::atomic<long> chunkTrips{0};
    std::atomic<long> programSwitches{0};
    std::atomic<long> refusedChunks{0};

    context.stage("rendering against three other threads");
    // Each thread draws from its own generator: a Random is not shared between threads.
    std::vector<std::thread> helpers;
    for (int t = 0; t < 2; ++t) {
        helpers.emplace_back(
            [&, t, random = context.random.Derive("automation" + std::to_string(t))]() mutable {
                while (!done.load(std::memory_order_relaxed)) {
                    if (parameters > 0)
                        plugin->SetParameter(random.Between(0, parameters - 1), random.UnitFloat());
                    if (random.Chance(0.1) && parameters > 0)
                        plugin->GetParameter(random.Between(0, parameters - 1));
                    automation.fetch_add(1, std::memory_order_relaxed);
                    std::this_thread::yield();
                }
            });
    }
    helpers.emplace_back([&, random = context.random.Derive("state")]() mutable {
        while (!done.load(std::memory_order_relaxed)) {
            if (chunks) {
                const bool bank = random.Chance(0.5);
                const auto data = plugin->GetChunk(bank);
                if (!data.empty() && plugin->SetChunk(data.data(), data.size(), bank) == 0)
                    refusedChunks.fetch_add(1, std::memory_order_relaxed);
                chunkTrips.fetch_add(1, std::memory_order_relaxed);
            }
            if (programs > 0) {
                plugin->Dispatch(vst::effSetProgram, 0, random.Between(0, programs - 1));
                programSwitches.fetch_add(1, std::memory_order_relaxed);
            }
            std::this_thread::yield();
        }
    });

    BlockRunner runner(*plugin, kBlock);
    EventList events;
    Random random = context.random.Derive("audio");
    for (int b = 0; b < blocks; ++b) {
        events.Clear();
        if (b % 8 == 0)
            NoteOn(events, random.Between(0, kBlock - 1), random.Between(36, 96));
        if (b % 8 == 4)
            events.Midi(0, 0xB0, 123, 0);
        runner.Render(kBlock, b % 2 ? Precision::Double : Precision::Single, &events, "threads");
    }
    done.store(true);
    for (std::thread& helper : helpers)
        helper.join();
    plugin->Suspend();
    plugin->Close();

    report.Faults(runner.Faults(), "threads");
    if (refusedChunks.load() > 0)
        report.Fail(std::to_string(refusedChunks.load()) +
                    " of its own chunks refused by the plug-in");
    report.Figure(std::to_string(blocks) + " blocks of " + std::to_string(kBlock) +
                  " samples against " + std::to_string(automation.load()) +
                  " automation calls on 2 threads, " + std::to_string(chunkTrips.load()) +
                  " chunk saves and loads and " + std::to_string(programSwitches.load()) +
                  " program switches");
#if defined(__SANITIZE_THREAD__)
    report.Figure("under ThreadSanitizer");
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
    report.Figure("under ThreadSanitizer");
#endif
#endif
}

} // namespace vorlunda::validate
