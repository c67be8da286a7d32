#pragma once

namespace vorlunda {

class PopupMenu;
class Synth;

// The command menu: built afresh for every opening, so its greyed and checked entries follow the
// current state ("Paste Program" greyed while nothing was copied, the startup-bank entries while
// no startup bank is recorded, the MIDI settings checked while on).
void BuildCommandMenu(const Synth& synth, PopupMenu& menu);

// The command number of the entry chosen in `menu` (built by BuildCommandMenu), whose choice
// ShowPopupMenu left in `holder`: main-menu entries by position, submenu entries by position plus
// their submenu's offset. -1 when nothing was chosen.
int CommandOfChoice(const PopupMenu& menu, const PopupMenu* holder);

} // namespace vorlunda
