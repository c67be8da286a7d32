#include "graphics/PopupMenu.h"

#include "core/TextFormat.h"

namespace vorlunda {

PopupMenuItem& PopupMenu::AddItem(const std::string& text, int flags) {
    items.push_back(PopupMenuItem{text, flags, nullptr});
    return items.back();
}

void PopupMenu::AddSeparator() {
    items.push_back(PopupMenuItem{"", PopupMenuItem::kSeparator, nullptr});
}

PopupMenu& PopupMenu::AddSubmenu(const std::string& text, int flags) {
    PopupMenuItem& item = AddItem(text, flags);
    item.submenu = std::make_unique<PopupMenu>();
    return *item.submenu;
}

const PopupMenuItem* PopupMenu::Item(int index) const {
    if (index < 0 || index >= ItemCount())
        return nullptr;
    return &items[static_cast<std::size_t>(index)];
}

PopupMenuItem* PopupMenu::Item(int index) {
    if (index < 0 || index >= ItemCount())
        return nullptr;
    return &items[static_cast<std::size_t>(index)];
}

std::string PopupMenu::ItemLabel(int index) const {
    const PopupMenuItem* item = Item(index);
    if (!item)
        return {};
    if (numbering < kOneDigit || numbering > kThreeDigits)
        return item->text;
    // "%1d", "%02d" or "%03d" of the 1-based position: zero-padded to the style's width.
    char digits[16];
    FormatInt(index + 1, digits, sizeof digits);
    std::string label(digits);
    if (static_cast<int>(label.size()) < numbering)
        label.insert(0, static_cast<std::size_t>(numbering) - label.size(), '0');
    return label + ": " + item->text;
}

void PopupMenu::ClearChoice() {
    chosen = -1;
    for (PopupMenuItem& item : items) {
        if (item.submenu)
            item.submenu->ClearChoice();
    }
}

int PopupMenu::AssignCommands(int first) {
    firstCommand = first;
    int next = first + ItemCount();
    for (PopupMenuItem& item : items) {
        if (item.submenu)
            next = item.submenu->AssignCommands(next);
    }
    return next;
}

PopupMenu* PopupMenu::Choose(int command) {
    if (command >= firstCommand && command < firstCommand + ItemCount()) {
        chosen = command - firstCommand;
        return this;
    }
    for (PopupMenuItem& item : items) {
        if (item.submenu) {
            if (PopupMenu* holder = item.submenu->Choose(command))
                return holder;
        }
    }
    return nullptr;
}

} // namespace vorlunda
