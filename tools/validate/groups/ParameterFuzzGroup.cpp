// Group 6, Parameter fuzz: random parameter sets, the extremes, changes every 1, 10 and 100
// samples; every text the plug-in writes checked against a canary; every parameter's display
// text read back through effString2Parameter.
#include "CanaryText.h"
#include "GroupSupport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <vector>

namespace vorlunda::validate {

namespace {

constexpr int kBlocksPerSet = 5;
// Past this many bytes a text overruns the buffers hosts really pass (256 bytes and more are
// common, the interface's limits being small), whatever the limit says.
constexpr int kPracticalCap = 256; // bytes

// How long each kind of text may be by the interface (characters, a terminator after them).
struct TextKind {
    vst::Int32 opcode;
    const char* name;
    int limit;
};
constexpr TextKind kParamName{vst::effGetParamName, "parameter name", 8};
constexpr TextKind kParamLabel{vst::effGetParamLabel, "parameter label", 8};
constexpr TextKind kParamDisplay{vst::effGetParamDisplay, "parameter display", 8};
constexpr TextKind kProgramName{vst::effGetProgramName, "program name", 24};
constexpr TextKind kProgramIndexed{vst::effGetProgramNameIndexed, "program name", 24};
constexpr TextKind kEffectName{vst::effGetEffectName, "effect name", 32};
constexpr TextKind kVendor{vst::effGetVendorString, "vendor string", 64};
constexpr TextKind kProduct{vst::effGetProductString, "product string", 64};

// The texts of one kind beyond the interface's limit: warned about once, with the farthest.
struct Beyond {
    int count = 0;
    int reach = 0;
    std::string example;
};

struct TextFigures {
    int faults = 0; // texts without a terminator or past the practical cap
    int name = 0;
    int label = 0;
    int display = 0;
    int program = 0;
    int other = 0;
    std::map<std::string, Beyond> beyond; // by kind
};

// Asks the plug-in for one text into a canary-guarded buffer and answers it. A text that ends
// within the interface's limit (zero padding up to it included) passes; one that reaches
// beyond is noted for a warning; one without a terminator or past the practical cap fails.
std::string AskText(PluginInstance& plugin, const TextKind& kind, int index, GroupReport& report,
                    TextFigures& figures, int& longest) {
    CanaryText buffer;
    plugin.Dispatch(kind.opcode, index, 0, buffer.Data());
    const CanaryText::Verdict verdict = buffer.Check();
    const std::string where = std::string(kind.name) + " " + std::to_string(index);
    if (verdict.untouched)
        return {};
    longest = std::max(longest, verdict.length);
    if (!verdict.terminated) {
        ++figures.faults;
        report.Fail(where + ": no terminator within " + std::to_string(CanaryText::kBytes) +
                    " bytes");
    } else if (verdict.reach > kPracticalCap) {
        ++figures.faults;
        report.Fail(where + ": writes " + std::to_string(verdict.reach) + " bytes (\"" +
                    buffer.Text() + "\"), past the " + std::to_string(kPracticalCap) +
                    " bytes any host's buffer has");
    } else if (verdict.reach > kind.limit + 1 || !verdict.zeroPadded) {
        Beyond& beyond = figures.beyond[kind.name];
        ++beyond.count;
        if (verdict.reach > beyond.reach || beyond.example.empty()) {
            beyond.reach = verdict.reach;
            beyond.example = "\"" + buffer.Text() + "\"" +
                             (verdict.zeroPadded ? "" : " with other bytes after its terminator");
        }
    }
    return buffer.Text();
}

void CheckTexts(PluginInstance& plugin, GroupReport& report, TextFigures& figures) {
    for (int i = 0; i < plugin.Parameters(); ++i) {
        AskText(plugin, kParamName, i, report, figures, figures.name);
        AskText(plugin, kParamLabel, i, report, figures, figures.label);
        AskText(plugin, kParamDisplay, i, report, figures, figures.display);
    }
    AskText(plugin, kProgramName, 0, report, figures, figures.program);
    for (int p = 0; p < plugin.Programs(); ++p)
        AskText(plugin, kProgramIndexed, p, report, figures, figures.program);
    AskText(plugin, kEffectName, 0, report, figures, figures.other);
    AskText(plugin, kVendor, 0, report, figures, figures.other);
    AskText(plugin, kProduct, 0, report, figures, figures.other);
}

void WarnBeyond(const TextFigures& figures, GroupReport& report) {
    const std::pair<const char*, int> limits[] = {{kParamName.name, kParamName.limit},
                                                  {kParamLabel.name, kParamLabel.limit},
                                                  {kParamDisplay.name, kParamDisplay.limit},
                                                  {kProgramName.name, kProgramName.limit},
                                                  {kEffectName.name, kEffectName.limit},
                                                  {kVendor.name, kVendor.limit},
                                                  {kProduct.name, kProduct.limit}};
    for (const auto& [name, limit] : limits) {
        const auto it = figures.beyond.find(name);
        if (it == figures.beyond.end())
            continue;
        report.Warn(std::to_string(it->second.count) + " " + name + " texts reach beyond the " +
                    std::to_string(limit) + " characters the interface allows (up to " +
                    std::to_string(it->second.reach) + " bytes: " + it->second.example + ")");
    }
}

// display -> effString2Parameter -> display must give the same text back. The opcode is
// optional: a plug-in that refuses every text does not implement it.
void RoundTrips(PluginInstance& plugin, Random& random, GroupReport& report, TextFigures& figures,
                int& trips, int& refused) {
    int ignored = 0;
    for (int i = 0; i < plugin.Parameters(); ++i) {
        const std::array<float, 5> values = {plugin.GetParameter(i), 0.0f, 1.0f, random.UnitFloat(),
                                             random.UnitFloat()};
        for (float value : values) {
            plugin.SetParameter(i, value);
            const std::string shown = AskText(plugin, kParamDisplay, i, report, figures, ignored);
            std::string text = shown;
            const vst::IntPtr answer = plugin.Dispatch(vst::effString2Parameter, i, 0, text.data());
            const std::string again = AskText(plugin, kParamDisplay, i, report, figures, ignored);
            ++trips;
            if (answer == 0)
                ++refused;
            else if (again != shown)
                report.Fail("parameter " + std::to_string(i) + ": display \"" + shown +
                            "\" read back through effString2Parameter shows \"" + again + "\"");
        }
    }
}

// getParameter answers a normalised value: within 0..1, never NaN.
void CheckValues(PluginInstance& plugin, GroupReport& report, const char* when) {
    for (int i = 0; i < plugin.Parameters(); ++i) {
        const float value = plugin.GetParameter(i);
        if (!(value >= 0.0f && value <= 1.0f)) {
            char text[32];
            std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
            report.Fail(std::string(when) + ": getParameter(" + std::to_string(i) + ") answers " +
                        text + ", outside 0..1");
        }
    }
}

void PlaySet(BlockRunner& runner, int blocks, const char* context) {
    for (int b = 0; b < blocks; ++b)
        runner.Render(kUsualBlock, Precision::Single, nullptr, context);
}

} // namespace

void RunParameterFuzzGroup(GroupContext& context, GroupReport& report) {
    OpenedPlugin opened;
    if (!OpenPlugin(context, report, opened, kUsualBlock, kUsualRate))
        return;
    auto& plugin = opened.plugin;
    BlockRunner runner(*plugin, kUsualBlock);
    EventList events;
    Random& random = context.random;

    context.stage("texts");
    TextFigures longest;
    CheckTexts(*plugin, report, longest);

    context.stage("round trips");
    int trips = 0;
    int refused = 0;
    RoundTrips(*plugin, random, report, longest, trips, refused);

    events.Clear();
    Chord(events, 0, true);
    runner.Render(kUsualBlock, Precision::Single, &events, "chord");

    const int sets = context.Count(50, 20);
    for (int s = 0; s < sets; ++s) {
        context.stage("random set " + std::to_string(s + 1));
        RandomParameters(*plugin, random);
        PlaySet(runner, kBlocksPerSet, "random parameter set");
        CheckValues(*plugin, report, "after a random set");
        if (s % 10 == 9)
            CheckTexts(*plugin, report, longest); // displays of other values
    }

    // The extremes: all at 0, all at 1, and random mixes of the two.
    context.stage("extremes");
    const int mixes = context.Count(10, 4);
    for (int m = -2; m < mixes; ++m) {
        for (int i = 0; i < plugin->Parameters(); ++i) {
            const float value = m == -2 ? 0.0f : m == -1 ? 1.0f : random.Chance(0.5) ? 1.0f : 0.0f;
            plugin->SetParameter(i, value);
        }
        events.Clear();
        Chord(events, 0, true);
        runner.Render(kUsualBlock, Precision::Single, &events, "extreme parameters");
        PlaySet(runner, kBlocksPerSet, "extreme parameters");
        CheckValues(*plugin, report, "after extreme values");
        if (m < 0)
            CheckTexts(*plugin, report, longest);
    }

    // Automation between tiny blocks, as hosts that split blocks at every change do, in a
    // double-precision session where the plug-in has one.
    plugin->Suspend();
    plugin->SetPrecision(Precision::Double);
    plugin->Resume();
    long changes = 0;
    for (int every : {1, 10, 100}) {
        context.stage("a change every " + std::to_string(every) + " samples");
        RandomParameters(*plugin, random);
        events.Clear();
        Chord(events, 0, true);
        runner.Render(kUsualBlock, Precision::Single, &events, "automation");
        const int total = context.Count(8820, 2205); // samples: 0.2 s (0.05 s quick)
        for (int done = 0; done < total; done += every) {
            const int index = random.Between(0, plugin->Parameters() - 1);
            plugin->SetParameter(index, random.Chance(0.2) ? (random.Chance(0.5) ? 0.0f : 1.0f)
                                                           : random.UnitFloat());
            ++changes;
            runner.Render(every, Precision::Double, nullptr, "automation");
        }
    }
    plugin->Suspend();
    plugin->Close();

    report.Faults(runner.Faults(), "parameter fuzz");
    report.Figure(std::to_string(sets) + " random sets, " + std::to_string(mixes + 2) +
                  " extreme sets, " + std::to_string(changes) +
                  " changes every 1, 10 and 100 samples");
    report.Figure(std::string(longest.faults == 0 ? "texts terminated" : "texts checked") +
                  " (longest name " + std::to_string(longest.name) + ", label " +
                  std::to_string(longest.label) + ", display " + std::to_string(longest.display) +
                  ", program name " + std::to_string(longest.program) + " characters)");
    WarnBeyond(longest, report);
    if (trips > 0 && refused == trips)
        report.Figure("display round trips not applicable (effString2Parameter refuses every "
                      "text: not implemented)");
    else
        report.Figure(std::to_string(trips) + " display round trips" +
                      (refused ? " (" + std::to_string(refused) + " refused)" : ""));
    if (refused > 0 && refused < trips)
        report.Warn("effString2Parameter refuses " + std::to_string(refused) + " of " +
                    std::to_string(trips) + " display texts it wrote itself");
}

} // namespace vorlunda::validate
