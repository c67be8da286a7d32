// Cost of creating the instrument, as a host pays it when it scans its plug-ins: the first
// construction in a process (once, with the process-wide tables not built yet), later
// constructions, the first prepare for a sample rate (which builds the wavetables) and the
// wavetable build alone.
#include "engine/OscillatorTables.h"
#include "engine/Vorlunda2.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace vorlunda;

class PreparedInstrument : public Vorlunda2 {
public:
    void Prepare(double rate) {
        StoreSampleRate(rate);
        StoreBlockSize(512);
        RestartProcessing();
    }
};

// The first prepare after the first construction: builds the wavetables.
void FirstPrepare(benchmark::State& state) {
    auto synth = std::make_unique<PreparedInstrument>();
    for (auto _ : state)
        synth->Prepare(48000.0);
}

// Also registered first, with one iteration, as FirstConstruction: the process has built
// nothing yet.
void Construction(benchmark::State& state) {
    for (auto _ : state) {
        auto synth = std::make_unique<PreparedInstrument>();
        benchmark::DoNotOptimize(synth.get());
        state.PauseTiming();
        synth.reset();
        state.ResumeTiming();
    }
}

void WavetableBuild(benchmark::State& state) {
    auto tables = std::make_unique<WavetableSet>();
    for (auto _ : state) {
        OscillatorTables::BuildWavetables(*tables);
        benchmark::DoNotOptimize(tables.get());
    }
}

BENCHMARK(Construction)->Name("FirstConstruction")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(FirstPrepare)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Construction)->Unit(benchmark::kMillisecond);
BENCHMARK(WavetableBuild)->Unit(benchmark::kMillisecond);

} // namespace
