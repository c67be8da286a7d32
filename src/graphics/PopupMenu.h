#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vorlunda {

class PopupMenu;

// One entry of a popup menu: its text, its flags and, for a cascading entry, the submenu it opens.
struct PopupMenuItem {
    enum Flags : int {
        kGreyed = 0x1,
        kDisabled = 0x2,
        kChecked = 0x4,
        kSeparator = 0x8,
    };

    std::string text;
    int flags = 0;
    std::unique_ptr<PopupMenu> submenu;

    bool IsSeparator() const { return (flags & kSeparator) != 0; }
    bool IsChecked() const { return (flags & kChecked) != 0; }
    // Greyed and disabled entries cannot be chosen.
    bool IsSelectable() const { return (flags & (kGreyed | kDisabled | kSeparator)) == 0; }
};

// The description of a popup menu handed to IGraphics::ShowPopupMenu: an ordered list of items,
// a numbering style for their texts, and, after the menu was shown, the index of the chosen item
// in the (sub)menu that holds it.
//
// Window layers number the items depth first: each menu reserves a block of command numbers for
// its own items, starting at the next free number, before its submenus reserve theirs
// (AssignCommands). The layer hands the chosen number back to the core, which finds the menu
// that holds it (Choose).
class PopupMenu {
public:
    enum Numbering : int {
        kNoNumbers = 0,
        kOneDigit = 1,    // "%1d: %s"
        kTwoDigits = 2,   // "%02d: %s"
        kThreeDigits = 3, // "%03d: %s"
    };

    PopupMenu() = default;
    explicit PopupMenu(int numbering) : numbering(numbering) {}

    PopupMenuItem& AddItem(const std::string& text, int flags = 0);
    void AddSeparator();
    // Adds a cascading entry and answers its (empty) submenu.
    PopupMenu& AddSubmenu(const std::string& text, int flags = 0);

    int ItemCount() const { return static_cast<int>(items.size()); }
    // None for an index out of range.
    const PopupMenuItem* Item(int index) const;
    PopupMenuItem* Item(int index);
    // The text shown for item `index`: its text, prefixed by its 1-based position in this menu
    // when the menu numbers its items ("05: Bass" in style 2).
    std::string ItemLabel(int index) const;

    int Numbering() const { return numbering; }
    void SetNumbering(int style) { numbering = style; }

    // The index of the chosen item in this menu; -1 when the choice is not in this menu.
    int ChosenIndex() const { return chosen; }
    void SetChosenIndex(int index) { chosen = index; }
    // Forgets the choice here and in every submenu.
    void ClearChoice();

    // Numbers this menu and its submenus depth first from `first`; answers the next free number.
    int AssignCommands(int first);
    // The command number of item `index` after AssignCommands.
    int CommandOf(int index) const { return firstCommand + index; }
    // Finds the menu whose block holds `command`, stores the item's index there as its choice and
    // answers that menu; none when no menu holds the number.
    PopupMenu* Choose(int command);

private:
    std::vector<PopupMenuItem> items;
    int numbering = kNoNumbers;
    int chosen = -1;
    int firstCommand = 0;
};

} // namespace vorlunda
