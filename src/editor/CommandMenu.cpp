#include "editor/CommandMenu.h"

#include "editor/CommandExecutor.h"
#include "editor/EditorCommand.h"
#include "engine/Vorlunda2.h"
#include "graphics/IGraphics.h"

namespace vorlunda {

namespace {

int GreyedUnless(bool enabled) {
    return enabled ? 0 : PopupMenuItem::kGreyed;
}

int CheckedIf(bool on) {
    return on ? PopupMenuItem::kChecked : 0;
}

} // namespace

CommandMenu::CommandMenu(const Synth& synth) {
    const bool startupBank = !synth.StartupBankPath().empty();
    menu.AddItem("Copy Program");
    menu.AddItem("Paste Program", GreyedUnless(synth.HasCopiedProgram()));
    menu.AddItem("Init Program");
    menu.AddSeparator();
    menu.AddItem("Load Program");
    menu.AddItem("Save Program");
    menu.AddItem("Load Bank");
    menu.AddItem("Save Bank");
    PopupMenu& restore = menu.AddSubmenu("Restore Factory Bank...");
    restore.AddItem("Vorlunda Version 1");
    restore.AddItem("Vorlunda Version 2");
    menu.AddSeparator();
    menu.AddItem("Select Startup Bank");
    menu.AddItem("Load Startup Bank", GreyedUnless(startupBank));
    menu.AddItem("Unselect Startup Bank", GreyedUnless(startupBank));
    menu.AddSeparator();
    menu.AddItem("Default Path for Program Files...");
    PopupMenu& midi = menu.AddSubmenu("Global MIDI Settings...");
    midi.AddItem("MIDI Thru", CheckedIf(synth.midiThru));
    midi.AddItem("Ignore Program Change", CheckedIf(synth.ignoreProgramChange));
    menu.AddItem("Reload Configuration");
    menu.AddItem("Save Configuration");
    menu.AddSeparator();
    PopupMenu& online = menu.AddSubmenu("Go Online...");
    online.AddItem("Check Online for Update");
    online.AddItem("Visit " + synth.MakerWebDomain());
    restoreBank = &restore;
    midiSettings = &midi;
    goOnline = &online;
}

int CommandMenu::CommandOf(const PopupMenu* holder) const {
    if (!holder)
        return -1;
    const int index = holder->ChosenIndex();
    const PopupMenuItem* item = holder->Item(index);
    // A window layer or script that reports a greyed entry or a submenu title runs nothing.
    if (!item || !item->IsSelectable() || item->submenu)
        return -1;
    if (holder == &menu)
        return index;
    if (holder == restoreBank)
        return kRestoreFactoryBankBase + index;
    if (holder == midiSettings)
        return kGlobalMidiSettingsBase + index;
    if (holder == goOnline)
        return kGoOnlineBase + index;
    return -1;
}

void OpenCommandMenu(Vorlunda2& plug, IGraphics& editor, int x, int y) {
    CommandMenu commands(plug);
    const PopupMenu* holder = editor.ShowPopupMenu(commands.Menu(), ScreenRect{x, y, x, y});
    const int command = commands.CommandOf(holder);
    if (command < 0)
        return;
    CommandExecutor(plug, editor).Run(command);
}

} // namespace vorlunda
