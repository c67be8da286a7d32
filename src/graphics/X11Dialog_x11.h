#pragma once

#include "graphics/RasterSysBitmap.h"
#include "graphics/WidgetText.h"

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

namespace vorlunda {

class X11Connection;
class X11ModalOwner;
class X11Presenter;
class X11TextField;

// The editor's own dialogs: message boxes with their button sets, and a one-field prompt (the
// file prompt used when no desktop dialog program is installed). A dialog is a top-level window
// transient for the host's window, centred over the editor, titled with the caption, with the
// keyboard focus. Keys: Tab and the arrows move between buttons, Enter or space presses the
// focused one, a button's first letter presses it, Escape answers Cancel (OK in an OK box, nothing
// in a Yes/No box, as the system message box does). Used under the editor lock.
class X11Dialog {
public:
    X11Dialog(X11Connection& connection, X11ModalOwner& owner, ::Window editor,
              bool allowSharedMemory);
    ~X11Dialog();
    X11Dialog(const X11Dialog&) = delete;
    X11Dialog& operator=(const X11Dialog&) = delete;

    // A MessageBoxType box; answers the MessageBoxAnswer (kAnswerNone when it was aborted).
    int Message(const std::string& text, const std::string& caption, int type);
    // `text` above a field holding `value`, OK and Cancel; true with the field's text on OK.
    bool Prompt(const std::string& text, const std::string& caption, std::string& value);

private:
    struct Button {
        std::string label;
        int answer = 0;
        int x = 0;
        int y = 0;
    };

    int Run(const std::string& text, const std::string& caption, std::vector<Button> buttons,
            int escapeAnswer, std::string* fieldValue);
    void Layout(const std::string& text, bool withField);
    void Create(const std::string& caption);
    void Draw();
    int ButtonAt(int x, int y) const;
    int KeyAnswer(XKeyEvent& event, bool fieldFocused, int escapeAnswer);

    X11Connection& connection;
    X11ModalOwner& owner;
    ::Window editor;
    bool allowSharedMemory;
    WidgetFont font;
    ::Window window = 0;
    RasterSysBitmap bitmap;
    std::unique_ptr<X11Presenter> presenter;
    std::unique_ptr<X11TextField> field;
    std::vector<std::string> lines;
    std::vector<Button> buttons;
    int focused = 0;
    int pressed = -1;
    int width = 0;
    int height = 0;
    int fieldTop = 0;
};

} // namespace vorlunda
