#include "editor/CommandExecutor.h"

#include "editor/CommandFolders.h"
#include "editor/EditorCommands.h"
#include "editor/UpdateCheck.h"
#include "engine/Vorlunda2.h"
#include "graphics/IGraphics.h"

#include <exception>

namespace vorlunda {

namespace {

constexpr const char* kErrorCaption = "Error";
constexpr const char* kCannotLoad = "Cannot load file!";
constexpr const char* kCannotSave = "Cannot save file!";

// The longest prefix of `text` of at most `bytes` bytes that does not end inside a UTF-8
// character.
std::string_view CutUtf8(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

bool IsFileCommand(int command) {
    return command >= kCommandLoadProgram && command <= kCommandSaveBank;
}

} // namespace

std::string CommandExecutor::ProgramFileName(std::string_view programName) {
    std::string name(CutUtf8(programName.substr(0, programName.find('\0')),
                             static_cast<std::size_t>(kMaxProgramFileName)));
    for (char& c : name) {
        const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        if (control || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            c = '_';
    }
    return name;
}

std::string CommandExecutor::FormatMessage(const char* format, std::string_view text) {
    std::string message(format);
    const std::size_t at = message.find("%s");
    if (at != std::string::npos)
        message.replace(at, 2, text);
    return std::string(CutUtf8(message, static_cast<std::size_t>(kMaxMessage - 1)));
}

bool CommandExecutor::Confirm(const std::string& text, const char* caption) {
    return editor.ShowMessage(text.c_str(), caption, kMessageYesNo) == kAnswerYes;
}

void CommandExecutor::ShowError(const char* text) {
    editor.ShowMessage(text, kErrorCaption, kMessageOk);
}

void CommandExecutor::Run(int command) {
    // Runs under the host's window procedure: nothing may escape, not even running out of memory
    // while a text or a file image is built (the command then simply ends).
    try {
        RunCommand(command);
    } catch (const std::exception&) {
    }
}

void CommandExecutor::RunCommand(int command) {
    // The process-wide folders come into being with the first command (the link needs none).
    if (command != kCommandVisitMaker)
        CommandFolders::Prepare(plug);
    if (IsFileCommand(command)) {
        LoadOrSaveFile(command);
        return;
    }
    switch (command) {
    case kCommandCopyProgram:
        plug.CopyProgram();
        break;
    case kCommandPasteProgram:
        if (Confirm("Do you really want to overwrite the current program?", "Paste Program"))
            plug.PasteProgram();
        break;
    case kCommandInitProgram:
        if (Confirm("Do you really want to initialize the current program?", "Initialize Program"))
            plug.InitProgram();
        break;
    case kCommandSelectStartupBank:
        SelectStartupBank();
        break;
    case kCommandLoadStartupBank:
        LoadStartupBank();
        break;
    case kCommandUnselectStartupBank:
        UnselectStartupBank();
        break;
    case kCommandDefaultPath:
        ChooseDefaultProgramPath();
        break;
    case kCommandReloadConfiguration:
        ReloadConfiguration();
        break;
    case kCommandSaveConfiguration:
        SaveConfiguration();
        break;
    case kCommandFactoryBank1:
        RestoreFactoryBank(1);
        break;
    case kCommandFactoryBank2:
        RestoreFactoryBank(2);
        break;
    case kCommandMidiThru:
        ToggleMidiThru();
        break;
    case kCommandIgnoreProgramChange:
        ToggleIgnoreProgramChange();
        break;
    case kCommandCheckForUpdate:
        UpdateCheck::Run(plug, editor);
        break;
    case kCommandVisitMaker:
        editor.OpenLink(UpdateCheck::HomePageAddress(plug).c_str(), nullptr, nullptr, nullptr);
        break;
    default:
        break;
    }
}

void CommandExecutor::LoadOrSaveFile(int command) {
    const bool program = command == kCommandLoadProgram || command == kCommandSaveProgram;
    const bool save = command == kCommandSaveProgram || command == kCommandSaveBank;
    std::string file;
    if (command == kCommandSaveProgram)
        file = ProgramFileName(plug.PresetName(plug.CurrentProgram()));
    else if (command == kCommandSaveBank)
        file = "Vorlunda2";
    std::string folder = CommandFolders::LastProgramFolder();
    editor.ChooseFile(file, save ? kFileSave : kFileOpen, folder, program ? "fxp" : "fxb");
    if (file.empty())
        return; // cancelled: nothing changes

    bool ok = false;
    if (save) {
        {
            // The current slot takes the sound as it is now; a program change arriving from MIDI
            // on the audio thread must not meet a half-written slot.
            IPluginBase::Lock lock(plug.Mutex());
            plug.ModifyCurrentPreset();
        }
        ok = program ? plug.WriteProgramFile(file.c_str()) : plug.WriteBankFile(file.c_str());
    } else {
        ok = program ? plug.LoadProgramFile(file.c_str()) : plug.LoadBankFile(file.c_str());
    }
    // The folder follows the chosen file whether the operation worked or not.
    CommandFolders::SetLastProgramFolder(CommandFolders::FolderOf(file));
    if (!ok)
        ShowError(save ? kCannotSave : kCannotLoad);
}

void CommandExecutor::SelectStartupBank() {
    std::string file;
    std::string folder = CommandFolders::LastStartupBankFolder();
    editor.ChooseFile(file, kFileOpen, folder, "fxb");
    if (file.empty())
        return;
    // Not loaded now: a bank that is not valid shows only when it is loaded.
    plug.SelectStartupBank(file);
    CommandFolders::SetLastStartupBankFolder(CommandFolders::FolderOf(file));
}

void CommandExecutor::LoadStartupBank() {
    const std::string path = plug.StartupBankPath();
    if (path.empty())
        return; // the entry is greyed then
    if (!Confirm(FormatMessage("The Startup Bank is:\n%s\n\nDo you really want to reload all "
                               "programs?",
                               path),
                 "Load Startup Bank"))
        return;
    if (!plug.ReadBankFile(path.c_str()))
        ShowError(kCannotLoad);
}

void CommandExecutor::UnselectStartupBank() {
    const std::string path = plug.StartupBankPath();
    if (path.empty())
        return; // the entry is greyed then
    if (Confirm(
            FormatMessage("The Startup Bank is:\n%s\n\nDo you really want to unselect it?", path),
            "Unselect Startup Bank"))
        plug.UnselectStartupBank();
}

void CommandExecutor::ChooseDefaultProgramPath() {
    // A save dialog used to pick a folder: a blank extension list gives a filter without a real
    // extension, and the proposed name only has to be there; no file is written.
    std::string file = "[file name is ignored]";
    std::string folder = CommandFolders::LastProgramFolder();
    if (folder.empty())
        folder = plug.DocumentsPath();
    editor.ChooseFile(file, kFileSave, folder, " ");
    if (file.empty())
        return;
    CommandFolders::SetLastProgramFolder(CommandFolders::FolderOf(file));
    plug.WriteProgramFilesPath(CommandFolders::LastProgramFolder());
}

void CommandExecutor::ReloadConfiguration() {
    if (!Confirm(FormatMessage("The INI configuration file is:\n%s\n\nDo you really want to "
                               "reload it?",
                               plug.IniPath()),
                 "Reload Configuration"))
        return;
    if (!plug.ReadConfiguration())
        editor.ShowMessage("The INI file does not exist.", "Problem with INI File", kMessageOk);
}

void CommandExecutor::SaveConfiguration() {
    if (Confirm(FormatMessage("The INI configuration file is:\n%s\n\nDo you really want to "
                              "overwrite it?",
                              plug.IniPath()),
                "Save Configuration"))
        plug.WriteConfiguration(Synth::ConfigurationPart::Everything);
}

void CommandExecutor::RestoreFactoryBank(int version) {
    const char* text =
        version == 1 ? "Do you really want to restore the original Vorlunda Version 1 factory "
                       "bank? All existing programs will be overwritten!"
                     : "Do you really want to restore the Vorlunda Version 2 factory bank? "
                       "All existing programs will be overwritten!";
    const char* caption =
        version == 1 ? "Restore Version 1 Factory Bank" : "Restore Version 2 Factory Bank";
    if (Confirm(text, caption))
        plug.LoadFactoryBank(version);
}

void CommandExecutor::ToggleMidiThru() {
    plug.midiThru = !plug.midiThru;
    plug.WriteConfiguration(Synth::ConfigurationPart::MidiThru);
}

void CommandExecutor::ToggleIgnoreProgramChange() {
    plug.ignoreProgramChange = !plug.ignoreProgramChange;
    plug.WriteConfiguration(Synth::ConfigurationPart::IgnoreProgramChange);
}

} // namespace vorlunda
