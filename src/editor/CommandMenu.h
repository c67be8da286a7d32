#pragma once

#include "graphics/PopupMenu.h"

namespace vorlunda {

class IGraphics;
class Synth;
class Vorlunda2;

// The editor's command menu: every program, bank and configuration command of the instrument.
// It is built afresh from the instance's current state each time it opens, so its greyed and
// checked entries always tell the truth: "Paste Program" is greyed while nothing was copied,
// "Load Startup Bank" and "Unselect Startup Bank" while no startup bank is recorded, and the two
// MIDI switches are checked while on.
class CommandMenu {
public:
    explicit CommandMenu(const Synth& synth);
    // The choice is told apart by the address of the menu that holds it.
    CommandMenu(const CommandMenu&) = delete;
    CommandMenu& operator=(const CommandMenu&) = delete;

    PopupMenu& Menu() { return menu; }
    const PopupMenu& Menu() const { return menu; }
    // The command number of the choice that ShowPopupMenu reported by handing back `holder`
    // (the main menu or one of its submenus, its ChosenIndex set); -1 for none, a separator, a
    // submenu title or a greyed entry.
    int CommandOf(const PopupMenu* holder) const;

private:
    PopupMenu menu;
    const PopupMenu* restoreBank = nullptr;
    const PopupMenu* midiSettings = nullptr;
    const PopupMenu* goOnline = nullptr;
};

// What the command-menu button does when pressed at (x, y) in editor pixels: shows the menu with
// its top left at the press point and runs the chosen command (the maker's home page opens
// without asking). A dismissed menu changes nothing. Editor thread.
void OpenCommandMenu(Vorlunda2& plug, IGraphics& editor, int x, int y);

} // namespace vorlunda
