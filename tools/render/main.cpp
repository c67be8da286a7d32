// vorlunda2-render: a command-line VST 2.4 host that plays a MIDI file through an instrument
// plug-in into a WAV file; also auditions a plug-in's programs and compares two renders.
#include "BankPreview.h"
#include "MidiFile.h"
#include "NumberText.h"
#include "PluginHost.h"
#include "ProgramFile.h"
#include "RenderOptions.h"
#include "Renderer.h"
#include "WavCompare.h"
#include "WavReader.h"
#include "WavWriter.h"

#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#ifndef VORLUNDA_RENDER_DEFAULT_PLUGIN
#define VORLUNDA_RENDER_DEFAULT_PLUGIN ""
#endif

using namespace vorlunda::render;

namespace {

constexpr double kSilence = 1e-5; // -100 dBFS: quieter output counts as silent

int Fail(const std::string& reason) {
    std::cerr << "vorlunda2-render: " << reason << "\n";
    return 1;
}

RenderSettings SettingsOf(const RenderOptions& options) {
    RenderSettings settings;
    settings.sampleRate = options.sampleRate;
    settings.blockSize = options.blockSize;
    settings.tailSeconds = options.tailSeconds;
    settings.progress = !options.quiet;
    return settings;
}

// Loads the plug-in, opens it and applies --fxp/--fxb/--program; the reason in `error`.
bool StartPlugin(const RenderOptions& options, PluginHost& host, std::string& error) {
    host.SetOffline(options.offline);
    if (!host.Load(options.plugin)) {
        error = host.Error();
        return false;
    }
    host.Open(options.sampleRate, options.blockSize);
    const std::string& path = options.fxp.empty() ? options.fxb : options.fxp;
    if (!path.empty()) {
        ProgramFile file;
        if (!file.Load(path)) {
            error = file.Error();
            return false;
        }
        if (file.IsBank() != options.fxp.empty()) {
            error = path + " is " + (file.IsBank() ? "a bank: use --fxb" : "a program: use --fxp");
            return false;
        }
        if (!host.LoadProgramFile(file)) {
            error = path + ": " + host.Error();
            return false;
        }
    }
    if (options.program >= 0 && !host.SelectProgram(options.program)) {
        error = host.Error();
        return false;
    }
    host.Resume();
    return true;
}

int RenderSong(const RenderOptions& options) {
    MidiFile midi;
    if (!midi.Load(options.midiFile))
        return Fail(midi.Error());
    PluginHost host;
    std::string error;
    if (!StartPlugin(options, host, error))
        return Fail(error);
    Renderer renderer(host, SettingsOf(options));
    WavWriter wav;
    if (!wav.Open(options.outFile, renderer.Channels(),
                  static_cast<int>(std::lround(options.sampleRate))))
        return Fail(wav.Error());
    if (!renderer.Render(midi.Messages(), midi.Tempo(), wav))
        return Fail(wav.Error().empty() ? renderer.Error() : wav.Error());
    if (!wav.Close())
        return Fail(wav.Error());

    const RenderResult& r = renderer.Result();
    std::cout << options.outFile << ": " << Fixed(r.audioSeconds, 2) << " s of audio in "
              << Fixed(r.cpuSeconds, 2) << " CPU s ("
              << Fixed(r.audioSeconds > 0 ? r.cpuSeconds / r.audioSeconds : 0.0, 4)
              << " CPU s per audio s), peak " << Decibels(r.peak) << " dBFS, " << r.midiEventsOut
              << " MIDI events from the plug-in\n";
    if (options.requireSound && !r.finite)
        return Fail(options.outFile + ": the output is not finite (NaN or infinity)");
    if (options.requireSound && r.peak < kSilence)
        return Fail(options.outFile + ": the output is silent (peak " + Decibels(r.peak) +
                    " dBFS)");
    return 0;
}

int PreviewBank(const RenderOptions& options) {
    PluginHost host;
    std::string error;
    if (!StartPlugin(options, host, error))
        return Fail(error);
    BankPreview preview(host, SettingsOf(options));
    if (!preview.Run(options.previewDirectory))
        return Fail(preview.Error());
    std::cout << options.previewDirectory << ": " << preview.FilesWritten()
              << " program previews written\n";
    return 0;
}

int Compare(const RenderOptions& options) {
    WavData a, b;
    std::string error;
    if (!ReadWav(options.compareA, a, error) || !ReadWav(options.compareB, b, error))
        return Fail(error);
    const WavComparison comparison = CompareWav(a, b);
    if (!comparison.Comparable())
        return Fail(options.compareA + " and " + options.compareB + ": " + comparison.problem);
    std::cout << "peak difference " << Decibels(comparison.peakDifference) << " dBFS ("
              << options.compareA << ", " << options.compareB << ")\n";
    if (!comparison.Same())
        return Fail("the renders differ by more than " + Fixed(WavComparison::kLimitDb, 0) +
                    " dBFS");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    RenderOptions options;
    options.plugin = VORLUNDA_RENDER_DEFAULT_PLUGIN;
    std::string error;
    if (!ParseOptions(arguments, options, error))
        return Fail(error);
    switch (options.mode) {
    case RenderOptions::Mode::Help:
        std::cout << UsageText();
        return 0;
    case RenderOptions::Mode::PreviewBank:
        return PreviewBank(options);
    case RenderOptions::Mode::Compare:
        return Compare(options);
    case RenderOptions::Mode::Render:
        break;
    }
    return RenderSong(options);
}
