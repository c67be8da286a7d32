// Group 6, Parameter fuzz: random parameter sets, the extremes, changes every 1, 10 and 100
// samples; every text the plug-in writes checked against a canary; every parameter's display
// text read back through effString2Parameter.
#include "CanaryText.h"
#include "GroupSupport.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vorlunda::validate {

namespace {

constexpr int kBlocksPerSet = 5;

// Asks the plug-in for one text into a canary-guarded buffer; answers the text, and notes a
// missing terminator or bytes written after it.
std::string AskText(PluginInstance& plugin, vst::Int32 opcode, int index, GroupReport& report,
                    const char* what, int& longest) {
    CanaryText buffer;
    plugin.Dispatch(opcode, index, 0, buffer.Data());
    const CanaryText::Verdict verdict = buffer.Check();
    const std::string where = std::string(what) + " " + std::to_string(index);
    if (!verdict.untouched && !verdict.terminated)
        report.Fail(where + ": no terminator within " + std::to_string(CanaryText::kBytes) +
                    " bytes");
    else if (!verdict.untouched && !verdict.clean)
        report.Fail(where + ": bytes written after the terminator (\"" + buffer.Text() + "\")");
    longest = std::max(longest, verdict.length);
    return buffer.Text();
}

struct TextFigures {
    int faults = 0; // texts without a terminator or with bytes after it
    int name = 0;
    int label = 0;
    int display = 0;
    int program = 0;
    int other = 0;
};

void CheckTexts(PluginInstance& plugin, GroupReport& report, TextFigures& longest) {
    const long before = report.FailureCount();
    for (int i = 0; i < plugin.Parameters(); ++i) {
        AskText(plugin, vst::effGetParamName, i, report, "parameter name", longest.name);
        AskText(plugin, vst::effGetParamLabel, i, report, "parameter label", longest.label);
        AskText(plugin, vst::effGetParamDisplay, i, report, "parameter display", longest.display);
    }
    AskText(plugin, vst::effGetProgramName, 0, report, "program name", longest.program);
    for (int p = 0; p < plugin.Programs(); ++p)
        AskText(plugin, vst::effGetProgramNameIndexed, p, report, "program name", longest.program);
    AskText(plugin, vst::effGetEffectName, 0, report, "effect name", longest.other);
    AskText(plugin, vst::effGetVendorString, 0, report, "vendor string", longest.other);
    AskText(plugin, vst::effGetProductString, 0, report, "product string", longest.other);
    longest.faults += static_cast<int>(report.FailureCount() - before);
}

// display -> effString2Parameter -> display must give the same text back.
void RoundTrips(PluginInstance& plugin, Random& random, GroupReport& report, int& trips,
                int& refused) {
    int ignored = 0;
    for (int i = 0; i < plugin.Parameters(); ++i) {
        const std::array<float, 5> values = {plugin.GetParameter(i), 0.0f, 1.0f, random.UnitFloat(),
                                             random.UnitFloat()};
        for (float value : values) {
            plugin.SetParameter(i, value);
            const std::string shown =
                AskText(plugin, vst::effGetParamDisplay, i, report, "parameter display", ignored);
            std::string text = shown;
            const vst::IntPtr answer = plugin.Dispatch(vst::effString2Parameter, i, 0, text.data());
            const std::string again =
                AskText(plugin, vst::effGetParamDisplay, i, report, "parameter display", ignored);
            ++trips;
            if (answer == 0) {
                ++refused;
                if (refused <= 3)
                    report.Fail("parameter " + std::to_string(i) +
                                ": effString2Parameter refuses its own display text \"" + shown +
                                "\"");
                else
                    report.Fail("effString2Parameter refuses a display text");
            } else if (again != shown) {
                report.Fail("parameter " + std::to_string(i) + ": display \"" + shown +
                            "\" read back through effString2Parameter shows \"" + again + "\"");
            }
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
    RoundTrips(*plugin, random, report, trips, refused);

    events.Clear();
    Chord(events, 0, true);
    runner.Render(kUsualBlock, Precision::Single, &events, "chord");

    const int sets = context.Count(50, 20);
    for (int s = 0; s < sets; ++s) {
        context.stage("random set " + std::to_string(s + 1));
        RandomParameters(*plugin, random);
        PlaySet(runner, kBlocksPerSet, "random parameter set");
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
    report.Figure(std::string(longest.faults == 0 ? "texts clean" : "texts checked") +
                  " (longest name " + std::to_string(longest.name) + ", label " +
                  std::to_string(longest.label) + ", display " + std::to_string(longest.display) +
                  ", program name " + std::to_string(longest.program) + " characters)");
    report.Figure(std::to_string(trips) + " display round trips" +
                  (refused ? " (" + std::to_string(refused) + " refused)" : ""));
}

} // namespace vorlunda::validate
