#include "RenderOptions.h"

#include "NumberText.h"

#include <vector>

namespace vorlunda::render {

namespace {

// Bounds that keep a render meaningful and its buffers small.
constexpr double kMinRate = 8000.0, kMaxRate = 384000.0; // Hz
constexpr long long kMaxBlock = 16384;                   // samples
constexpr double kMaxTail = 600.0;                       // seconds

bool Number(const std::string& option, const std::string& text, double low, double high,
            double& out, std::string& error) {
    double value = 0.0;
    if (!ParseNumber(text, value) || value < low || value > high) {
        error = option + " wants a number from " + Fixed(low, 0) + " to " + Fixed(high, 0) +
                ", not '" + text + "'";
        return false;
    }
    out = value;
    return true;
}

bool Integer(const std::string& option, const std::string& text, long long low, long long high,
             long long& out, std::string& error) {
    if (!ParseInteger(text, out) || out < low || out > high) {
        error = option + " wants a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not '" + text + "'";
        return false;
    }
    return true;
}

} // namespace

bool ParseOptions(std::span<const std::string> arguments, RenderOptions& options,
                  std::string& error) {
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= arguments.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = arguments[++i];
            return true;
        };
        std::string text;
        long long whole = 0;
        if (arg == "-h" || arg == "--help") {
            options.mode = RenderOptions::Mode::Help;
            return true;
        } else if (arg == "--plugin") {
            if (!value(options.plugin))
                return false;
        } else if (arg == "--fxp") {
            if (!value(options.fxp))
                return false;
        } else if (arg == "--fxb") {
            if (!value(options.fxb))
                return false;
        } else if (arg == "--program") {
            if (!value(text) || !Integer(arg, text, 0, 0x7FFFFFFF, whole, error))
                return false;
            options.program = static_cast<int>(whole);
        } else if (arg == "--rate") {
            if (!value(text) || !Number(arg, text, kMinRate, kMaxRate, options.sampleRate, error))
                return false;
        } else if (arg == "--block") {
            if (!value(text) || !Integer(arg, text, 1, kMaxBlock, whole, error))
                return false;
            options.blockSize = static_cast<int>(whole);
        } else if (arg == "--tail") {
            if (!value(text) || !Number(arg, text, 0.0, kMaxTail, options.tailSeconds, error))
                return false;
        } else if (arg == "--offline") {
            options.offline = true;
        } else if (arg == "--require-sound") {
            options.requireSound = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--factory") {
            options.factory = true;
        } else if (arg == "--preview-bank") {
            if (!value(options.previewDirectory))
                return false;
            options.mode = RenderOptions::Mode::PreviewBank;
        } else if (arg == "--compare") {
            options.mode = RenderOptions::Mode::Compare;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg + " (see --help)";
            return false;
        } else {
            positional.push_back(arg);
        }
    }

    using Mode = RenderOptions::Mode;
    if (!options.fxp.empty() && !options.fxb.empty()) {
        error = "--fxp and --fxb exclude each other";
        return false;
    }
    if (options.mode == Mode::PreviewBank) {
        if (!positional.empty() || !options.fxp.empty() || options.program >= 0) {
            error = "--preview-bank takes a folder and at most --fxb FILE or --factory";
            return false;
        }
        if (options.factory && !options.fxb.empty()) {
            error = "--factory and --fxb exclude each other";
            return false;
        }
        return true;
    }
    if (options.mode == Mode::Compare) {
        if (positional.size() != 2) {
            error = "--compare wants two WAV files";
            return false;
        }
        options.compareA = positional[0];
        options.compareB = positional[1];
        return true;
    }
    if (positional.size() != 2) {
        error = "expected MIDI-FILE OUT.wav (see --help)";
        return false;
    }
    options.midiFile = positional[0];
    options.outFile = positional[1];
    return true;
}

std::string UsageText() {
    return "Usage: vorlunda2-render [options] MIDI-FILE OUT.wav\n"
           "       vorlunda2-render --preview-bank DIR [--fxb FILE | --factory] [options]\n"
           "       vorlunda2-render --compare A.wav B.wav\n"
           "\n"
           "Plays a Standard MIDI File (format 0 or 1) through a VST 2.4 instrument and writes\n"
           "a 32-bit float WAV file.\n"
           "\n"
           "  --plugin PATH     instrument library (default: the Vorlunda2 library of this build)\n"
           "  --fxp FILE        load an FXP program first\n"
           "  --fxb FILE        load an FXB bank first\n"
           "  --program N       select program N (0-based) first\n"
           "  --rate HZ         sample rate (default 48000)\n"
           "  --block N         samples per block (default 512)\n"
           "  --tail SECONDS    rendered after the last MIDI event (default 2)\n"
           "  --offline         tell the plug-in it renders offline\n"
           "  --require-sound   fail when the output is silent or not finite\n"
           "  --quiet           no progress lines\n"
           "  --preview-bank DIR  one WAV per program: C major chord held 2 s, released 2 s\n"
           "  --compare A B     peak difference of two WAV files; fails above -100 dBFS\n";
}

} // namespace vorlunda::render
