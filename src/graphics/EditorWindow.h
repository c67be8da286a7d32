#pragma once

#include "graphics/ColourARGB.h"
#include "graphics/EditorEvent.h"
#include "graphics/ScreenRect.h"
#include "graphics/TextStyle.h"

#include <string>

namespace vorlunda {

class PopupMenu;
class RasterBitmap;

// What a window layer may call on the graphics core (IGraphics implements it). Every call comes
// on the thread that owns the editor window.
class EditorWindowClient {
public:
    virtual ~EditorWindowClient() = default;

    // The one road for events into the core. Answers true when the core consumed the event; false
    // asks the window layer for the system's default handling (a key nobody took goes on to the
    // host's window; while a text field is being edited, everything but presses is left to the
    // system, paint requests included).
    virtual bool Dispatch(const EditorEvent& event) = 0;
    // The drawing surface the layer copies to the screen in ShowRegion; none before it exists.
    virtual const RasterBitmap* Surface() const = 0;
};

// Which characters the text-entry field lets through (backspace and editing keys always pass).
enum class TextEntryChars : int {
    kAny,     // no parameter: any text
    kInteger, // "+", "-" and "0".."9" (boolean, integer and enumerated parameters)
    kDecimal, // the same and "." (continuous parameters)
};

// Whether the field takes a typed character under `chars`.
constexpr bool TextEntryAccepts(TextEntryChars chars, char32_t c) {
    if (chars == TextEntryChars::kAny)
        return true;
    if ((c >= U'0' && c <= U'9') || c == U'+' || c == U'-')
        return true;
    return chars == TextEntryChars::kDecimal && c == U'.';
}

// A single-line field for typing a value, opened over `rect` (its size is (width + 1) x
// (height + 1) pixels) with `text` selected and the keyboard focus.
struct TextFieldRequest {
    ScreenRect rect;
    const TextStyle* style = nullptr; // face, size, bold/italic, alignment and entry colours
    const char* text = "";
    int maxLength = 7; // characters
    TextEntryChars chars = TextEntryChars::kAny;
};

// Standard folders, each answered with a trailing separator where the system gives one.
enum class EditorFolder : int { kHost, kPlugin, kDesktop, kUserAppData, kSystemAppData };

// Message-box button sets and answers; the numbers are those of the Windows message box.
enum MessageBoxType : int { kMessageOk = 0, kMessageOkCancel = 1, kMessageYesNo = 4 };
enum MessageBoxAnswer : int {
    kAnswerNone = 0,
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerYes = 6,
    kAnswerNo = 7
};

// File-dialog actions.
enum FileAction : int { kFileOpen = 0, kFileSave = 1 };

// The platform boundary: everything the graphics core needs from a window system. The Windows
// layer (a child window with a GDI surface) and the X11 layer implement it; tests use a headless
// stand-in. The layer owns no editor state beyond its window: it turns system messages into
// EditorEvents for EditorWindowClient::Dispatch and does what the core asks below. All calls come
// on the thread that owns the window; none may call back into the core except where stated.
class EditorWindow {
public:
    virtual ~EditorWindow() = default;

    // "Windows GDI", "X11", ...
    virtual const char* ApiName() const = 0;

    // --- The window ---
    // Creates the editor window of width x height inside the host's `parent` window (a window
    // already open is closed and its place reused), starts a timer that dispatches kTimer every
    // 1000 / fps milliseconds, takes the keyboard focus and answers the system's window handle;
    // none on failure. Events go to `client` from then on.
    virtual void* Open(EditorWindowClient& client, void* parent, int width, int height,
                       int fps) = 0;
    // Destroys the window (and a text field in it). Nothing when none is open.
    virtual void Close() = 0;
    virtual void* Handle() const = 0;
    // Grows or shrinks the open window (and the host's child windows around it) to the size.
    virtual void Resize(int width, int height) = 0;

    // --- Painting ---
    // Adds `area` to the part of the window to redraw (nothing is erased).
    virtual void Invalidate(const ScreenRect& area) = 0;
    // Removes `area` from the part to redraw.
    virtual void Validate(const ScreenRect& area) = 0;
    // Redraws the invalid part now: dispatches kPaint with its bounding rectangle (if any) before
    // returning.
    virtual void PaintNow() = 0;
    // Copies `area` of `surface` to the same place in the window. Called by the core while it
    // handles kPaint.
    virtual void ShowRegion(const RasterBitmap& surface, const ScreenRect& area) = 0;

    // --- Input ---
    virtual void TakeFocus() = 0;
    // Keeps mouse events coming to this window while a button is held, also outside it.
    virtual void CaptureMouse() = 0;
    virtual void ReleaseMouse() = 0;
    // Hides the pointer remembering where it is; RestorePointer puts it back there and shows it.
    virtual void HidePointer() = 0;
    virtual void RestorePointer() = 0;

    // --- Text entry ---
    // Opens the field (false when it cannot). Its first focus is not reported; afterwards focus
    // changes, Enter, Escape and the system's finish command arrive as kField... events.
    virtual bool OpenTextField(const TextFieldRequest& request) = 0;
    // The field's current text (at most `maxLength` characters); "" without a field.
    virtual std::string TextFieldText() const = 0;
    virtual void CloseTextField() = 0;

    // --- Modal user interface; each returns when the user is done ---
    // Shows `menu` (already numbered by PopupMenu::AssignCommands) with its top left at
    // (rect.left, rect.bottom) and answers the chosen item's command number, or 0.
    virtual int TrackPopupMenu(const PopupMenu& menu, const ScreenRect& rect) = 0;
    // A message box with the MessageBoxType's buttons; answers the MessageBoxAnswer.
    virtual int ShowMessage(const char* text, const char* caption, int type) = 0;
    // Open or save dialog (FileAction) starting at `file` in `folder` (the desktop when empty),
    // for the space-separated extensions (without dots; the first is the default). On success
    // file = the chosen path and folder = its folder; on cancel file becomes "".
    virtual bool ChooseFile(std::string& file, int action, std::string& folder,
                            const char* extensions) = 0;
    // The system colour chooser starting at `colour`; on OK stores red, green and blue (alpha
    // unchanged) and answers true.
    virtual bool ChooseColour(ColourARGB& colour, const char* prompt) = 0;
    // Opens `url` in the user's browser; false when there is no connection or it fails.
    virtual bool OpenLink(const char* url) = 0;
    // Text on the clipboard as UTF-8; false and "" when there is none.
    virtual bool ClipboardText(std::string& out) = 0;
    // A standard folder; "" when the system has none.
    virtual std::string Folder(EditorFolder which) = 0;
};

} // namespace vorlunda
