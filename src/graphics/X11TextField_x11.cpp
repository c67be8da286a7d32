#include "graphics/X11TextField_x11.h"

#include "graphics/RasterBlit.h"
#include "graphics/X11Connection_x11.h"
#include "graphics/X11Presenter_x11.h"

#include <X11/keysym.h>

#include <algorithm>

namespace vorlunda {

namespace {

constexpr int kPadding = 2;                    // pixels between the edge and the text
constexpr RasterPixel kSelection = 0xFF3874D8; // selected text background
constexpr RasterPixel kSelectedText = 0xFFFFFFFF;

} // namespace

X11TextField::X11TextField(X11Connection& c, ::Window parent, const ScreenRect& rect,
                           const TextStyle& style, const std::string& initial, int maxLen,
                           TextEntryChars allowed, bool allowSharedMemory)
    : connection(c), background(style.entryBackground.Packed() | 0xFF000000u),
      foreground(style.entryForeground.Packed() | 0xFF000000u), align(style.align),
      maxLength(static_cast<std::size_t>(std::max(maxLen, 0))), chars(allowed) {
    font.face = style.face;
    font.size = std::max(style.size, 6);
    font.bold = style.style == TextStyle::kBold;
    font.italic = style.style == TextStyle::kItalic;
    text = initial.substr(0, maxLength);
    anchor = 0;
    cursor = text.size();

    const int width = std::max(rect.Width() + 1, 1);
    const int height = std::max(rect.Height() + 1, 1);
    Display* display = connection.Get();
    XWindowAttributes parentAttributes;
    if (!XGetWindowAttributes(display, parent, &parentAttributes))
        return;
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                            ButtonReleaseMask | FocusChangeMask;
    attributes.cursor = XCreateFontCursor(display, 152); // XC_xterm
    window = XCreateWindow(display, parent, rect.left, rect.top, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWEventMask | CWCursor, &attributes);
    XFreeCursor(display, attributes.cursor);
    if (!window)
        return;
    bitmap.Resize(width, height);
    presenter =
        std::make_unique<X11Presenter>(connection, window, parentAttributes.visual,
                                       parentAttributes.depth, width, height, allowSharedMemory);
    XMapRaised(display, window);
    Redraw();
}

X11TextField::~X11TextField() {
    presenter.reset();
    if (window)
        XDestroyWindow(connection.Get(), window);
}

void X11TextField::TakeFocus() {
    if (!window)
        return;
    XSetInputFocus(connection.Get(), window, RevertToParent, CurrentTime);
    focused = true;
    Redraw();
}

int X11TextField::TextLeft() const {
    const int inner = bitmap.Width() - 2 * kPadding;
    const int width = font.TextWidth(text);
    if (align == TextStyle::kCentre)
        return kPadding + (inner - width) / 2;
    if (align == TextStyle::kFar)
        return kPadding + inner - width;
    return kPadding;
}

int X11TextField::OffsetOf(std::size_t position) const {
    return font.TextWidth(text.substr(0, position));
}

void X11TextField::Redraw() {
    if (!window || !bitmap.HasPixels())
        return;
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    FillRectangle(&bitmap, 0, 0, w, h, background, 1.0f, kBlitCopy);
    const int left = TextLeft();
    const ScreenRect all{0, 0, w, h};
    const std::size_t from = std::min(anchor, cursor);
    const std::size_t to = std::max(anchor, cursor);
    if (from != to) {
        const int x0 = left + OffsetOf(from);
        const int x1 = left + OffsetOf(to);
        FillRectangle(&bitmap, x0, 1, x1 - x0, h - 2, kSelection, 1.0f, kBlitCopy);
    }
    // Unselected and selected parts in their colours, each clipped to its own columns.
    const int selLeft = from != to ? left + OffsetOf(from) : w;
    const int selRight = from != to ? left + OffsetOf(to) : w;
    const ScreenRect textRect{left, 0, left + font.TextWidth(text) + 1, h};
    auto drawPart = [&](int clipLeft, int clipRight, RasterPixel colour) {
        if (clipLeft >= clipRight)
            return;
        RasterSysBitmap part(clipRight - clipLeft, h);
        if (!part.HasPixels())
            return;
        const ScreenRect src{clipLeft, 0, clipRight, h};
        BlitBitmap(&part, &bitmap, 0, 0, &src, 1.0f, kBlitCopy);
        ScreenRect shifted{textRect.left - clipLeft, 0, textRect.right - clipLeft, h};
        font.Draw(part, text, shifted, colour, 0);
        BlitBitmap(&bitmap, &part, clipLeft, 0, nullptr, 1.0f, kBlitCopy);
    };
    drawPart(0, std::min(selLeft, w), foreground);
    drawPart(std::max(selLeft, 0), std::min(selRight, w), kSelectedText);
    drawPart(std::max(selRight, 0), w, foreground);
    if (focused && from == to) {
        const int x = std::clamp(left + OffsetOf(cursor), 0, w - 1);
        FillRectangle(&bitmap, x, 2, 1, std::max(h - 4, 1), foreground, 1.0f, kBlitCopy);
    }
    presenter->Show(bitmap, all);
}

void X11TextField::DeleteSelection() {
    const std::size_t from = std::min(anchor, cursor);
    const std::size_t to = std::max(anchor, cursor);
    text.erase(from, to - from);
    cursor = anchor = from;
}

void X11TextField::Insert(const std::string& typed) {
    std::string accepted;
    for (unsigned char c : typed) {
        if (c >= 0x20 && c != 0x7F && TextEntryAccepts(chars, static_cast<char32_t>(c)))
            accepted += static_cast<char>(c);
    }
    if (accepted.empty())
        return;
    DeleteSelection();
    const std::size_t room = maxLength > text.size() ? maxLength - text.size() : 0;
    accepted.resize(std::min(accepted.size(), room));
    text.insert(cursor, accepted);
    cursor += accepted.size();
    anchor = cursor;
}

X11TextField::KeyResult X11TextField::HandleKey(XKeyEvent& event) {
    char buffer[32] = {};
    KeySym keysym = NoSymbol;
    const int length = XLookupString(&event, buffer, sizeof buffer - 1, &keysym, nullptr);
    const bool shift = (event.state & ShiftMask) != 0;
    switch (keysym) {
    case XK_Return:
    case XK_KP_Enter:
        return KeyResult::kEnter;
    case XK_Escape:
        return KeyResult::kEscape;
    case XK_BackSpace:
        if (anchor == cursor && cursor > 0)
            anchor = cursor - 1;
        DeleteSelection();
        break;
    case XK_Delete:
    case XK_KP_Delete:
        if (anchor == cursor && cursor < text.size())
            anchor = cursor + 1;
        DeleteSelection();
        break;
    case XK_Left:
    case XK_KP_Left:
        if (cursor > 0)
            --cursor;
        if (!shift)
            anchor = cursor;
        break;
    case XK_Right:
    case XK_KP_Right:
        if (cursor < text.size())
            ++cursor;
        if (!shift)
            anchor = cursor;
        break;
    case XK_Home:
    case XK_KP_Home:
        cursor = 0;
        if (!shift)
            anchor = cursor;
        break;
    case XK_End:
    case XK_KP_End:
        cursor = text.size();
        if (!shift)
            anchor = cursor;
        break;
    default:
        if ((event.state & ControlMask) && (keysym == XK_a || keysym == XK_A)) {
            anchor = 0;
            cursor = text.size();
        } else if (length > 0 && !(event.state & (ControlMask | Mod1Mask))) {
            Insert(std::string(buffer, static_cast<std::size_t>(length)));
        } else {
            return KeyResult::kNone;
        }
        break;
    }
    Redraw();
    return KeyResult::kNone;
}

void X11TextField::HandleButton(const XButtonEvent& event) {
    if (event.button != Button1)
        return;
    // The character boundary nearest to the pointer.
    const int x = event.x - TextLeft();
    std::size_t best = 0;
    int bestDistance = std::abs(x);
    for (std::size_t i = 1; i <= text.size(); ++i) {
        const int distance = std::abs(OffsetOf(i) - x);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    cursor = anchor = best;
    Redraw();
}

} // namespace vorlunda
