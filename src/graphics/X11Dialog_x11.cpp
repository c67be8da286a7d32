#include "graphics/X11Dialog_x11.h"

#include "graphics/EditorWindow.h"
#include "graphics/RasterBlit.h"
#include "graphics/TextStyle.h"
#include "graphics/X11Connection_x11.h"
#include "graphics/X11ModalLoop_x11.h"
#include "graphics/X11Presenter_x11.h"
#include "graphics/X11TextField_x11.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>

namespace vorlunda {

namespace {

constexpr int kMargin = 16;        // pixels around the contents
constexpr int kWrapWidth = 420;    // pixels: longer lines are wrapped at spaces
constexpr int kMinimumWidth = 260; // pixels
constexpr int kButtonWidth = 84;   // pixels
constexpr int kButtonHeight = 26;  // pixels
constexpr int kButtonGap = 8;      // pixels
constexpr int kFieldHeight = 22;   // pixels
constexpr int kFieldLength = 1024; // characters a prompt takes
constexpr int kNoAnswer = -1;      // Escape does nothing

constexpr RasterPixel kBackground = 0xFFF0F0F0;
constexpr RasterPixel kText = 0xFF000000;
constexpr RasterPixel kButtonFace = 0xFFE1E1E1;
constexpr RasterPixel kButtonPressed = 0xFFC8C8C8;
constexpr RasterPixel kButtonFrame = 0xFFADADAD;
constexpr RasterPixel kFocusFrame = 0xFF3874D8;

::Window TopLevelOf(Display* display, ::Window window) {
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    for (int depth = 0; depth < 64; ++depth) {
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return window;
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            return window;
        window = parent;
    }
    return window;
}

} // namespace

X11Dialog::X11Dialog(X11Connection& c, X11ModalOwner& o, ::Window e, bool shm)
    : connection(c), owner(o), editor(e), allowSharedMemory(shm) {}

X11Dialog::~X11Dialog() {
    field.reset();
    presenter.reset();
    if (window)
        XDestroyWindow(connection.Get(), window);
}

int X11Dialog::Message(const std::string& text, const std::string& caption, int type) {
    std::vector<Button> set;
    int escape = kAnswerOk;
    if (type == kMessageYesNo) {
        set = {{"Yes", kAnswerYes}, {"No", kAnswerNo}};
        escape = kNoAnswer;
    } else if (type == kMessageOkCancel) {
        set = {{"OK", kAnswerOk}, {"Cancel", kAnswerCancel}};
        escape = kAnswerCancel;
    } else {
        set = {{"OK", kAnswerOk}};
    }
    return Run(text, caption, std::move(set), escape, nullptr);
}

bool X11Dialog::Prompt(const std::string& text, const std::string& caption, std::string& value) {
    std::string entered = value;
    const int answer =
        Run(text, caption, {{"OK", kAnswerOk}, {"Cancel", kAnswerCancel}}, kAnswerCancel, &entered);
    if (answer != kAnswerOk)
        return false;
    value = entered;
    return true;
}

void X11Dialog::Layout(const std::string& text, bool withField) {
    // Paragraphs split at line breaks, then wrapped at spaces.
    lines.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string paragraph = text.substr(start, end - start);
        std::string line;
        std::size_t p = 0;
        while (p <= paragraph.size()) {
            std::size_t space = paragraph.find(' ', p);
            if (space == std::string::npos)
                space = paragraph.size();
            const std::string word = paragraph.substr(p, space - p);
            const std::string candidate = line.empty() ? word : line + " " + word;
            if (!line.empty() && font.TextWidth(candidate) > kWrapWidth) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            p = space + 1;
        }
        lines.push_back(line);
        start = end + 1;
    }
    int textWidth = 0;
    for (const auto& l : lines)
        textWidth = std::max(textWidth, font.TextWidth(l));
    const int buttonsWidth =
        static_cast<int>(buttons.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
    width = std::max({kMinimumWidth, textWidth + 2 * kMargin, buttonsWidth + 2 * kMargin,
                      withField ? kWrapWidth + 2 * kMargin : 0});
    const int lineHeight = font.LineHeight();
    int y = kMargin + static_cast<int>(lines.size()) * lineHeight;
    if (withField) {
        y += kButtonGap;
        fieldTop = y;
        y += kFieldHeight;
    }
    y += kMargin;
    int x = width - kMargin - buttonsWidth;
    for (auto& b : buttons) {
        b.x = x;
        b.y = y;
        x += kButtonWidth + kButtonGap;
    }
    height = y + kButtonHeight + kMargin;
}

void X11Dialog::Create(const std::string& caption) {
    Display* display = connection.Get();
    const int screen = connection.Screen();
    // Centred over the editor, kept on the screen.
    int editorX = 0, editorY = 0;
    ::Window child = 0;
    XWindowAttributes editorAttributes{};
    XGetWindowAttributes(display, editor, &editorAttributes);
    XTranslateCoordinates(display, editor, connection.Root(), 0, 0, &editorX, &editorY, &child);
    int x = editorX + (editorAttributes.width - width) / 2;
    int y = editorY + (editorAttributes.height - height) / 2;
    x = std::clamp(x, 0, std::max(DisplayWidth(display, screen) - width, 0));
    y = std::clamp(y, 0, std::max(DisplayHeight(display, screen) - height, 0));

    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask |
                            StructureNotifyMask | FocusChangeMask;
    window = XCreateWindow(display, connection.Root(), x, y, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 0, DefaultDepth(display, screen),
                           InputOutput, DefaultVisual(display, screen), CWEventMask, &attributes);
    XStoreName(display, window, caption.c_str());
    XChangeProperty(display, window, connection.wmName, connection.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(caption.data()),
                    static_cast<int>(caption.size()));
    XSetTransientForHint(display, window, TopLevelOf(display, editor));
    XChangeProperty(display, window, connection.wmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&connection.wmWindowTypeDialog), 1);
    XChangeProperty(display, window, connection.wmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&connection.wmStateModal), 1);
    Atom protocols[] = {connection.wmDeleteWindow};
    XSetWMProtocols(display, window, protocols, 1);
    XClassHint classHint{const_cast<char*>("vorlunda2"), const_cast<char*>("Vorlunda2")};
    XSetClassHint(display, window, &classHint);
    XSizeHints size{};
    size.flags = PPosition | PMinSize | PMaxSize;
    size.x = x;
    size.y = y;
    size.min_width = size.max_width = width;
    size.min_height = size.max_height = height;
    XSetWMNormalHints(display, window, &size);
    bitmap.Resize(width, height);
    presenter = std::make_unique<X11Presenter>(connection, window, DefaultVisual(display, screen),
                                               DefaultDepth(display, screen), width, height,
                                               allowSharedMemory);
    XMapRaised(display, window);
}

void X11Dialog::Draw() {
    if (!bitmap.HasPixels())
        return;
    FillRectangle(&bitmap, 0, 0, width, height, kBackground, 1.0f, kBlitCopy);
    const int lineHeight = font.LineHeight();
    int y = kMargin;
    for (const auto& l : lines) {
        font.Draw(bitmap, l, ScreenRect{kMargin, y, width - kMargin, y + lineHeight}, kText, 0);
        y += lineHeight;
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const Button& b = buttons[i];
        const bool isFocused = static_cast<int>(i) == focused;
        FillRectangle(&bitmap, b.x, b.y, kButtonWidth, kButtonHeight,
                      isFocused ? kFocusFrame : kButtonFrame, 1.0f, kBlitCopy);
        const int inset = isFocused ? 2 : 1;
        FillRectangle(
            &bitmap, b.x + inset, b.y + inset, kButtonWidth - 2 * inset, kButtonHeight - 2 * inset,
            static_cast<int>(i) == pressed ? kButtonPressed : kButtonFace, 1.0f, kBlitCopy);
        font.Draw(bitmap, b.label, ScreenRect{b.x, b.y, b.x + kButtonWidth, b.y + kButtonHeight},
                  kText, 1);
    }
    presenter->Show(bitmap, ScreenRect{0, 0, width, height});
}

int X11Dialog::ButtonAt(int x, int y) const {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const Button& b = buttons[i];
        if (x >= b.x && x < b.x + kButtonWidth && y >= b.y && y < b.y + kButtonHeight)
            return static_cast<int>(i);
    }
    return -1;
}

int X11Dialog::KeyAnswer(XKeyEvent& event, bool fieldFocused, int escapeAnswer) {
    const KeySym key = XLookupKeysym(&event, 0);
    const int count = static_cast<int>(buttons.size());
    switch (key) {
    case XK_Return:
    case XK_KP_Enter:
        return fieldFocused ? buttons.front().answer
                            : buttons[static_cast<std::size_t>(focused)].answer;
    case XK_space:
        if (fieldFocused)
            break;
        return buttons[static_cast<std::size_t>(focused)].answer;
    case XK_Escape:
        return escapeAnswer;
    case XK_Tab:
    case XK_ISO_Left_Tab:
    case XK_Right:
    case XK_Left: {
        if (fieldFocused && key != XK_Tab && key != XK_ISO_Left_Tab)
            break;
        const bool back = key == XK_Left || key == XK_ISO_Left_Tab || (event.state & ShiftMask);
        focused = (focused + (back ? count - 1 : 1)) % count;
        Draw();
        return kNoAnswer;
    }
    default:
        if (fieldFocused)
            break;
        for (const auto& b : buttons)
            if (static_cast<KeySym>(std::tolower(static_cast<unsigned char>(b.label[0]))) == key)
                return b.answer;
        return kNoAnswer;
    }
    if (fieldFocused && field)
        field->HandleKey(event);
    return kNoAnswer;
}

int X11Dialog::Run(const std::string& text, const std::string& caption, std::vector<Button> set,
                   int escapeAnswer, std::string* fieldValue) {
    buttons = std::move(set);
    focused = 0;
    pressed = -1;
    Layout(text, fieldValue != nullptr);
    Create(caption);
    Display* display = connection.Get();
    if (fieldValue) {
        TextStyle style;
        style.SetFace(font.face.c_str());
        style.size = font.size;
        style.align = TextStyle::kNear;
        const ScreenRect r{kMargin, fieldTop, width - kMargin - 1, fieldTop + kFieldHeight - 1};
        field =
            std::make_unique<X11TextField>(connection, window, r, style, *fieldValue, kFieldLength,
                                           TextEntryChars::kAny, allowSharedMemory);
    }
    int answer = kNoAnswer;
    XEvent event;
    while (answer == kNoAnswer) {
        if (!NextModalEvent(connection, owner, event)) {
            answer = kAnswerNone;
            break;
        }
        const ::Window target = event.xany.window;
        const bool inField = field && target == field->Window();
        if (target != window && !inField) {
            owner.ForeignEvent(event);
            continue;
        }
        switch (event.type) {
        case MapNotify:
            // Only a viewable window can take the focus.
            if (field)
                field->TakeFocus();
            else
                XSetInputFocus(display, window, RevertToParent, CurrentTime);
            break;
        case Expose:
            if (event.xexpose.count == 0) {
                if (inField)
                    field->Redraw();
                else
                    Draw();
            }
            break;
        case ButtonPress:
            if (inField) {
                field->TakeFocus();
                field->HandleButton(event.xbutton);
            } else if (event.xbutton.button == Button1) {
                pressed = ButtonAt(event.xbutton.x, event.xbutton.y);
                Draw();
            }
            break;
        case ButtonRelease:
            if (!inField && event.xbutton.button == Button1 && pressed >= 0) {
                if (ButtonAt(event.xbutton.x, event.xbutton.y) == pressed)
                    answer = buttons[static_cast<std::size_t>(pressed)].answer;
                pressed = -1;
                Draw();
            }
            break;
        case KeyPress:
            answer = KeyAnswer(event.xkey, inField, escapeAnswer);
            break;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == connection.wmDeleteWindow)
                answer = escapeAnswer;
            break;
        default:
            break;
        }
    }
    if (fieldValue && field && answer == kAnswerOk)
        *fieldValue = field->Text();
    field.reset();
    presenter.reset();
    XDestroyWindow(display, window);
    window = 0;
    XSync(display, False);
    return answer;
}

} // namespace vorlunda
