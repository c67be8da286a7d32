// Cost of the sound engine: ns per voice-sample and the real-time factor (seconds of audio
// rendered per second of one core) at 48 kHz, for 8 and 64 sounding voices of the default
// program and of a rich program that switches on nearly everything.
#include "engine/ParameterTable.h"
#include "support/InstrumentHarness.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace vorlunda;

// The tests' instrument harness (48 kHz, blocks of 512, processing on), playing chords.
class BenchInstrument : public test::InstrumentHarness {
public:
    void Play(int voices) {
        for (int i = 0; i < voices; ++i)
            HandleMidiMessage(MidiEvent{0, 0x90, static_cast<std::uint8_t>(30 + i), 100});
    }
};

void MakeRich(BenchInstrument& synth) {
    for (int f = 0; f < 4; ++f) {
        synth.Set(kSaw16 + f, 1);
        synth.Set(kSquare16 + f, 1);
        synth.Set(kPulse16 + f, 1);
        synth.Set(kMulti16 + f, 1);
        synth.Set(kInterval16 + f, 1);
    }
    synth.Set(kNoiseMix, 0.3);
    synth.Set(kFilterResonance, 0.7);
    synth.Set(kDrive, 0.5);
    for (int b = 0; b < 7; ++b)
        synth.Set(kEq100 + b, b % 2 ? -3.0 : 4.0);
    synth.Set(kChorusMix, 0.5);
}

void RenderVoices(benchmark::State& state, bool rich) {
    const int voices = static_cast<int>(state.range(0));
    BenchInstrument synth;
    synth.Set(kVoices, 6); // 64-voice pool
    if (rich)
        MakeRich(synth);
    synth.Play(voices);
    constexpr int kBlock = 512;
    std::vector<double> l(kBlock), r(kBlock);
    double* outs[2] = {l.data(), r.data()};
    synth.RenderBlock(nullptr, outs, kBlock);
    for (auto _ : state) {
        synth.RenderBlock(nullptr, outs, kBlock);
        benchmark::DoNotOptimize(l.data());
    }
    const double samples = static_cast<double>(state.iterations()) * kBlock;
    state.SetItemsProcessed(static_cast<int64_t>(samples * voices));
    // Seconds of audio per second of CPU; the ns per voice-sample come from items/s.
    state.counters["realtime_x"] =
        benchmark::Counter(samples / 48000.0, benchmark::Counter::kIsRate);
    state.counters["ns_per_voice_sample"] = benchmark::Counter(
        samples * voices * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void DefaultProgram(benchmark::State& state) {
    RenderVoices(state, false);
}
void RichProgram(benchmark::State& state) {
    RenderVoices(state, true);
}

BENCHMARK(DefaultProgram)->Arg(8)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(RichProgram)->Arg(8)->Arg(64)->Unit(benchmark::kMicrosecond);

} // namespace
