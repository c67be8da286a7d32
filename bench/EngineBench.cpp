// Cost of the sound engine: ns per voice-sample and the real-time factor (seconds of audio
// rendered per second of one core) at 48 kHz, for 8 and 64 sounding voices of the default
// program and of a rich program that switches on nearly everything.
#include "BenchPrograms.h"
#include "engine/ParameterTable.h"
#include "support/InstrumentHarness.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace vorlunda;

// The tests' instrument harness (48 kHz, blocks of 512, processing on).
using BenchInstrument = test::InstrumentHarness;

void RenderVoices(benchmark::State& state, bool rich) {
    const int voices = static_cast<int>(state.range(0));
    BenchInstrument synth;
    synth.Set(kVoices, 6); // 64-voice pool
    if (rich)
        bench::MakeRichProgram(synth);
    bench::PlayVoices(synth, voices);
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
