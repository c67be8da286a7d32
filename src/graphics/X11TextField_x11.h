#pragma once

#include "graphics/EditorWindow.h"
#include "graphics/RasterSysBitmap.h"
#include "graphics/WidgetText.h"

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace vorlunda {

class X11Connection;
class X11Presenter;

// A single-line text field drawn by the editor in a child window of its own: the value-entry
// field over a control, and the path field of the editor's own file prompt. Keys arrive while it
// has the keyboard focus; it reports what the caller must act on. Used under the editor lock.
class X11TextField {
public:
    enum class KeyResult { kNone, kEnter, kEscape };

    // A field at `rect` (in `parent`'s coordinates) of (width + 1) x (height + 1) pixels with
    // `text` selected. Valid() is false when the window could not be made.
    X11TextField(X11Connection& connection, ::Window parent, const ScreenRect& rect,
                 const TextStyle& style, const std::string& text, int maxLength,
                 TextEntryChars chars, bool allowSharedMemory);
    ~X11TextField();
    X11TextField(const X11TextField&) = delete;
    X11TextField& operator=(const X11TextField&) = delete;

    bool Valid() const { return window != 0; }
    ::Window Window() const { return window; }
    const std::string& Text() const { return text; }

    void TakeFocus();
    // Events for this window: keys edit the text; a press places the cursor; exposure redraws.
    KeyResult HandleKey(XKeyEvent& event);
    void HandleButton(const XButtonEvent& event);
    void Redraw();
    // Inserts `typed` at the cursor (replacing the selection), keeping only what the field takes.
    void Insert(const std::string& typed);

private:
    int TextLeft() const;
    int OffsetOf(std::size_t position) const;
    void DeleteSelection();

    X11Connection& connection;
    ::Window window = 0;
    std::unique_ptr<X11Presenter> presenter;
    RasterSysBitmap bitmap;
    WidgetFont font;
    RasterPixel background;
    RasterPixel foreground;
    int align;
    std::string text;
    std::size_t maxLength;
    TextEntryChars chars;
    std::size_t cursor = 0;
    std::size_t anchor = 0; // the selection runs from anchor to cursor
    bool focused = false;
};

} // namespace vorlunda
