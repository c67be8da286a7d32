// The engine benchmark without Google Benchmark, for builds that lack it (the mingw-w64 builds run
// under wine): the cases of EngineBench, each timed as the best of several runs of a fixed number
// of 512-sample blocks at 48 kHz, and the first and later constructions. Processor time of the
// process, which on a shared machine is steadier than the wall clock.
//
//   EngineTiming [runs] [scale]
//
// `scale` multiplies the blocks of each run (1 by default): under wine the process times tick in
// 10 to 16 ms steps, so longer runs are steadier there.
#include "BenchPrograms.h"
#include "CpuTime.h"
#include "engine/ParameterTable.h"
#include "engine/VoiceGroupRenderer.h"
#include "engine/Vorlunda2.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace vorlunda;
using bench::ProcessCpuSeconds;

constexpr double kRate = 48000.0; // Hz
constexpr int kBlock = 512;       // samples

class TimedInstrument : public Vorlunda2 {
public:
    void Prepare() {
        StoreSampleRate(kRate);
        StoreBlockSize(kBlock);
        RestartProcessing();
        ActivationChanged(true);
    }
    void Set(int index, double value) {
        Parameter(index)->SetReal(value);
        ParameterChanged(index);
    }
    void Midi(int status, int d1, int d2) {
        HandleMidiMessage(MidiEvent{0, static_cast<std::uint8_t>(status),
                                    static_cast<std::uint8_t>(d1), static_cast<std::uint8_t>(d2)});
    }
};

// Best seconds per block over `runs` runs of `blocks` blocks.
double TimeRender(bool rich, int voices, int runs, int blocks) {
    TimedInstrument synth;
    synth.Prepare();
    synth.Set(kVoices, 6); // 64-voice pool
    if (rich)
        bench::MakeRichProgram(synth);
    bench::PlayVoices(synth, voices);
    std::vector<double> l(kBlock), r(kBlock);
    double* outs[2] = {l.data(), r.data()};
    synth.RenderBlock(nullptr, outs, kBlock);
    double best = 1e30;
    for (int run = 0; run < runs; ++run) {
        const double start = ProcessCpuSeconds();
        for (int b = 0; b < blocks; ++b)
            synth.RenderBlock(nullptr, outs, kBlock);
        best = std::min(best, (ProcessCpuSeconds() - start) / blocks);
    }
    return best;
}

const char* PathName(SimdPath path) {
    switch (path) {
    case SimdPath::Scalar:
        return "scalar";
    case SimdPath::Sse2:
        return "SSE2";
    case SimdPath::Avx2:
        return "AVX2";
    case SimdPath::Avx512:
        return "AVX-512";
    }
    return "?";
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const int scale = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 100) : 1;

    const double first = ProcessCpuSeconds();
    auto synth = std::make_unique<TimedInstrument>();
    const double firstConstruction = ProcessCpuSeconds() - first;
    const double prepare = ProcessCpuSeconds();
    synth->Prepare();
    const double firstPrepare = ProcessCpuSeconds() - prepare;
    synth.reset();
    double construction = 1e30;
    for (int i = 0; i < 20; ++i) {
        const double start = ProcessCpuSeconds();
        auto another = std::make_unique<TimedInstrument>();
        construction = std::min(construction, ProcessCpuSeconds() - start);
    }
    std::printf("first construction %.2f ms, first prepare %.2f ms, later constructions %.3f ms\n",
                firstConstruction * 1e3, firstPrepare * 1e3, construction * 1e3);

    for (SimdPath path : {SimdPath::Scalar, SimdPath::Sse2, SimdPath::Avx2, SimdPath::Avx512}) {
        if (path > VoiceGroupRenderer::DetectedPath())
            continue;
        VoiceGroupRenderer::ForcePath(path);
        for (bool rich : {false, true}) {
            for (int voices : {8, 64}) {
                const double perBlock =
                    TimeRender(rich, voices, runs, scale * (voices == 64 ? 200 : 1000));
                std::printf("%-8s %-8s %2d voices: %6.2f ns per voice-sample, %7.1fx real time\n",
                            PathName(path), rich ? "rich" : "default", voices,
                            perBlock / (kBlock * voices) * 1e9, kBlock / kRate / perBlock);
            }
        }
    }
    VoiceGroupRenderer::ResetPath();
    return 0;
}
