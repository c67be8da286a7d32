#pragma once

#include <span>
#include <string>

namespace vorlunda::render {

// The command line of vorlunda2-render.
struct RenderOptions {
    enum class Mode { Render, PreviewBank, Compare, Help };

    Mode mode = Mode::Render;
    std::string plugin;           // library to load
    std::string midiFile;         // Render
    std::string outFile;          // Render
    std::string previewDirectory; // PreviewBank
    std::string compareA, compareB;
    std::string fxp, fxb;        // program or bank loaded before playing
    int program = -1;            // effSetProgram before playing; -1 keeps the plug-in's choice
    double sampleRate = 48000.0; // Hz
    int blockSize = 512;         // samples
    double tailSeconds = 2.0;
    bool offline = false;      // report the offline process level to the plug-in
    bool requireSound = false; // fail on silent or non-finite output
    bool factory = false;      // PreviewBank: the plug-in's own programs (the default)
    bool quiet = false;        // no progress lines
};

// Reads the arguments after the program name; false with a one-line reason in `error`.
bool ParseOptions(std::span<const std::string> arguments, RenderOptions& options,
                  std::string& error);
std::string UsageText();

} // namespace vorlunda::render
