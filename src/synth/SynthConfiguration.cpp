// The per-user configuration file: startup bank, program folder, the global MIDI switches and
// the controller map. Runs on the editor's thread (and at construction) without the plug-in
// mutex: the audio thread reads each flag and map entry as one plain value.
#include "platform/IniDocument.h"
#include "platform/ProfileFile.h"
#include "platform/UserFolders.h"
#include "synth/Synth.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace vorlunda {

namespace {

constexpr const char* kStartupSection = "Startup Bank";
constexpr const char* kGlobalSection = "Global";
constexpr const char* kMidiSection = "MIDI Global";
constexpr const char* kControlSection = "MIDI Control";
constexpr const char* kOnlineSection = "Online"; // ours: the maker's server and web domain
constexpr int kPathCapacity = 259;               // characters, terminator included
constexpr int kValueCapacity = 64;

const char* BoolText(bool b) {
    return b ? "true" : "false";
}

bool ReadFlag(const ProfileFile& file, const char* key, bool current) {
    const std::string text = file.Read(kMidiSection, key, BoolText(current), kValueCapacity);
    return text.empty() ? current : EqualsNoCase(text, "true");
}

// A controller binding as the C library's atoi reads it: leading blanks and a sign, digits
// up to the first non-digit (saturated). `ok` tells whether a number started the text.
int ParseBinding(const std::string& text, bool* ok) {
    std::size_t i = text.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string::npos) {
        *ok = false;
        return 0;
    }
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';
    long long value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        value = std::min(value * 10 + (text[i] - '0'), 2147483648LL);
    *ok = digits > 0;
    value = negative ? -value : value;
    return static_cast<int>(std::clamp(value, -2147483648LL, 2147483647LL));
}

std::string ControllerKey(int controller) {
    char key[16];
    std::snprintf(key, sizeof key, "CC%i", controller);
    return key;
}

std::string IntText(int v) {
    char text[16];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return std::string(text, ec == std::errc() ? end : text);
}

} // namespace

void Synth::SetUpConfiguration() {
    // Output labels the host shows for our two outputs.
    for (int c = 0; c < std::min(OutputChannelCount(), 2); ++c)
        OutputChannelAt(c).label = "Vorlunda2 ";

    const std::string appData = folders::LocalApplicationData();
    // A fresh account may have no configuration base folder yet: without it no file could be
    // created and every setting would be lost silently.
    if (!appData.empty() && !folders::Exists(appData))
        folders::CreatePrivateFolders(appData);
    std::string folder =
        appData.empty() ? std::string() : folders::Join(appData, "TarnKettleMusic");
    if (folder.size() > 1024)
        folder.resize(1024);
    if (!folder.empty() && !folders::Exists(folder))
        folders::CreateFolder(folder);
    iniPath = folder.empty() ? std::string() : folders::Join(folder, "vorlunda2.ini");
    documentsPath = folders::Documents();
    programFilesPath = documentsPath;

    if (iniPath.empty())
        return;
    if (folders::Exists(iniPath)) {
        ReadConfiguration();
    } else if (std::FILE* f = std::fopen(iniPath.c_str(), "wb")) {
        std::fclose(f);
        ReadConfiguration();
    }
}

bool Synth::ReadConfiguration() {
    const ProfileFile file(iniPath);
    startupBankPath.clear();
    std::string bank = file.Read(kStartupSection, "File", "", kPathCapacity);
    if (!bank.empty())
        startupBankPath = bank;
    std::string programs = file.Read(kGlobalSection, "Path to Program Files", "", kPathCapacity);
    if (!programs.empty())
        programFilesPath = programs;
    midiThru = ReadFlag(file, "MIDI Thru", midiThru);
    ignoreProgramChange = ReadFlag(file, "Ignore Program Change", ignoreProgramChange);
    // The maker's names keep their values when the file does not give them.
    if (std::string server = file.Read(kOnlineSection, "Server", "", kValueCapacity);
        !server.empty())
        makerServer = server;
    if (std::string domain = file.Read(kOnlineSection, "Web Domain", "", kValueCapacity);
        !domain.empty())
        makerWebDomain = domain;
    // Only the controllers the file names are read: every read opens and parses the file, and
    // 120 of them made each new instance take 10 ms longer under wine.
    const std::vector<std::string> named = file.Keys(kControlSection);
    for (int c = 0; c < kMappableControllers; ++c) {
        const std::string key = ControllerKey(c);
        const bool present = std::any_of(
            named.begin(), named.end(), [&](const std::string& k) { return EqualsNoCase(k, key); });
        if (!present) {
            controllerMap[static_cast<std::size_t>(c)] = -1; // what a missing key reads as
            continue;
        }
        const std::string text = file.Read(kControlSection, key, "-1", kValueCapacity);
        if (text.empty())
            continue;
        bool ok = false;
        const int value = ParseBinding(text, &ok);
        // atoi semantics: 0 counts only when the text really starts with "0".
        controllerMap[static_cast<std::size_t>(c)] = (value != 0 || text[0] == '0') ? value : -1;
    }
    return !iniPath.empty() && folders::IsRegularFile(iniPath);
}

void Synth::WriteStartupBank() {
    const ProfileFile file(iniPath);
    file.EmptySection(kStartupSection);
    file.Write(kStartupSection, "File", startupBankPath);
}

void Synth::WriteConfiguration(ConfigurationPart part) {
    if (iniPath.empty())
        return;
    const ProfileFile file(iniPath);
    WriteStartupBank();
    if (part == ConfigurationPart::Everything || part == ConfigurationPart::MidiThru)
        file.Write(kMidiSection, "MIDI Thru", BoolText(midiThru));
    if (part == ConfigurationPart::Everything || part == ConfigurationPart::IgnoreProgramChange)
        file.Write(kMidiSection, "Ignore Program Change", BoolText(ignoreProgramChange));
    if (part != ConfigurationPart::Everything)
        return;
    file.EmptySection(kControlSection);
    for (int c = 0; c < kMappableControllers; ++c) {
        const int p = controllerMap[static_cast<std::size_t>(c)];
        if (p >= 0)
            file.Write(kControlSection, ControllerKey(c), IntText(p));
    }
}

bool Synth::SelectStartupBank(const std::string& path) {
    startupBankPath = path;
    WriteStartupBank();
    return true;
}

void Synth::UnselectStartupBank() {
    startupBankPath.clear();
    ProfileFile(iniPath).EmptySection(kStartupSection);
}

void Synth::WriteProgramFilesPath(const std::string& lastProgramFolder) {
    programFilesPath = lastProgramFolder;
    ProfileFile(iniPath).Write(kGlobalSection, "Path to Program Files", programFilesPath);
}

} // namespace vorlunda
