#pragma once

#include <string>

namespace vorlunda {

class IGraphics;
class Synth;

// Numbers of the command menu's entries: the main menu's positions 0..19, then the entries of its
// three submenus from their offsets.
enum EditorCommand : int {
    kCommandCopyProgram = 0,
    kCommandPasteProgram = 1,
    kCommandInitProgram = 2,
    kCommandLoadProgram = 4,
    kCommandSaveProgram = 5,
    kCommandLoadBank = 6,
    kCommandSaveBank = 7,
    kCommandFactoryBankMenu = 8,
    kCommandSelectStartupBank = 10,
    kCommandLoadStartupBank = 11,
    kCommandUnselectStartupBank = 12,
    kCommandDefaultPath = 14,
    kCommandMidiSettingsMenu = 15,
    kCommandReloadConfiguration = 16,
    kCommandSaveConfiguration = 17,
    kCommandOnlineMenu = 19,
    kCommandFactoryBank1 = 20, // "Restore Factory Bank..." submenu
    kCommandFactoryBank2 = 21,
    kCommandMidiThru = 22, // "Global MIDI Settings..." submenu
    kCommandIgnoreProgramChange = 23,
    kCommandCheckForUpdate = 24, // "Go Online..." submenu
    kCommandVisitMaker = 25,
};

// Runs one command of the command menu (every number but kCommandVisitMaker) for `synth` (the
// instrument), with `graphics` for its dialogs and messages: CommandExecutor. Editor thread.
void ExecuteEditorCommand(Synth& synth, IGraphics& graphics, int command);

// The maker's web domain (the text of the "Visit" entry) and home page as an instance's
// configuration gives them ("Online" section of the INI file).
std::string MakerWebDomain(const Synth& synth);
std::string MakerHomePage(const Synth& synth);
// The reserved example names that stand until the product owner's are configured.
const char* MakerWebDomain();
const char* MakerHomePage();

} // namespace vorlunda
