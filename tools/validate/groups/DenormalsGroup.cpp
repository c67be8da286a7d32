// Group 9, Denormals and CPU state: subnormal input and long release tails may cost at most
// 1.2 times the same work without subnormals; tails end in exact zero or stay below -300 dBFS
// and never output a subnormal; the floating-point mode (MXCSR) is the same after every call as
// before.
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
constexpr double kLoudChord = 1e-3;  // -60 dBFS: a chord below it cannot show a tail's cost
constexpr int kBlock = 256;          // samples
constexpr int kChunkBlocks = 2;      // 512 samples per timed chunk: short releases give several
constexpr int kLeastTimed = 3;       // chunks a kind of tail needs before its cost is judged
constexpr float kSubnormalFloat = 1e-40f;
constexpr double kSubnormalDouble = 1e-310;
constexpr float kSmallestNormalFloat = std::numeric_limits<float>::min();
constexpr double kSmallestNormalDouble = std::numeric_limits<double>::min();

// Renders one timed chunk; answers its time, and its peak through `peak`.
double TimeChunk(BlockRunner& runner, const char* context, double& peak) {
    peak = 0.0;
    const double start = ThreadSeconds();
    for (int b = 0; b < kChunkBlocks; ++b) {
        runner.Render(kBlock, Precision::Single, nullptr, context);
        peak = std::max(peak, runner.BlockPeak());
    }
    return ThreadSeconds() - start;
}

// One chunk of each instance, timed in turn so that both see the same machine.
struct Turn {
    double normal;   // s
    double test;     // s
    double testPeak; // of the test instance's chunk
};

// `flushNormal` renders the normal instance's chunk with flush-to-zero and denormals-are-zero
// set, so that it does exactly the test instance's work except that no subnormal costs anything.
Turn TimeInTurn(BlockRunner& normal, BlockRunner& test, const char* context,
                bool flushNormal = false) {
    Turn turn{};
    double ignored = 0.0;
    const std::uint32_t mode = FloatControl::Read();
    if (flushNormal)
        FloatControl::Write(mode | FloatControl::kFlushToZero | FloatControl::kDenormalsAreZero);
    turn.normal = TimeChunk(normal, flushNormal ? "flushed release" : "held chord", ignored);
    if (flushNormal)
        FloatControl::Write(mode);
    turn.test = TimeChunk(test, context, turn.testPeak);
    return turn;
}

// The median over the turns that `pick` keeps of the test chunk's time over the normal
// chunk's of the same turn: both saw the same machine, and a chunk delayed by it decides
// nothing.
template <typename Pick>
double CostRatio(const std::vector<Turn>& turns, Pick pick, int& counted) {
    std::vector<double> ratios;
    for (const Turn& turn : turns)
        if (pick(turn) && turn.normal > 0.0)
            ratios.push_back(turn.test / turn.normal);
    counted = static_cast<int>(ratios.size());
    return Median(ratios);
}

struct Pair {
    std::unique_ptr<PluginInstance> normal;
    std::unique_ptr<PluginInstance> test;
};

// Two instances on the same program, both playing the same chord for half a second; `peak` is
// the loudest sample of the chord.
bool StartPair(PluginLibrary& library, GroupReport& report, int program, Pair& pair,
               BlockRunner*& normalRunner, BlockRunner*& testRunner,
               std::vector<std::unique_ptr<BlockRunner>>& runners, double& peak) {
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
    peak = normalRunner->BlockPeak();
    for (int b = 0; b < 86; ++b) {
        normalRunner->Render(kBlock, Precision::Single, nullptr, "chord");
        testRunner->Render(kBlock, Precision::Single, nullptr, "chord");
        peak = std::max(peak, normalRunner->BlockPeak());
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
                runner.Render(kBlock, Precision::Single, nullptr, "flushing host");
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
    const int inputTurns = context.Count(400, 150);
    const double quiet = 1.0;                  // s of tail timed after it fell below the floor
    const int episodes = context.Count(5, 3);  // releases timed per program
    const double cap = context.Count(120, 30); // s, longest wait for a tail to end
    double inputRatio = 0.0;
    double releaseRatio = 0.0;
    double afterRatio = 0.0;
    double longestTail = 0.0;
    double quietestChord = 0.0; // the softest program's chord peak
    int judged = 0;             // programs whose chord was loud enough to judge tails by
    long subnormals = 0;
    long calls = 0;
    long changes = 0;
    std::string firstChange;
    std::vector<std::unique_ptr<BlockRunner>> runners;

    for (int t = 0; t < tried; ++t) {
        const int program = t * programCount / tried;
        const std::string where = "program " + std::to_string(program);

        // Subnormal input (where the plug-in has inputs) and parameters at 0 moved a subnormal
        // step above it, against the smallest normal values in the same places: both
        // instances switch on whatever a value above 0 switches on, and differ only in the
        // kind of number.
        context.stage(where + ": subnormal input");
        Pair pair;
        BlockRunner* normal = nullptr;
        BlockRunner* test = nullptr;
        double chordPeak = 0.0;
        if (!StartPair(library, report, program, pair, normal, test, runners, chordPeak))
            return;
        quietestChord = t == 0 ? chordPeak : std::min(quietestChord, chordPeak);
        normal->SetInputValue(kSmallestNormalFloat, kSmallestNormalDouble);
        test->SetInputValue(kSubnormalFloat, kSubnormalDouble);
        std::vector<int> atZero;
        for (int i = 0; i < pair.test->Parameters(); ++i)
            if (pair.test->GetParameter(i) == 0.0f)
                atZero.push_back(i);
        for (int i : atZero) {
            pair.normal->SetParameter(i, kSmallestNormalFloat);
            pair.test->SetParameter(i, kSubnormalFloat);
        }
        std::vector<Turn> turns;
        for (int n = 0; n < inputTurns; ++n)
            turns.push_back(TimeInTurn(*normal, *test, "subnormal input"));
        int counted = 0;
        inputRatio = std::max(inputRatio, CostRatio(
                                              turns, [](const Turn&) { return true; }, counted));
        for (BlockRunner* runner : {normal, test})
            runner->SetInputValue(0.0f, 0.0);
        for (int i : atZero) {
            pair.normal->SetParameter(i, 0.0f);
            pair.test->SetParameter(i, 0.0f);
        }

        // The tail: both instances release the chord, the normal one with flush-to-zero and
        // denormals-are-zero set for its chunks, timed in turn until the tail has stayed below
        // the floor for a while. Both do the same work, so what a tail costs beyond the flushed
        // one is what its subnormals cost; a release that is merely dearer than a held note
        // (another envelope stage) is not judged. The chunks above the floor (the release) and
        // below it (what follows) are judged apart.
        context.stage(where + ": release tail");
        // Several releases of the chord: one release is only a few chunks long, too few to
        // judge on a busy machine. The first is followed for `quiet` seconds below the floor,
        // which also times the silence after a tail.
        EventList events;
        turns.clear();
        const double chunkSeconds = kChunkBlocks * kBlock / kUsualRate;
        for (int episode = 0; episode < episodes; ++episode) {
            if (episode > 0) {
                events.Clear();
                Chord(events, 0, true);
                normal->Render(kBlock, Precision::Single, &events, "chord");
                test->Render(kBlock, Precision::Single, &events, "chord");
                for (int b = 0; b < 43; ++b) { // a quarter of a second of the chord
                    normal->Render(kBlock, Precision::Single, nullptr, "chord");
                    test->Render(kBlock, Precision::Single, nullptr, "chord");
                }
            }
            events.Clear();
            Chord(events, 0, false);
            pair.normal->Deliver(events);
            pair.test->Deliver(events);
            const double wait = episode == 0 ? quiet : kChunkBlocks * kBlock / kUsualRate;
            int chunks = 0;
            int lastLoud = -1;
            while (chunks * chunkSeconds < cap && (chunks - lastLoud - 1) * chunkSeconds < wait) {
                turns.push_back(TimeInTurn(*normal, *test, "release tail", true));
                if (turns.back().testPeak >= kTailFloor)
                    lastLoud = chunks;
                ++chunks;
            }
            if ((chunks - lastLoud - 1) * chunkSeconds < wait) {
                report.Fail(where + ": the release tail is still above -300 dBFS after " +
                            Fixed(cap, 0) + " s (last peak " +
                            Fixed(turns.back().testPeak * 1e15, 3) + "e-15)");
                break;
            }
            longestTail = std::max(longestTail, (lastLoud + 1) * chunkSeconds);
        }
        if (chordPeak >= kLoudChord) {
            ++judged;
            const double release = CostRatio(
                turns, [](const Turn& turn) { return turn.testPeak >= kTailFloor; }, counted);
            if (counted >= kLeastTimed)
                releaseRatio = std::max(releaseRatio, release);
            const double after = CostRatio(
                turns, [](const Turn& turn) { return turn.testPeak < kTailFloor; }, counted);
            if (counted >= kLeastTimed)
                afterRatio = std::max(afterRatio, after);
        }

        subnormals += normal->Faults().subnormal + test->Faults().subnormal;
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

    if (inputRatio > kCostLimit)
        report.Fail("subnormal input costs " + Fixed(inputRatio, 2) + "x the normal render");
    if (releaseRatio > kCostLimit)
        report.Fail("a release tail costs " + Fixed(releaseRatio, 2) + "x the normal render");
    if (afterRatio > kCostLimit)
        report.Fail("the silence after a tail costs " + Fixed(afterRatio, 2) +
                    "x the normal render");
    if (changes > 0)
        report.Fail(std::to_string(changes) +
                    " calls changed the floating-point mode; first: " + firstChange);
    if (!FloatControl::Available())
        report.Figure("MXCSR not readable on this processor");
    if (judged == 0)
        report.Fail("no program's chord reached -60 dBFS (loudest of the softest: " +
                    Fixed(quietestChord, 6) + "): tails cannot be judged");
    report.Figure("cost of subnormal input " + Fixed(inputRatio, 2) +
                  "x the smallest normal input; of release tails " + Fixed(releaseRatio, 2) +
                  "x, after them " + Fixed(afterRatio, 2) +
                  "x the same release with flush-to-zero (limit " + Fixed(kCostLimit, 1) + "; " +
                  std::to_string(tried) + (tried == 1 ? " program" : " programs") + ", " +
                  std::to_string(judged) + " with a chord above -60 dBFS)");
    report.Figure("tails below -300 dBFS after " + Fixed(longestTail, 2) + " s at most, " +
                  (subnormals == 0 ? std::string("no subnormal output")
                                   : std::to_string(subnormals) + " subnormal samples"));
    if (subnormals > 0)
        report.Warn(std::to_string(subnormals) +
                    " subnormal output samples (judged by what they cost, as above)");
    report.Figure("MXCSR unchanged over " + std::to_string(calls) +
                  " calls (host mode plain and flush-to-zero)");
}

} // namespace vorlunda::validate
