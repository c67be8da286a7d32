// Group 8, State: bank and program chunks carried into a fresh instance (every parameter the
// same, the chunk saved again byte for byte the same); then empty, truncated, random and
// bit-flipped chunks, each answered 0 or 1, and a refused one must change nothing.
#include "CanaryText.h"
#include "GroupSupport.h"

#include <algorithm>
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
            if (expected != got)
                report.Fail(std::string(what) + ": program " + std::to_string(p) + ", parameter " +
                            std::to_string(i) + " is " + Fixed(got, 6) + " instead of " +
                            Fixed(expected, 6));
        }
    }
    a.Dispatch(vst::effSetProgram, 0, current);
    b.Dispatch(vst::effSetProgram, 0, current);
}

// One damaged chunk: the answer must be 0 or 1, and a refusal must leave everything as it
// was. An accepted chunk is undone by loading the reference bank again.
class DamageTrial {
public:
    DamageTrial(PluginInstance& plugin, const Bytes& bank, GroupReport& report)
        : plugin(plugin), bank(bank), report(report) {
        Restore();
        reference = Take(plugin);
    }

    void Try(const void* data, std::size_t size, bool bankForm, const std::string& what) {
        ++tried;
        const vst::IntPtr answer = plugin.SetChunk(data, size, bankForm);
        if (answer != 0 && answer != 1) {
            report.Fail(what + ": effSetChunk answers " + std::to_string(answer));
            return;
        }
        if (answer == 1) {
            ++accepted;
            Restore();
            return;
        }
        ++refused;
        if (!(Take(plugin) == reference)) {
            report.Fail(what + ": refused, but the plug-in's state changed");
            Restore();
        }
    }

    long tried = 0;
    long accepted = 0;
    long refused = 0;

private:
    void Restore() {
        plugin.SetChunk(bank.data(), bank.size(), true);
        plugin.Dispatch(vst::effSetProgram, 0, 0);
    }

    PluginInstance& plugin;
    const Bytes& bank;
    GroupReport& report;
    Fingerprint reference;
};

} // namespace

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
    if (b->SetChunk(bank.data(), bank.size(), true) != 1)
        report.Fail("a fresh instance refuses the bank chunk of another");
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
        if (c->SetChunk(program.data(), program.size(), false) != 1)
            report.Fail("a fresh instance refuses the program chunk of another");
        if (const Bytes again = c->GetChunk(false); again != program)
            report.Fail("the program chunk saved again differs from the one loaded (" +
                        Difference(program, again) + ")");
        for (int i = 0; i < a->Parameters(); ++i)
            if (a->GetParameter(i) != c->GetParameter(i))
                report.Fail("program round trip: parameter " + std::to_string(i) + " is " +
                            Fixed(c->GetParameter(i), 6) + " instead of " +
                            Fixed(a->GetParameter(i), 6));
    }
    report.Figure("bank (" + std::to_string(bank.size()) + " bytes) and program (" +
                  std::to_string(program.size()) + " bytes) round trips");

    // Damaged chunks, tried on the instance that holds the bank.
    DamageTrial trial(*b, bank, report);
    context.stage("empty chunks");
    const unsigned char nothing = 0;
    for (bool bankForm : {true, false}) {
        trial.Try(&nothing, 0, bankForm, "an empty chunk");
        trial.Try(nullptr, 0, bankForm, "a null chunk");
        trial.Try(nullptr, 100, bankForm, "a null chunk of 100 bytes");
    }

    context.stage("truncated chunks");
    // Every length of both chunks in a full run; in a quick one every length near the start and
    // a bounded number spread through the rest.
    for (std::size_t length : CutLengths(program.size(), context.Quick()))
        trial.Try(program.data(), length, false,
                  "the program chunk cut to " + std::to_string(length) + " bytes");
    for (std::size_t length : CutLengths(bank.size(), context.Quick())) {
        if (length % 4096 == 0)
            context.stage("bank chunk cut to " + std::to_string(length) + " bytes");
        trial.Try(bank.data(), length, true,
                  "the bank chunk cut to " + std::to_string(length) + " bytes");
    }
    const long truncated = trial.tried;

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
    report.Figure(std::to_string(truncated) + " truncated, 6 random and " + std::to_string(flips) +
                  " bit-flipped chunks: " + std::to_string(trial.refused) + " refused unchanged, " +
                  std::to_string(trial.accepted) + " accepted");
    a->Close();
    b->Close();
    c->Close();
}

} // namespace vorlunda::validate
