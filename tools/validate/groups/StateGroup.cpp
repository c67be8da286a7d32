// Group 8, State: bank and program chunks carried into a fresh instance (every parameter the
// same, the chunk saved again byte for byte the same); then empty, truncated, random and
// bit-flipped chunks, judged by behaviour: no crash, valid output afterwards, the reference
// bank still loads back to the same state. Null chunks last, in a child of their own.
#include "CanaryText.h"
#include "GroupSupport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace vorlunda::validate {

namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::size_t kRandomChunk = 1024 * 1024; // bytes
// A quick run cuts a chunk to every length up to kEveryLengthUpTo (the headers and the first
// program's fields) and to about kSpreadLengths more, spread over the rest.
constexpr std::size_t kEveryLengthUpTo = 256; // bytes
constexpr std::size_t kSpreadLengths = 256;

// The lengths to cut a chunk of `size` bytes to, each below `size`: all of them in a full run.
// A quick run's stride beyond the start is odd, so the cuts fall at every byte alignment.
std::vector<std::size_t> CutLengths(std::size_t size, bool quick) {
    std::size_t stride = 1;
    if (quick && size > kEveryLengthUpTo)
        stride = ((size - kEveryLengthUpTo) / kSpreadLengths) | 1;
    std::vector<std::size_t> lengths;
    for (std::size_t length = 0; length < size; length += length < kEveryLengthUpTo ? 1 : stride)
        lengths.push_back(length);
    return lengths;
}

// Everything a chunk can change, as the host can see it.
struct Fingerprint {
    Bytes bank;
    Bytes program;
    vst::IntPtr current = 0;
    std::vector<float> parameters;
    bool operator==(const Fingerprint&) const = default;
};

// Where two chunks part: "41973 and 41973 bytes, first difference at byte 1234".
std::string Difference(const Bytes& a, const Bytes& b) {
    const auto end = std::min(a.size(), b.size());
    std::size_t at = 0;
    while (at < end && a[at] == b[at])
        ++at;
    return std::to_string(a.size()) + " and " + std::to_string(b.size()) +
           " bytes, first difference at byte " + std::to_string(at);
}

Fingerprint Take(PluginInstance& plugin) {
    Fingerprint f;
    f.bank = plugin.GetChunk(true);
    f.program = plugin.GetChunk(false);
    f.current = plugin.Dispatch(vst::effGetProgram);
    for (int i = 0; i < plugin.Parameters(); ++i)
        f.parameters.push_back(plugin.GetParameter(i));
    return f;
}

std::string ProgramName(PluginInstance& plugin) {
    CanaryText name;
    plugin.Dispatch(vst::effGetProgramName, 0, 0, name.Data());
    return name.Text();
}

// Damaged chunks, one after another as a host would load them. What a plug-in answers is not
// judged (hosts ignore the answer, and many plug-ins answer 0 to chunks they load): it must
// not crash, its output right after each must be valid, and the reference bank must still load
// back to exactly the state it gave before: checked after every kCheckEvery chunks and at the
// end of each kind (Check), as loading and comparing a large bank costs far more than a trial.
class DamageTrial {
public:
    DamageTrial(PluginInstance& plugin, BlockRunner& runner, const Bytes& bank, GroupReport& report,
                const std::function<void(const std::string&)>& stage)
        : plugin(plugin), runner(runner), bank(bank), report(report), stage(stage) {
        Restore();
        reference = Take(plugin);
    }

    void Try(const void* data, std::size_t size, bool bankForm, const std::string& what) {
        ++tried;
        stage(what); // so that a crash names the chunk
        const auto start = std::chrono::steady_clock::now();
        if (plugin.SetChunk(data, size, bankForm) == 0)
            ++answeredZero;
        loadSeconds += Seconds(start);
        // A note through one short block: a chunk that left nonsense behind shows in it.
        events.Clear();
        NoteOn(events, 0, 60);
        NoteOff(events, kProbeBlock - 1, 60);
        const long before = runner.Faults().Severe();
        runner.Render(kProbeBlock, Precision::Single, &events, "after a damaged chunk");
        if (runner.Faults().Severe() > before && ++badOutput <= 3)
            report.Fail(what + ": broken output right afterwards (" + runner.Faults().first + ")");
        ++loads;
        last = what;
        if (++unchecked >= kCheckEvery)
            Check();
    }

    // The reference bank loaded again must give the state it gave before.
    void Check() {
        if (unchecked == 0)
            return;
        const auto restore = std::chrono::steady_clock::now();
        Restore();
        loadSeconds += Seconds(restore);
        ++loads;
        if (!(Take(plugin) == reference)) {
            report.Fail("after " + last +
                        (unchecked > 1 ? " (and the " + std::to_string(unchecked - 1) +
                                             " damaged chunks before it)"
                                       : std::string()) +
                        ": the reference bank no longer loads back to the state it gave before");
            Restore();
        }
        unchecked = 0;
    }

    long tried = 0;
    long answeredZero = 0;
    long badOutput = 0;
    double loadSeconds = 0.0; // in effSetChunk, the damaged chunks and the reference bank after
    long loads = 0;

private:
    static double Seconds(std::chrono::steady_clock::time_point since) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
    }
    void Restore() {
        plugin.SetChunk(bank.data(), bank.size(), true);
        plugin.Dispatch(vst::effSetProgram, 0, 0);
    }

    static constexpr int kProbeBlock = 64; // samples
    static constexpr int kCheckEvery = 16; // damaged chunks
    int unchecked = 0;
    std::string last;
    PluginInstance& plugin;
    BlockRunner& runner;
    const Bytes& bank;
    GroupReport& report;
    const std::function<void(const std::string&)>& stage;
    EventList events;
    Fingerprint reference;
};

// The order to try the cut lengths in: every length up to kEveryLengthUpTo first (headers and
// the first program's fields), then the rest in bit-reversed order, so that a sweep cut short
// by its time budget has still spread over the whole chunk.
std::vector<std::size_t> SweepOrder(const std::vector<std::size_t>& lengths) {
    std::vector<std::size_t> order;
    std::vector<std::size_t> rest;
    for (std::size_t length : lengths)
        (length <= kEveryLengthUpTo ? order : rest).push_back(length);
    std::size_t bits = 0;
    while ((std::size_t{1} << bits) < rest.size())
        ++bits;
    for (std::size_t k = 0; k < (std::size_t{1} << bits); ++k) {
        std::size_t reversed = 0;
        for (std::size_t b = 0; b < bits; ++b)
            if (k & (std::size_t{1} << b))
                reversed |= std::size_t{1} << (bits - 1 - b);
        if (reversed < rest.size())
            order.push_back(rest[reversed]);
    }
    return order;
}

// Parameters compared after a round trip: a value read back within this passes (a plug-in that
// stores six digits is not wrong).
constexpr float kValueTolerance = 1e-6f;

std::string Value(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

// Compares every program of two instances, parameter by parameter.
void CompareAllPrograms(PluginInstance& a, PluginInstance& b, GroupReport& report,
                        const char* what) {
    const vst::IntPtr current = a.Dispatch(vst::effGetProgram);
    for (int p = 0; p < a.Programs(); ++p) {
        a.Dispatch(vst::effSetProgram, 0, p);
        b.Dispatch(vst::effSetProgram, 0, p);
        if (ProgramName(a) != ProgramName(b))
            report.Fail(std::string(what) + ": program " + std::to_string(p) + " is named \"" +
                        ProgramName(b) + "\", not \"" + ProgramName(a) + "\"");
        for (int i = 0; i < a.Parameters(); ++i) {
            const float expected = a.GetParameter(i);
            const float got = b.GetParameter(i);
            if (!(std::fabs(expected - got) <= kValueTolerance))
                report.Fail(std::string(what) + ": program " + std::to_string(p) + ", parameter " +
                            std::to_string(i) + " is " + Value(got) + " instead of " +
                            Value(expected));
        }
    }
    a.Dispatch(vst::effSetProgram, 0, current);
    b.Dispatch(vst::effSetProgram, 0, current);
}

// numParams and numPrograms are the same as the reference instance's: hosts size their lists
// once and never ask again.
void CheckCounts(PluginInstance& plugin, PluginInstance& reference, GroupReport& report,
                 const char* when) {
    if (plugin.Parameters() != reference.Parameters() || plugin.Programs() != reference.Programs())
        report.Fail(std::string(when) + ": " + std::to_string(plugin.Parameters()) +
                    " parameters and " + std::to_string(plugin.Programs()) +
                    " programs instead of " + std::to_string(reference.Parameters()) + " and " +
                    std::to_string(reference.Programs()));
}

} // namespace

// The null-pointer chunks, in a child of their own after everything else: a plug-in that
// fails them has still had the truncated and bit-flipped chunks tried.
void RunStateNullHelper(GroupContext& context, GroupReport& report) {
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened, kUsualBlock))
        return;
    auto& plugin = opened.plugin;
    BlockRunner runner(*plugin, kUsualBlock);
    const Bytes bank = plugin->GetChunk(true);
    DamageTrial trial(*plugin, runner, bank, report, context.stage);
    for (bool bankForm : {true, false}) {
        context.stage(std::string("a null ") + (bankForm ? "bank" : "program") + " chunk");
        trial.Try(nullptr, 0, bankForm, "a null chunk");
        context.stage(std::string("a null ") + (bankForm ? "bank" : "program") +
                      " chunk of 100 bytes");
        trial.Try(nullptr, 100, bankForm, "a null chunk of 100 bytes");
        trial.Check();
    }
    plugin->Suspend();
    plugin->Close();
    report.Figure("4 null chunks");
}

void RunStateGroup(GroupContext& context, GroupReport& report) {
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened))
        return;
    auto& a = opened.plugin;
    PluginLibrary& library = opened.library;
    if (!a->HasChunks()) {
        report.NotApplicable("the plug-in trades no chunks (no effFlagsProgramChunks)");
        return;
    }
    a->Start(kUsualRate, kUsualBlock);
    Random& random = context.random;

    // Some programs edited and renamed, so the chunks hold more than the factory state.
    context.stage("bank round trip");
    for (int edit = 0; edit < std::min(8, a->Programs()); ++edit) {
        const int p = random.Between(0, a->Programs() - 1);
        a->Dispatch(vst::effSetProgram, 0, p);
        RandomParameters(*a, random);
        std::string name = "Validate " + std::to_string(p);
        a->Dispatch(vst::effSetProgramName, 0, 0, name.data());
    }
    a->Dispatch(vst::effSetProgram, 0, 0);
    const Bytes bank = a->GetChunk(true);
    if (bank.empty()) {
        report.Fail("effGetChunk answers no bank chunk");
        return;
    }
    auto b = NewInstance(library, report);
    if (!b)
        return;
    b->Start(kUsualRate, kUsualBlock);
    // The answer is noted, not judged: the round trip shows whether the chunk was loaded.
    int answeredZero = 0;
    if (b->SetChunk(bank.data(), bank.size(), true) == 0)
        ++answeredZero;
    if (const Bytes again = b->GetChunk(true); again != bank)
        report.Fail("the bank chunk saved again differs from the one loaded (" +
                    Difference(bank, again) + ")");
    CompareAllPrograms(*a, *b, report, "bank round trip");

    context.stage("program round trip");
    a->Dispatch(vst::effSetProgram, 0, random.Between(0, a->Programs() - 1));
    RandomParameters(*a, random);
    const Bytes program = a->GetChunk(false);
    auto c = NewInstance(library, report);
    if (!c)
        return;
    c->Start(kUsualRate, kUsualBlock);
    c->Dispatch(vst::effSetProgram, 0, a->Dispatch(vst::effGetProgram));
    if (program.empty()) {
        report.Fail("effGetChunk answers no program chunk");
    } else {
        if (c->SetChunk(program.data(), program.size(), false) == 0)
            ++answeredZero;
        if (const Bytes again = c->GetChunk(false); again != program)
            report.Fail("the program chunk saved again differs from the one loaded (" +
                        Difference(program, again) + ")");
        for (int i = 0; i < a->Parameters(); ++i)
            if (!(std::fabs(a->GetParameter(i) - c->GetParameter(i)) <= kValueTolerance))
                report.Fail("program round trip: parameter " + std::to_string(i) + " is " +
                            Value(c->GetParameter(i)) + " instead of " + Value(a->GetParameter(i)));
    }
    report.Figure(
        "bank (" + std::to_string(bank.size()) + " bytes) and program (" +
        std::to_string(program.size()) + " bytes) round trips" +
        (answeredZero ? " (effSetChunk answers 0 to its own chunks; hosts ignore it)" : ""));
    CheckCounts(*b, *a, report, "after loading the bank chunk");

    // Damaged chunks, tried on the instance that holds the bank.
    BlockRunner runner(*b, kUsualBlock);
    DamageTrial trial(*b, runner, bank, report, context.stage);
    context.stage("empty chunks");
    const unsigned char nothing = 0;
    for (bool bankForm : {true, false}) {
        trial.Try(&nothing, 0, bankForm, "an empty chunk");
        trial.Check();
    }

    // Every length of both chunks in a full run; in a quick one every length near the start and
    // a bounded number spread through the rest; either way within a time budget, so that a
    // plug-in slow to load is reported as such rather than taken for a hang.
    context.stage("truncated chunks");
    const double budget = context.Count(120, 10); // s
    const auto sweepStart = std::chrono::steady_clock::now();
    auto spent = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - sweepStart).count();
    };
    std::size_t planned = 0;
    std::size_t cut = 0;
    for (bool bankForm : {false, true}) {
        const Bytes& chunk = bankForm ? bank : program;
        const std::vector<std::size_t> order =
            SweepOrder(CutLengths(chunk.size(), context.Quick()));
        planned += order.size();
        for (std::size_t n = 0; n < order.size(); ++n) {
            if (spent() > budget)
                break;
            trial.Try(chunk.data(), order[n], bankForm,
                      std::string(bankForm ? "the bank" : "the program") + " chunk cut to " +
                          std::to_string(order[n]) + " bytes");
            ++cut;
        }
        trial.Check();
    }
    const double perLoad =
        trial.loads ? trial.loadSeconds / static_cast<double>(trial.loads) * 1000.0 : 0.0; // ms
    if (cut < planned)
        report.Warn("too slow (" + Fixed(perLoad, 1) + " ms per load): " + std::to_string(cut) +
                    " of " + std::to_string(planned) + " truncated chunks tried in " +
                    Fixed(budget, 0) + " s");

    context.stage("random chunks");
    Bytes noise(kRandomChunk);
    for (int r = 0; r < 3; ++r) {
        for (unsigned char& byte : noise)
            byte = static_cast<unsigned char>(random.Below(256));
        // The third keeps the real header, so the reading goes past it into random data.
        if (r == 2)
            std::copy_n(bank.begin(), std::min<std::size_t>(16, bank.size()), noise.begin());
        trial.Try(noise.data(), noise.size(), true, "1 MiB of random bytes as a bank");
        trial.Try(noise.data(), noise.size(), false, "1 MiB of random bytes as a program");
        trial.Check();
    }

    context.stage("bit-flipped chunks");
    const int flips = context.Count(1000, 200);
    for (int f = 0; f < flips; ++f) {
        const bool bankForm = f % 2 == 0;
        Bytes damaged = bankForm ? bank : program;
        if (damaged.empty())
            continue;
        const int bits = random.Between(1, 8);
        for (int k = 0; k < bits; ++k) {
            const auto at = random.Below(static_cast<std::uint32_t>(damaged.size() * 8));
            damaged[at / 8] ^= static_cast<unsigned char>(1u << (at % 8));
        }
        trial.Try(damaged.data(), damaged.size(), bankForm,
                  std::string(bankForm ? "bank" : "program") + " chunk with " +
                      std::to_string(bits) + " flipped bits");
    }
    trial.Check();
    CheckCounts(*b, *a, report, "after the damaged chunks");
    report.Faults(runner.Faults(), "output after damaged chunks");
    report.Figure(std::to_string(cut) + " truncated (" + Fixed(perLoad, 2) +
                  " ms per load), 6 random and " + std::to_string(flips) +
                  " bit-flipped chunks, each followed by a note: the reference bank loads back "
                  "after them (" +
                  std::to_string(trial.answeredZero) + " answered 0, not judged)");
    a->Close();
    b->Close();
    c->Close();

    // Last, in a child of their own: chunks behind a null pointer.
    context.stage("null chunks");
    const GroupReport nulls = context.runChild("StateNull");
    TakeChild(nulls, report, "null chunk: ", false);
    if (nulls.Result() == Verdict::Passed)
        report.Figure("4 null chunks (own process)");
}

} // namespace vorlunda::validate
