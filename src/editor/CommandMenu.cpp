#include "editor/CommandMenu.h"

#include "editor/EditorCommands.h"
#include "graphics/PopupMenu.h"
#include "synth/Synth.h"

#include <string>

namespace vorlunda {

namespace {

int GreyedUnless(bool condition) {
    return condition ? 0 : PopupMenuItem::kGreyed;
}

int CheckedIf(bool condition) {
    return condition ? PopupMenuItem::kChecked : 0;
}

} // namespace

void BuildCommandMenu(const Synth& synth, PopupMenu& menu) {
    const bool startupBank = !synth.StartupBankPath().empty();
    menu.AddItem("Copy Program");
    menu.AddItem("Paste Program", GreyedUnless(synth.HasProgramCopy()));
    menu.AddItem("Init Program");
    menu.AddSeparator();
    menu.AddItem("Load Program");
    menu.AddItem("Save Program");
    menu.AddItem("Load Bank");
    menu.AddItem("Save Bank");
    PopupMenu& factory = menu.AddSubmenu("Restore Factory Bank...");
    factory.AddItem("Vorlunda Version 1");
    factory.AddItem("Vorlunda Version 2");
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
}

int CommandOfChoice(const PopupMenu& menu, const PopupMenu* holder) {
    if (!holder || holder->ChosenIndex() < 0)
        return -1;
    // A layer (or a script) that reports a greyed entry, a separator or a submenu title runs
    // nothing.
    const PopupMenuItem* chosen = holder->Item(holder->ChosenIndex());
    if (!chosen || !chosen->IsSelectable() || chosen->submenu)
        return -1;
    if (holder == &menu)
        return holder->ChosenIndex();
    struct Offset {
        int item;
        int first;
    };
    constexpr Offset kSubmenus[] = {{kCommandFactoryBankMenu, kCommandFactoryBank1},
                                    {kCommandMidiSettingsMenu, kCommandMidiThru},
                                    {kCommandOnlineMenu, kCommandCheckForUpdate}};
    for (const Offset& s : kSubmenus) {
        const PopupMenuItem* item = menu.Item(s.item);
        if (item && item->submenu.get() == holder)
            return s.first + holder->ChosenIndex();
    }
    return -1;
}

} // namespace vorlunda
