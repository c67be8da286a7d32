#pragma once

#include "graphics/MouseModifiers.h"
#include "graphics/ScreenRect.h"

namespace vorlunda {

// Everything a window layer tells the graphics core, through its one dispatch point
// (IGraphics::Dispatch). Coordinates are editor pixels relative to the editor window's top left;
// they may lie outside the editor while the mouse is captured.
struct EditorEvent {
    enum Type : int {
        kMouseDown,   // a button pressed (left, right or middle)
        kMouseUp,     // a button released
        kMouseDrag,   // the pointer moved with the left or right button held
        kDoubleClick, // a left double click (after its first press and release)
        kWheel,       // `notches` whole wheel steps, positive away from the user
        kKeyDown,     // `key` pressed with the pointer at (x, y)
        kTimer,       // the redraw timer (every 1000 / fps milliseconds)
        kPaint,       // the system asks for `rect` to be drawn and shown
        kCaptureLost, // the system took the mouse capture away
        // The text-entry field opened by EditorWindow::OpenTextField:
        kFieldFocusGained, // it gained the keyboard focus again
        kFieldFocusLost,   // it lost the keyboard focus
        kFieldEnter,       // Enter was pressed in it
        kFieldEscape,      // Escape was pressed in it
        kFieldCommit,      // the system asked it to finish (a command of its own)
    };

    Type type = kTimer;
    int x = 0;
    int y = 0;
    MouseModifiers mods;
    int notches = 0;
    KeyCode key = kKeySpace;
    ScreenRect rect;

    static EditorEvent Mouse(Type type, int x, int y, const MouseModifiers& mods) {
        EditorEvent e;
        e.type = type;
        e.x = x;
        e.y = y;
        e.mods = mods;
        return e;
    }
    static EditorEvent Wheel(int x, int y, const MouseModifiers& mods, int notches) {
        EditorEvent e = Mouse(kWheel, x, y, mods);
        e.notches = notches;
        return e;
    }
    static EditorEvent Key(int x, int y, KeyCode key) {
        EditorEvent e;
        e.type = kKeyDown;
        e.x = x;
        e.y = y;
        e.key = key;
        return e;
    }
    static EditorEvent Paint(const ScreenRect& rect) {
        EditorEvent e;
        e.type = kPaint;
        e.rect = rect;
        return e;
    }
    static EditorEvent Simple(Type type) {
        EditorEvent e;
        e.type = type;
        return e;
    }
};

} // namespace vorlunda
