#include "GroupSupport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace vorlunda::validate {

namespace {

// Low, middle and high notes: bass, chord and the top of the keyboard.
constexpr std::array<int, 6> kChord = {24, 48, 60, 64, 67, 96};
constexpr const char* kPartVariable = "VORLUNDA_VALIDATE_PART";

} // namespace

bool LoadPlugin(GroupContext& context, PluginLibrary& library, GroupReport& report) {
    const std::string& path = context.options.plugin;
    if (library.Open(path))
        return true;
    if (library.LastFailure() == PluginLibrary::Failure::NoEntryPoint)
        report.Fail(path + ": exports neither VSTPluginMain nor main");
    else
        report.Fail(path + ": cannot be loaded: " + library.SystemReason());
    return false;
}

std::unique_ptr<PluginInstance> NewInstance(PluginLibrary& library, GroupReport& report,
                                            const HostBehaviour& behaviour) {
    std::string error;
    auto instance = PluginInstance::Create(library, behaviour, &error);
    if (!instance)
        report.Fail("cannot create an instance: " + error);
    return instance;
}

bool OpenPlugin(GroupContext& context, GroupReport& report, OpenedPlugin& opened, int block,
                double rate, const HostBehaviour& behaviour) {
    if (!LoadPlugin(context, opened.library, report))
        return false;
    opened.plugin = NewInstance(opened.library, report, behaviour);
    if (!opened.plugin)
        return false;
    if (block > 0)
        opened.plugin->Start(rate, block);
    return true;
}

void RandomParameters(PluginInstance& plugin, Random& random) {
    for (int i = 0; i < plugin.Parameters(); ++i)
        plugin.SetParameter(i, random.UnitFloat());
}

void RandomProgram(PluginInstance& plugin, Random& random) {
    if (plugin.Programs() > 0)
        plugin.Dispatch(vst::effSetProgram, 0, random.Between(0, plugin.Programs() - 1));
}

void NoteOn(EventList& events, int deltaFrames, int note, int velocity) {
    events.Midi(deltaFrames, 0x90, note, velocity);
}

void NoteOff(EventList& events, int deltaFrames, int note) {
    events.Midi(deltaFrames, 0x80, note, 64);
}

void Chord(EventList& events, int deltaFrames, bool on, int velocity) {
    for (int note : kChord) {
        if (on)
            NoteOn(events, deltaFrames, note, velocity);
        else
            NoteOff(events, deltaFrames, note);
    }
}

void Panic(EventList& events) {
    for (int channel = 0; channel < 16; ++channel) {
        events.Midi(0, 0xB0 | channel, 64, 0);  // sustain pedal up
        events.Midi(0, 0xB0 | channel, 123, 0); // all notes off
        events.Midi(0, 0xB0 | channel, 120, 0); // all sound off
    }
    for (int channel = 0; channel < 16; ++channel)
        for (int note = 0; note < 128; ++note)
            events.Midi(0, 0x80 | channel, note, 0);
}

double TimeToSilence(BlockRunner& runner, PluginInstance& plugin, int block, double threshold,
                     double quietSeconds, double limitSeconds, const char* context) {
    const double rate = plugin.SampleRate();
    const auto limit = static_cast<long long>(limitSeconds * rate);
    const auto quiet = static_cast<long long>(quietSeconds * rate);
    long long rendered = 0;
    long long lastLoud = 0;
    while (rendered < limit + quiet) {
        runner.Render(block, Precision::Single, nullptr, context);
        rendered += block;
        if (runner.BlockPeak() >= threshold)
            lastLoud = rendered;
        if (rendered - lastLoud >= quiet)
            return static_cast<double>(lastLoud) / rate;
        if (runner.Faults().Severe() > 0 && rendered > quiet)
            break; // a broken output is reported as such, not waited out
    }
    return lastLoud <= limit ? static_cast<double>(lastLoud) / rate : -1.0;
}

void TakeChild(const GroupReport& child, GroupReport& report, const std::string& prefix,
               bool figures) {
    for (const std::string& failure : child.Failures())
        report.Fail(prefix + failure);
    for (long more = child.FailureCount() - static_cast<long>(child.Failures().size()); more > 0;
         --more)
        report.Fail(prefix + "another failure");
    if (figures)
        for (const std::string& figure : child.Figures())
            report.Figure(figure);
}

void SetChildPart(int part) {
    const std::string value = std::to_string(part);
#if defined(_WIN32)
    _putenv_s(kPartVariable, value.c_str());
#else
    setenv(kPartVariable, value.c_str(), 1);
#endif
}

int ChildPart() {
    const char* value = std::getenv(kPartVariable);
    return value ? std::atoi(value) : -1;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Hex(std::uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string RateText(double hz) {
    char text[64];
    std::snprintf(text, sizeof text, "%g Hz", hz);
    return text;
}

} // namespace vorlunda::validate
