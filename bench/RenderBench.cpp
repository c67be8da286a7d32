// Vorlunda2 beside a third-party VST 2.4 instrument (Debian's amsynth) in the same host: the
// dense benchmark piece (tools/demo/dense.mid, 16-note chords for 10 s, plus the 2 s tail) is
// rendered through each plug-in library by vorlunda2-render's own renderer at 48 kHz in blocks
// of 512 samples, each plug-in with its start-up program and 16 voices (amsynth's configured
// polyphony; Vorlunda2's "Voices" parameter is set to "16 Voices" through the host interface,
// its default of 8 would steal half of every chord). Counter: CPU seconds per second of
// audio (processor time of the whole process, so helper threads count). The Ratio benchmark
// renders both in turn and reports Vorlunda2's cost divided by amsynth's.
#include "MidiFile.h"
#include "PluginHost.h"
#include "Renderer.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace vorlunda::render;

constexpr const char* kAmsynth = "/usr/lib/vst/amsynth_vst.so";
constexpr double kRate = 48000.0; // Hz
constexpr int kBlock = 512;       // samples

// One loaded, running plug-in and the piece; Render answers CPU s per audio s.
class Player {
public:
    explicit Player(const char* path) {
        if (!midi.Load(VORLUNDA_DENSE_MIDI)) {
            error = midi.Error();
            return;
        }
        if (!host.Load(path)) {
            error = host.Error();
            return;
        }
        host.Open(kRate, kBlock);
        SetVoices();
        host.Resume();
    }
    const std::string& Error() const { return error; }
    double Render() {
        RenderSettings settings;
        settings.sampleRate = kRate;
        settings.blockSize = kBlock;
        settings.progress = false;
        Renderer renderer(host, settings);
        NullSink sink;
        renderer.Render(midi.Messages(), midi.Tempo(), sink);
        const RenderResult& r = renderer.Result();
        return r.cpuSeconds / r.audioSeconds;
    }

private:
    // Sets a parameter named "Voices", where there is one, to "16 Voices" by its text.
    void SetVoices() {
        for (int i = 0; i < host.Effect()->numParams; ++i) {
            char name[64] = {};
            host.Dispatch(vorlunda::vst::effGetParamName, i, 0, name);
            if (std::string(name) == "Voices") {
                char text[] = "16 Voices";
                host.Dispatch(vorlunda::vst::effString2Parameter, i, 0, text);
            }
        }
    }

    MidiFile midi;
    PluginHost host;
    std::string error;
};

void RenderDense(benchmark::State& state, const char* path) {
    Player player(path);
    if (!player.Error().empty()) {
        state.SkipWithError(player.Error().c_str());
        return;
    }
    double total = 0.0;
    for (auto _ : state)
        total += player.Render();
    state.counters["cpu_s_per_audio_s"] = total / static_cast<double>(state.iterations());
}

void Vorlunda2(benchmark::State& state) {
    RenderDense(state, VORLUNDA_PLUGIN_FILE);
}

void Amsynth(benchmark::State& state) {
    RenderDense(state, kAmsynth);
}

void Ratio(benchmark::State& state) {
    Player ours(VORLUNDA_PLUGIN_FILE);
    Player theirs(kAmsynth);
    if (!ours.Error().empty() || !theirs.Error().empty()) {
        state.SkipWithError((ours.Error() + theirs.Error()).c_str());
        return;
    }
    double oursTotal = 0.0, theirsTotal = 0.0;
    for (auto _ : state) {
        oursTotal += ours.Render();
        theirsTotal += theirs.Render();
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["vorlunda2_cpu_s_per_audio_s"] = oursTotal / n;
    state.counters["amsynth_cpu_s_per_audio_s"] = theirsTotal / n;
    state.counters["vorlunda2_over_amsynth"] = oursTotal / theirsTotal;
}

BENCHMARK(Vorlunda2)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Amsynth)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Ratio)->Unit(benchmark::kMillisecond)->MinTime(4.0);

} // namespace
