#include "BankPreview.h"

#include "WavWriter.h"

#include <filesystem>

namespace vorlunda::render {

namespace {
constexpr std::uint8_t kChordNotes[] = {48, 52, 55, 60}; // C3 E3 G3 C4
constexpr std::uint8_t kVelocity = 100;
constexpr std::uint8_t kNoteOn = 0x90, kNoteOff = 0x80; // channel 1
} // namespace

BankPreview::BankPreview(PluginHost& host, const RenderSettings& settings)
    : host(host), settings(settings) {
    this->settings.tailSeconds = kReleaseSeconds;
    this->settings.progress = false;
}

std::vector<MidiMessage> BankPreview::Chord() {
    std::vector<MidiMessage> chord;
    for (std::uint8_t note : kChordNotes)
        chord.push_back({0.0, 0, kNoteOn, note, kVelocity});
    for (std::uint8_t note : kChordNotes)
        chord.push_back({kHoldSeconds, 0, kNoteOff, note, 0});
    return chord;
}

std::string BankPreview::FileName(int program, const std::string& name) {
    std::string safe;
    for (char c : name) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (keep)
            safe += c;
        else if (!safe.empty() && safe.back() != '_')
            safe += '_';
    }
    while (!safe.empty() && safe.back() == '_')
        safe.pop_back();
    if (safe.empty())
        safe = "program";
    std::string number = std::to_string(program);
    if (number.size() < 2)
        number.insert(0, 1, '0');
    return number + "-" + safe + ".wav";
}

bool BankPreview::Run(const std::string& directory) {
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        error = "cannot create " + directory + ": " + ec.message();
        return false;
    }
    const std::vector<MidiMessage> chord = Chord();
    const TempoMap tempo;
    Renderer renderer(host, settings);
    for (int program = 0; program < host.Effect()->numPrograms; ++program) {
        host.Suspend();
        host.SelectProgram(program);
        host.Resume();
        const std::string path =
            (std::filesystem::path(directory) / FileName(program, host.ProgramName())).string();
        WavWriter wav;
        if (!wav.Open(path, renderer.Channels(), static_cast<int>(settings.sampleRate))) {
            error = wav.Error();
            return false;
        }
        if (!renderer.Render(chord, tempo, wav) || !wav.Close()) {
            error = wav.Error().empty() ? renderer.Error() : wav.Error();
            return false;
        }
        ++filesWritten;
    }
    return true;
}

} // namespace vorlunda::render
