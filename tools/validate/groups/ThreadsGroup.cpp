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
constexpr int kBlocks = 5000;
// The other threads keep pace with the audio thread, as a host's do with its blocks: each
// automation thread makes kAutomationPerBlock calls per block, the state thread one round of
// chunks and a program switch every kBlocksPerStateRound blocks. Left to themselves, either
// side starves the other at the plug-in's mutex on a machine with few cores.
constexpr int kAutomationPerBlock = 2;
constexpr int kBlocksPerStateRound = 10;

// Waits (yielding) until the audio thread has rendered past `block` or has finished.
bool AwaitBlock(const std::atomic<int>& rendered, const std::atomic<bool>& done, int block) {
    while (rendered.load() <= block) {
        if (done.load())
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace

void RunThreadsGroup(GroupContext& context, GroupReport& report) {
    // The transport stays put: its record is read by the plug-in from whatever thread asks.
    HostBehaviour behaviour;
    behaviour.advanceTime = false;
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened, kBlock, kUsualRate, behaviour))
        return;
    auto& plugin = opened.plugin;
    const int parameters = plugin->Parameters();
    const int programs = plugin->Programs();
    const bool chunks = plugin->HasChunks();
    std::atomic<bool> done{false};
    std::atomic<int> rendered{0};
    std::atomic<long> automation{0};
    std::atomic<long> chunkTrips{0};
    std::atomic<long> programSwitches{0};
    std::atomic<long> refusedChunks{0};

    context.stage("rendering against three other threads");
    // Each thread draws from its own generator: a Random is not shared between threads.
    std::vector<std::thread> helpers;
    for (int t = 0; t < 2; ++t) {
        helpers.emplace_back(
            [&, random = context.random.Derive("automation" + std::to_string(t))]() mutable {
                for (int block = 0; AwaitBlock(rendered, done, block); ++block) {
                    for (int k = 0; k < kAutomationPerBlock && parameters > 0; ++k) {
                        plugin->SetParameter(random.Between(0, parameters - 1), random.UnitFloat());
                        if (random.Chance(0.1))
                            plugin->GetParameter(random.Between(0, parameters - 1));
                        automation.fetch_add(1);
                    }
                }
            });
    }
    helpers.emplace_back([&, random = context.random.Derive("state")]() mutable {
        for (int block = 0; AwaitBlock(rendered, done, block); block += kBlocksPerStateRound) {
            if (chunks) {
                const bool bank = random.Chance(0.5);
                const auto data = plugin->GetChunk(bank);
                if (!data.empty() && plugin->SetChunk(data.data(), data.size(), bank) == 0)
                    refusedChunks.fetch_add(1);
                chunkTrips.fetch_add(1);
            }
            if (programs > 0) {
                plugin->Dispatch(vst::effSetProgram, 0, random.Between(0, programs - 1));
                programSwitches.fetch_add(1);
            }
        }
    });

    BlockRunner runner(*plugin, kBlock);
    EventList events;
    Random random = context.random.Derive("audio");
    const int blocks = kBlocks;
    for (int b = 0; b < blocks; ++b) {
        if (b == blocks / 2) {
            // The second half in a double-precision session: the host suspends, announces
            // the precision and resumes on its audio thread while the others carry on.
            plugin->Suspend();
            plugin->SetPrecision(Precision::Double);
            plugin->Resume();
        }
        events.Clear();
        if (b % 8 == 0)
            NoteOn(events, random.Between(0, kBlock - 1), random.Between(36, 96));
        if (b % 8 == 4)
            events.Midi(0, 0xB0, 123, 0);
        runner.Render(kBlock, plugin->SessionPrecision(), &events, "threads");
        rendered.store(b + 1);
        // A host's audio thread waits for the device between blocks; this gives the other
        // threads their turns.
        std::this_thread::yield();
    }
    done.store(true);
    for (std::thread& helper : helpers)
        helper.join();
    plugin->Suspend();
    plugin->Close();

    report.Faults(runner.Faults(), "threads");
    report.Figure(std::to_string(blocks) + " blocks of " + std::to_string(kBlock) +
                  " samples against " + std::to_string(automation.load()) +
                  " automation calls on 2 threads, " + std::to_string(chunkTrips.load()) +
                  " chunk saves and loads and " + std::to_string(programSwitches.load()) +
                  " program switches" +
                  (refusedChunks.load() > 0
                       ? " (effSetChunk answered 0 " + std::to_string(refusedChunks.load()) +
                             " times; hosts ignore the answer)"
                       : ""));
#if defined(__SANITIZE_THREAD__)
    report.Figure("under ThreadSanitizer");
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
    report.Figure("under ThreadSanitizer");
#endif
#endif
}

} // namespace vorlunda::validate
