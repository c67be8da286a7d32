#pragma once

namespace vorlunda {

// The numbers of the command menu's entries: the main menu's entries by position (separators
// and submenu entries included), the submenus' entries by position plus their offset.
enum EditorCommand : int {
    kCommandCopyProgram = 0,
    kCommandPasteProgram = 1,
    kCommandInitProgram = 2,
    kCommandLoadProgram = 4,
    kCommandSaveProgram = 5,
    kCommandLoadBank = 6,
    kCommandSaveBank = 7,
    kCommandRestoreFactoryBank = 8, // opens a submenu
    kCommandSelectStartupBank = 10,
    kCommandLoadStartupBank = 11,
    kCommandUnselectStartupBank = 12,
    kCommandDefaultProgramPath = 14,
    kCommandGlobalMidiSettings = 15, // opens a submenu
    kCommandReloadConfiguration = 16,
    kCommandSaveConfiguration = 17,
    kCommandGoOnline = 19, // opens a submenu
    kCommandRestoreVersion1 = 20,
    kCommandRestoreVersion2 = 21,
    kCommandMidiThru = 22,
    kCommandIgnoreProgramChange = 23,
    kCommandCheckForUpdate = 24,
    kCommandVisitWebSite = 25,
};

// First command number of each submenu.
constexpr int kRestoreFactoryBankBase = 20;
constexpr int kGlobalMidiSettingsBase = 22;
constexpr int kGoOnlineBase = 24;

} // namespace vorlunda
