// Group 1, Load: a cold start within 100 ms, 50 open/close cycles, 8 instances alive and
// rendering at once, a host that answers 0 to everything, and the library loaded again.
#include "GroupSupport.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <thread>
#include <vector>

namespace vorlunda::validate {

namespace {

constexpr double kOpenLimit = 100.0; // ms, library load through effOpen
constexpr int kCycles = 50;
constexpr int kInstances = 8;

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// One short life of an instance: opened, one block with a note, closed.
void Cycle(PluginLibrary& library, GroupReport& report, SampleFaults& faults) {
    auto plugin = NewInstance(library, report);
    if (!plugin)
        return;
    plugin->Start(kUsualRate, kUsualBlock);
    BlockRunner runner(*plugin, kUsualBlock);
    EventList events;
    NoteOn(events, 0, 60);
    runner.Render(kUsualBlock, Precision::Single, &events, "open/close cycle");
    plugin->Suspend();
    plugin->Close();
    faults.Merge(runner.Faults());
}

// Instances created and rendering at the same time, each on its own thread as hosts with
// several audio threads do; they are created at once too, through the same entry point.
void ManyInstances(PluginLibrary& library, GroupReport& report, int blocks) {
    std::vector<SampleFaults> faults(kInstances);
    std::vector<std::string> errors(kInstances);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kInstances; ++t) {
        threads.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < kInstances)
                std::this_thread::yield();
            std::string error;
            auto plugin = PluginInstance::Create(library, {}, &error);
            if (!plugin) {
                errors[static_cast<std::size_t>(t)] = error;
                return;
            }
            // Different settings per instance: nothing may be shared that depends on them.
            plugin->SetPrecision(t % 3 == 0 ? Precision::Double : Precision::Single);
            plugin->Start(t % 2 ? 48000.0 : kUsualRate, 256);
            BlockRunner runner(*plugin, 256);
            EventList events;
            for (int b = 0; b < blocks; ++b) {
                events.Clear();
                if (b % 20 == 0)
                    NoteOn(events, b % 256, 48 + t * 3 + b / 20);
                if (b % 20 == 10)
                    NoteOff(events, 0, 48 + t * 3 + b / 20);
                runner.Render(256, t % 3 == 0 ? Precision::Double : Precision::Single, &events,
                              "8 instances");
            }
            plugin->Suspend();
            plugin->Close();
            faults[static_cast<std::size_t>(t)] = runner.Faults();
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    SampleFaults all;
    for (int t = 0; t < kInstances; ++t) {
        all.Merge(faults[static_cast<std::size_t>(t)]);
        if (!errors[static_cast<std::size_t>(t)].empty())
            report.Fail("instance " + std::to_string(t + 1) +
                        " of 8: " + errors[static_cast<std::size_t>(t)]);
    }
    report.Faults(all, "8 instances rendering at once");
    report.Figure(std::to_string(kInstances) + " instances at once, " + std::to_string(blocks) +
                  " blocks each on its own thread");
}

// The most minimal host: the callback answers 0 to every request, including the version
// and the transport. A plug-in may refuse to start for a host of version 0 (frameworks do, as
// is their right): then the host answers the version and nothing else.
void SilentHost(PluginLibrary& library, GroupReport& report) {
    HostBehaviour silent;
    silent.silent = true;
    std::unique_ptr<PluginInstance> plugin = PluginInstance::Create(library, silent);
    std::string figure = "a host answering 0 to everything";
    if (!plugin) {
        silent.answerVersion = true;
        plugin = NewInstance(library, report, silent);
        figure = "a host answering 0 to everything but the version (version 0 refused by "
                 "design)";
    }
    if (!plugin)
        return;
    plugin->Start(kUsualRate, kUsualBlock);
    BlockRunner runner(*plugin, kUsualBlock);
    EventList events;
    for (int b = 0; b < 40; ++b) {
        events.Clear();
        if (b % 10 == 0)
            Chord(events, b, true);
        if (b % 10 == 5)
            Chord(events, 0, false);
        runner.Render(kUsualBlock, Precision::Single, &events, "host answering 0");
    }
    if (plugin->HasChunks()) {
        const auto bank = plugin->GetChunk(true);
        if (!bank.empty())
            plugin->SetChunk(bank.data(), bank.size(), true);
    }
    plugin->Suspend();
    plugin->Close();
    report.Faults(runner.Faults(), "host answering 0 to everything");
    report.Figure(figure);
}

} // namespace

// A cold start in a fresh process: the library loaded, the entry point called and effOpen
// answered, timed as a host's user sees it (wall clock).
void RunLoadTimeHelper(GroupContext& context, GroupReport& report) {
    const auto start = std::chrono::steady_clock::now();
    PluginLibrary library;
    if (!LoadPlugin(context, library, report))
        return;
    const double loaded = MillisecondsSince(start);
    auto plugin = NewInstance(library, report);
    if (!plugin)
        return;
    const double created = MillisecondsSince(start);
    const int parameters = plugin->Parameters();
    const int programs = plugin->Programs();
    plugin->Open();
    const double opened = MillisecondsSince(start);
    // Hosts size their lists from the record the entry point answers.
    if (plugin->Parameters() != parameters || plugin->Programs() != programs)
        report.Fail("effOpen changes the counts: " + std::to_string(parameters) +
                    " parameters and " + std::to_string(programs) + " programs before, " +
                    std::to_string(plugin->Parameters()) + " and " +
                    std::to_string(plugin->Programs()) + " after");
    report.Figure("open " + Fixed(opened, 3));
    report.Figure("library " + Fixed(loaded, 1) + " ms, entry point " + Fixed(created - loaded, 1) +
                  " ms, effOpen " + Fixed(opened - created, 1) + " ms");
    plugin->Close();
}

// Before any group: whether the library holds an instrument at all. A plug-in that is not one
// is refused once, not failed by every group.
void RunProbeHelper(GroupContext& context, GroupReport& report) {
    PluginLibrary library;
    if (!LoadPlugin(context, library, report))
        return;
    std::string error;
    auto plugin = PluginInstance::Create(library, {}, &error);
    if (plugin)
        plugin->Close();
    else if (error.rfind(PluginInstance::kNotInstrument, 0) == 0)
        report.NotApplicable(error);
    else
        report.Fail(error);
}

void RunLoadGroup(GroupContext& context, GroupReport& report) {
    // The fastest of a few cold starts, each in a process of its own: a busy machine can delay
    // one start, but not all of them.
    constexpr int starts = 5;
    double fastest = -1.0;
    std::string parts;
    for (int s = 0; s < starts; ++s) {
        context.stage("cold start " + std::to_string(s + 1));
        const GroupReport helper = context.runChild("LoadTime");
        if (helper.Result() == Verdict::Failed) {
            for (const std::string& f : helper.Failures())
                report.Fail("cold start: " + f);
            return;
        }
        for (const std::string& figure : helper.Figures()) {
            if (figure.rfind("open ", 0) == 0) {
                double ms = 0.0;
                std::from_chars(figure.data() + 5, figure.data() + figure.size(), ms);
                if (fastest < 0.0 || ms < fastest) {
                    fastest = ms;
                    parts = helper.Figures().size() > 1 ? helper.Figures()[1] : "";
                }
            }
        }
    }
    report.Figure("open " + Fixed(fastest, 1) + " ms (limit " + Fixed(kOpenLimit, 0) +
                  ", fastest of " + std::to_string(starts) + " cold starts: " + parts + ")");
    if (fastest > kOpenLimit)
        report.Fail("opening takes " + Fixed(fastest, 1) + " ms, more than " +
                    Fixed(kOpenLimit, 0) + " ms (" + parts + ")");

    PluginLibrary library;
    if (!LoadPlugin(context, library, report))
        return;
    context.stage("open/close cycles");
    SampleFaults faults;
    double longest = 0.0;
    for (int c = 0; c < kCycles; ++c) {
        const auto start = std::chrono::steady_clock::now();
        Cycle(library, report, faults);
        longest = std::max(longest, MillisecondsSince(start));
    }
    report.Faults(faults, "open/close cycles");
    report.Figure(std::to_string(kCycles) + " open/close cycles (longest " + Fixed(longest, 1) +
                  " ms)");

    context.stage("8 instances at once");
    ManyInstances(library, report, context.Count(200, 100));
    context.stage("host answering 0");
    SilentHost(library, report);

    // Hosts unload a library after scanning it and load it again later.
    context.stage("library reloads");
    const int reloads = context.Count(3, 2);
    for (int r = 0; r < reloads; ++r) {
        library.Close();
        if (!LoadPlugin(context, library, report))
            return;
        Cycle(library, report, faults);
    }
    report.Faults(faults, "after reloading the library");
    report.Figure("library reloaded " + std::to_string(reloads) + " times");
}

} // namespace vorlunda::validate
