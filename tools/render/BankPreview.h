#pragma once

#include "MidiFile.h"
#include "PluginHost.h"
#include "Renderer.h"

#include <string>
#include <vector>

namespace vorlunda::render {

// Auditions every program of the plug-in: selects each in turn (effSetProgram, with processing
// switched off so that no note of the previous program sounds on) and renders a C major chord
// (notes 48, 52, 55, 60 at velocity 100) held for 2 s and released for 2 s into
// DIR/NN-<program name>.wav, NN being the program index from 00.
class BankPreview {
public:
    static constexpr double kHoldSeconds = 2.0;
    static constexpr double kReleaseSeconds = 2.0;

    BankPreview(PluginHost& host, const RenderSettings& settings);

    // False with a reason in Error() when the folder or a file cannot be written.
    bool Run(const std::string& directory);
    int FilesWritten() const { return filesWritten; }
    const std::string& Error() const { return error; }

    static std::vector<MidiMessage> Chord();
    // "07-Warm_Pad.wav": the name keeps letters, digits, '-' and '_'; runs of anything else
    // become one '_'; an empty name becomes "program".
    static std::string FileName(int program, const std::string& name);

private:
    PluginHost& host;
    RenderSettings settings;
    std::string error;
    int filesWritten = 0;
};

} // namespace vorlunda::render
