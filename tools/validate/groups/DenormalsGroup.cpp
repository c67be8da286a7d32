// Group 9, Denormals and CPU state: subnormal input and long release tails may cost at most
// 1.2 times the normal render; tails end in exact zero or stay below -300 dBFS and never
// output a subnormal; the floating-point mode (MXCSR) is the same after every call as before.
#include "FloatControl.h"
#include "GroupSupport.h"
#include "ThreadClock.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace vorlunda::validate {

namespace {

constexpr double kCostLimit = 1.2;
constexpr double kTailFloor = 1e-15; // -300 dBFS
constexpr int kBlock = 256;          // samples
constexpr int kChunkBlocks = 43;     // about 0.25 s at 44.1 kHz per timed chunk
constexpr float kSubnormalFloat = 1e-40f;
constexpr double kSubnormalDouble = 1e-310;

double Median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeChunk(BlockRunner& runner, const char* context) {
    const double start = ThreadSeconds();
    for (int b = 0; b < kChunkBlocks; ++b)
        runner.Render(kBlock, Precision::Single, nullptr, context);
    return ThreadSeconds() - start;
}

// The cost of `test` against `normal`, chunk by chunk in turn so that both see the same
// machine: the median of the per-chunk ratios.
double CostRatio(BlockRunner& normal, BlockRunner& test, int rounds, const char* context) {
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        const double a = TimeChunk(normal, context);
        const double b = TimeChunk(test, context);
        if (a > 0.0)
            ratios.push_back(b / a);
    }
    return Median(ratios);
}

struct Pair {
    std::unique_ptr<PluginInstance> normal;
    std::unique_ptr<PluginInstance> test;
};

// Two instances on the same program, both playing the same chord for half a second.
bool StartPair(PluginLibrary& library, GroupReport& report, int program, Pair& pair,
               BlockRunner*& normalRunner, BlockRunner*& testRunner,
               std::vector<std::unique_ptr<BlockRunner>>& runners) {
    pair.normal = NewInstance(library, report);
    pair.test = NewInstance(library, report);
    if (!pair.normal || !pair.test)
        return false;
    for (PluginInstance* plugin : {pair.normal.get(), pair.test.get()}) {
        plugin->Start(kUsualRate, kBlock);
        plugin->Dispatch(vst::effSetProgram, 0, program);
    }
    runners.push_back(std::make_unique<BlockRunner>(*pair.normal, kBlock));
    normalRunner = runners.back().get();
    runners.push_back(std::make_unique<BlockRunner>(*pair.test, kBlock));
    testRunner = runners.back().get();
    EventList events;
    Chord(events, 0, true);
    normalRunner->Render(kBlock, Precision::Single, &events, "chord");
    testRunner->Render(kBlock, Precision::Single, &events, "chord");
    for (int b = 0; b < 86; ++b) {
        normalRunner->Render(kBlock, Precision::Single, nullptr, "chord");
        testRunner->Render(kBlock, Precision::Single, nullptr, "chord");
    }
    return true;
}

// A session with the host's floating-point mode set to flush-to-zero and denormals-are-zero,
// as many hosts run their audio threads: the plug-in must leave that mode alone too.
long FlushingHostSession(PluginLibrary& library, GroupReport& report, long& calls,
                         std::string& first) {
    const std::uint32_t saved = FloatControl::Read();
    FloatControl::Write(saved | FloatControl::kFlushToZero | FloatControl::kDenormalsAreZero);
    long changes = 0;
    {
        auto plugin = NewInstance(library, report);
        if (plugin) {
            plugin->Start(kUsualRate, kBlock);
            BlockRunner runner(*plugin, kBlock);
            EventList events;
            Chord(events, 0, true);
            runner.Render(kBlock, Precision::Single, &events, "flushing host");
            for (int b = 0; b < 100; ++b)
                runner.Render(kBlock, b % 2 ? Precision::Double : Precision::Single, nullptr,
                              "flushing host");
            for (int i = 0; i < plugin->Parameters(); ++i)
                plugin->SetParameter(i, plugin->GetParameter(i));
            if (plugin->HasChunks()) {
                const auto bank = plugin->GetChunk(true);
                plugin->SetChunk(bank.data(), bank.size(), true);
            }
            plugin->Suspend();
            plugin->Close();
            changes = plugin->ControlChanges();
            calls += plugin->CallsWatched();
            if (changes > 0)
                first = plugin->FirstControlChange();
        }
    }
    FloatControl::Write(saved);
    return changes;
}

} // namespace

void RunDenormalsGroup(GroupContext& context, GroupReport& report) {
    PluginLibrary library;
    if (!LoadPlugin(context, library, report))
        return;
    // The host's own mode: the default (no flushing), so that subnormals would show.
    const std::uint32_t hostMode = FloatControl::Read();
    FloatControl::Write(hostMode & ~(FloatControl::kFlushToZero | FloatControl::kDenormalsAreZero));

    auto probe = NewInstance(library, report);
    if (!probe)
        return;
    const int programCount = std::max(probe->Programs(), 1);
    probe->Close();
    probe.reset();

    // Programs spread over the bank: the first, then evenly apart.
    const int tried = std::min(programCount, context.Count(8, 2));
    const int rounds = context.Count(21, 11);
    std::vector<double> inputRatios;
    std::vector<double> tailRatios;
    double longestTail = 0.0;
    long calls = 0;
    long changes = 0;
    std::string firstChange;
    std::vector<std::unique_ptr<BlockRunner>> runners;
    const double cap = context.Count(120, 30); // s, longest wait for a tail to end

    for (int t = 0; t < tried; ++t) {
        const int program = t * programCount / tried;
        const std::string where = "program " + std::to_string(program);

        // Subnormal input (where the plug-in has inputs) and parameters at 0 moved to the
        // smallest subnormal steps above it.
        context.stage(where + ": subnormal input");
        Pair pair;
        BlockRunner* normal = nullptr;
        BlockRunner* test = nullptr;
        if (!StartPair(library, report, program, pair, normal, test, runners))
            return;
        test->SetInputValue(kSubnormalFloat, kSubnormalDouble);
        for (int i = 0; i < pair.test->Parameters(); ++i)
            if (pair.test->GetParameter(i) == 0.0f)
                pair.test->SetParameter(i, kSubnormalFloat);
        inputRatios.push_back(CostRatio(*normal, *test, rounds, "subnormal input"));
        test->SetInputValue(0.0f, 0.0);

        // The tail: the test instance releases its chord, the normal one keeps playing.
        context.stage(where + ": release tail");
        EventList events;
        Chord(events, 0, false);
        pair.test->Deliver(events);
        tailRatios.push_back(CostRatio(*normal, *test, rounds, "release tail"));
        const double tail =
            TimeToSilence(*test, *pair.test, kBlock, kTailFloor, 1.0, cap, "release tail");
        if (tail < 0.0)
            report.Fail(where + ": the release tail is still above -300 dBFS after " +
                        Fixed(cap, 0) + " s (last block peak " +
                        Fixed(test->BlockPeak() * 1e15, 3) + "e-15)");
        longestTail = std::max(longestTail, tail);
        report.Faults(normal->Faults(), where + ", held chord");
        report.Faults(test->Faults(), where + ", subnormal input and tail");
        for (PluginInstance* plugin : {pair.normal.get(), pair.test.get()}) {
            plugin->Suspend();
            plugin->Close();
            calls += plugin->CallsWatched();
            if (plugin->ControlChanges() > 0 && firstChange.empty())
                firstChange = plugin->FirstControlChange();
            changes += plugin->ControlChanges();
        }
        runners.clear();
    }

    context.stage("host with flush-to-zero");
    std::string flushFirst;
    const long flushChanges = FlushingHostSession(library, report, calls, flushFirst);
    if (firstChange.empty())
        firstChange = flushFirst;
    changes += flushChanges;
    FloatControl::Write(hostMode);

    const double inputRatio = *std::max_element(inputRatios.begin(), inputRatios.end());
    const double tailRatio = *std::max_element(tailRatios.begin(), tailRatios.end());
    if (inputRatio > kCostLimit)
        report.Fail("subnormal input costs " + Fixed(inputRatio, 2) + "x the normal render");
    if (tailRatio > kCostLimit)
        report.Fail("a release tail costs " + Fixed(tailRatio, 2) + "x the normal render");
    if (changes > 0)
        report.Fail(std::to_string(changes) +
                    " calls changed the floating-point mode; first: " + firstChange);
    if (!FloatControl::Available())
        report.Figure("MXCSR not readable on this processor");
    report.Figure("subnormal input " + Fixed(inputRatio, 2) + "x, tails " + Fixed(tailRatio, 2) +
                  "x the normal cost (limit " + Fixed(kCostLimit, 1) + "; " +
                  std::to_string(tried) + " programs)");
    report.Figure("tails below -300 dBFS after " + Fixed(longestTail, 2) +
                  " s at most, no subnormal output");
    report.Figure("MXCSR unchanged over " + std::to_string(calls) +
                  " calls (host mode plain and flush-to-zero)");
}

} // namespace vorlunda::validate
