// editor-picture: draws the complete editor for one program, without a window, into a PNG.
//
//   editor-picture [--bank 1|2] [--program N] [--fxp FILE] OUTPUT.png
//
// Default: program 0 of factory bank 2. With --fxp the program file is loaded into the chosen
// program instead. Errors are printed and give exit status 1.
#include "EditorPicture.h"
#include "PngWriter.h"

#include "engine/Vorlunda2.h"
#include "graphics/EditorWindow.h"
#include "graphics/RasterMemBitmap.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>

namespace fs = std::filesystem;
using namespace vorlunda;

namespace {

int Usage() {
    std::cerr << "usage: editor-picture [--bank 1|2] [--program N] [--fxp FILE] OUTPUT.png\n";
    return 2;
}

bool ReadNumber(std::string_view text, int* value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc() && end == text.data() + text.size();
}

// The instrument reads and may create its per-user configuration while it is constructed: the
// picture must not depend on the user's settings nor leave files in their home folder.
void UsePrivateConfiguration(const std::string& outputPath) {
#ifndef _WIN32
    const fs::path folder =
        fs::absolute(fs::path(outputPath)).parent_path() / "editor-picture-config";
    std::error_code error;
    fs::create_directories(folder, error);
    setenv("XDG_CONFIG_HOME", folder.string().c_str(), 1);
#else
    (void)outputPath;
#endif
}

} // namespace

int main(int argc, char** argv) {
    int bank = 2;
    int program = 0;
    std::string fxp;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--bank" && hasValue) {
            if (!ReadNumber(argv[++i], &bank))
                return Usage();
        } else if (arg == "--program" && hasValue) {
            if (!ReadNumber(argv[++i], &program))
                return Usage();
        } else if (arg == "--fxp" && hasValue) {
            fxp = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && output.empty()) {
            output = arg;
        } else {
            return Usage();
        }
    }
    if (output.empty())
        return Usage();

    UsePrivateConfiguration(output);
    std::unique_ptr<Vorlunda2> plugin = MakeInstrumentWithEditor();
    if (!ShowFactoryProgram(*plugin, bank, program)) {
        std::cerr << "editor-picture: no program " << program << " in factory bank " << bank
                  << "\n";
        return 1;
    }
    if (!fxp.empty() && !ShowProgramFile(*plugin, fxp)) {
        std::cerr << fxp << ": error: not a program file of this instrument\n";
        return 1;
    }
    const std::unique_ptr<RasterMemBitmap> picture = DrawEditorPicture(*plugin);
    if (!picture) {
        std::cerr << "editor-picture: the editor could not be drawn\n";
        return 1;
    }
    if (!WritePng(output, *picture)) {
        std::cerr << output << ": error: cannot write\n";
        return 1;
    }
    return 0;
}
