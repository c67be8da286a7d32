#pragma once

#include "graphics/RasterSysBitmap.h"
#include "graphics/WidgetText.h"

#include <X11/Xlib.h>

#include <memory>
#include <vector>

namespace vorlunda {

class PopupMenu;
class X11Connection;
class X11ModalOwner;
class X11Presenter;

// A popup menu drawn by the editor in override-redirect windows (one per open level): item texts
// with their numbering, checked, greyed and disabled items, separators and cascading submenus.
// The pointer and keyboard are grabbed while it is up. The mouse chooses an item on release over
// it and cancels by a press outside every level; the keys: up and down move, right or Enter opens
// a submenu, left or Escape closes one, Enter or space chooses, Escape on the first level cancels.
// Used under the editor lock.
class X11PopupMenu {
public:
    X11PopupMenu(X11Connection& connection, X11ModalOwner& owner, bool allowSharedMemory);
    ~X11PopupMenu();
    X11PopupMenu(const X11PopupMenu&) = delete;
    X11PopupMenu& operator=(const X11PopupMenu&) = delete;

    // Shows `menu` (numbered with AssignCommands) with its top left at (rootX, rootY) on the
    // screen; answers the chosen item's command number, or 0.
    int Track(const PopupMenu& menu, int rootX, int rootY);

private:
    struct Level;

    void OpenLevel(const PopupMenu& menu, int rootX, int rootY);
    void CloseLevelsAbove(std::size_t count);
    void Draw(Level& level);
    Level* LevelOf(::Window window);
    int ItemAt(const Level& level, int y) const;
    void Highlight(std::size_t levelIndex, int item, bool openSubmenu);
    void Move(int step);
    // Answers the command when `item` of the deepest level is a choosable leaf, else 0 (a
    // submenu opens instead).
    int Activate(std::size_t levelIndex, int item);

    X11Connection& connection;
    X11ModalOwner& owner;
    bool allowSharedMemory;
    WidgetFont font;
    std::vector<std::unique_ptr<Level>> levels;
};

} // namespace vorlunda
