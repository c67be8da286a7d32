#pragma once

#include <string>
#include <string_view>

namespace vorlunda {

class IGraphics;
class Vorlunda2;

// Runs one command of the command menu (EditorCommand) for an instance and its editor, with the
// command's confirmation, file dialog and error message. Editor thread; dialogs and message
// boxes are modal, so commands never overlap within one editor. Program operations take the
// plug-in mutex themselves; nothing here holds it across a dialog.
class CommandExecutor {
public:
    static constexpr int kMaxMessage = 1024;       // characters of a formatted message, with NUL
    static constexpr int kMaxProgramFileName = 63; // characters of the proposed program file name

    CommandExecutor(Vorlunda2& plug, IGraphics& editor) : plug(plug), editor(editor) {}

    // Unknown numbers and the numbers of separators and submenu titles do nothing.
    void Run(int command);

    // The proposed name of a program file: the program's name cut to 63 characters (never inside
    // a UTF-8 character), with each of < > : " / \ | ? * and every control character replaced
    // by "_". The dialog adds the extension.
    static std::string ProgramFileName(std::string_view programName);
    // `format` with its one "%s" replaced by `text`, cut to kMaxMessage - 1 characters (never
    // inside a UTF-8 character).
    static std::string FormatMessage(const char* format, std::string_view text);

private:
    void RunCommand(int command);
    // A yes-no box; only an explicit Yes goes ahead (a box that could not be shown answers no).
    bool Confirm(const std::string& text, const char* caption);
    void ShowError(const char* text);
    void LoadOrSaveFile(int command);
    void SelectStartupBank();
    void LoadStartupBank();
    void UnselectStartupBank();
    void ChooseDefaultProgramPath();
    void ReloadConfiguration();
    void SaveConfiguration();
    void RestoreFactoryBank(int version);
    void ToggleMidiThru();
    void ToggleIgnoreProgramChange();

    Vorlunda2& plug;
    IGraphics& editor;
};

} // namespace vorlunda
