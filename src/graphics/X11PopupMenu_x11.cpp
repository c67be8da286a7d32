#include "graphics/X11PopupMenu_x11.h"

#include "graphics/PopupMenu.h"
#include "graphics/RasterBlit.h"
#include "graphics/X11Connection_x11.h"
#include "graphics/X11ModalLoop_x11.h"
#include "graphics/X11Presenter_x11.h"

#include <X11/keysym.h>

#include <algorithm>

namespace vorlunda {

namespace {

constexpr int kRowPadding = 6;      // pixels added to the line height of an item
constexpr int kSeparatorHeight = 7; // pixels
constexpr int kCheckColumn = 22;    // pixels left of the texts (the check mark lives here)
constexpr int kArrowColumn = 20;    // pixels right of the texts (the submenu arrow lives here)
constexpr int kBorder = 1;          // pixels
constexpr int kMinimumWidth = 80;   // pixels

constexpr RasterPixel kBackground = 0xFFF2F2F2;
constexpr RasterPixel kFrame = 0xFF808080;
constexpr RasterPixel kText = 0xFF000000;
constexpr RasterPixel kGreyText = 0xFF9A9A9A;
constexpr RasterPixel kHighlight = 0xFF3874D8;
constexpr RasterPixel kHighlightText = 0xFFFFFFFF;
constexpr RasterPixel kDeadHighlight = 0xFFD8D8D8; // a highlighted item that cannot be chosen

} // namespace

struct X11PopupMenu::Level {
    const PopupMenu* menu = nullptr;
    ::Window window = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::vector<int> tops; // item i spans tops[i] .. tops[i + 1]
    int highlighted = -1;
    RasterSysBitmap bitmap;
    std::unique_ptr<X11Presenter> presenter;
};

X11PopupMenu::X11PopupMenu(X11Connection& c, X11ModalOwner& o, bool shm)
    : connection(c), owner(o), allowSharedMemory(shm) {}

X11PopupMenu::~X11PopupMenu() {
    CloseLevelsAbove(0);
}

void X11PopupMenu::OpenLevel(const PopupMenu& menu, int rootX, int rootY) {
    auto level = std::make_unique<Level>();
    level->menu = &menu;
    const int rowHeight = font.LineHeight() + kRowPadding;
    int textWidth = 0;
    int y = kBorder;
    for (int i = 0; i < menu.ItemCount(); ++i) {
        level->tops.push_back(y);
        const PopupMenuItem* item = menu.Item(i);
        if (item->IsSeparator()) {
            y += kSeparatorHeight;
        } else {
            textWidth = std::max(textWidth, font.TextWidth(menu.ItemLabel(i)));
            y += rowHeight;
        }
    }
    level->tops.push_back(y);
    level->width = std::max(kMinimumWidth, kCheckColumn + textWidth + kArrowColumn + 2 * kBorder);
    level->height = std::max(y + kBorder, 2 * kBorder + 4);

    Display* display = connection.Get();
    const int screenWidth = DisplayWidth(display, connection.Screen());
    const int screenHeight = DisplayHeight(display, connection.Screen());
    level->x = std::clamp(rootX, 0, std::max(screenWidth - level->width, 0));
    level->y = std::clamp(rootY, 0, std::max(screenHeight - level->height, 0));

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.save_under = True;
    attributes.event_mask =
        ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    const int screen = connection.Screen();
    level->window =
        XCreateWindow(display, connection.Root(), level->x, level->y,
                      static_cast<unsigned>(level->width), static_cast<unsigned>(level->height), 0,
                      DefaultDepth(display, screen), InputOutput, DefaultVisual(display, screen),
                      CWOverrideRedirect | CWSaveUnder | CWEventMask, &attributes);
    XStoreName(display, level->window, "Vorlunda2 menu");
    level->bitmap.Resize(level->width, level->height);
    level->presenter = std::make_unique<X11Presenter>(
        connection, level->window, DefaultVisual(display, screen), DefaultDepth(display, screen),
        level->width, level->height, allowSharedMemory);
    XMapRaised(display, level->window);
    levels.push_back(std::move(level));
    Draw(*levels.back());
}

void X11PopupMenu::CloseLevelsAbove(std::size_t count) {
    while (levels.size() > count) {
        Level& level = *levels.back();
        level.presenter.reset();
        XDestroyWindow(connection.Get(), level.window);
        levels.pop_back();
    }
    if (!levels.empty())
        Draw(*levels.back());
}

void X11PopupMenu::Draw(Level& level) {
    RasterBitmap& b = level.bitmap;
    if (!b.HasPixels())
        return;
    FillRectangle(&b, 0, 0, level.width, level.height, kFrame, 1.0f, kBlitCopy);
    FillRectangle(&b, kBorder, kBorder, level.width - 2 * kBorder, level.height - 2 * kBorder,
                  kBackground, 1.0f, kBlitCopy);
    const PopupMenu& menu = *level.menu;
    for (int i = 0; i < menu.ItemCount(); ++i) {
        const PopupMenuItem* item = menu.Item(i);
        const int top = level.tops[static_cast<std::size_t>(i)];
        const int bottom = level.tops[static_cast<std::size_t>(i) + 1];
        const int inner = level.width - 2 * kBorder;
        if (item->IsSeparator()) {
            FillRectangle(&b, kBorder + 4, (top + bottom) / 2, inner - 8, 1, kFrame, 1.0f,
                          kBlitCopy);
            continue;
        }
        const bool lit = i == level.highlighted;
        RasterPixel colour = item->IsSelectable() ? kText : kGreyText;
        if (lit) {
            FillRectangle(&b, kBorder, top, inner, bottom - top,
                          item->IsSelectable() ? kHighlight : kDeadHighlight, 1.0f, kBlitCopy);
            if (item->IsSelectable())
                colour = kHighlightText;
        }
        const int middle = (top + bottom) / 2;
        if (item->IsChecked()) {
            // A tick: a short stroke down to the right, then a long one up to the right.
            for (int k = 0; k < 4; ++k)
                FillRectangle(&b, 7 + k, middle - 1 + k, 2, 2, colour, 1.0f, kBlitCopy);
            for (int k = 0; k < 7; ++k)
                FillRectangle(&b, 11 + k, middle + 2 - k, 2, 2, colour, 1.0f, kBlitCopy);
        }
        if (item->submenu) {
            // A small triangle pointing right.
            const int x = level.width - kBorder - 12;
            for (int k = 0; k < 4; ++k)
                FillRectangle(&b, x + k, middle - 4 + k, 1, 9 - 2 * k, colour, 1.0f, kBlitCopy);
        }
        const ScreenRect textRect{kBorder + kCheckColumn, top, level.width - kArrowColumn, bottom};
        font.Draw(b, menu.ItemLabel(i), textRect, colour, 0);
    }
    level.presenter->Show(b, ScreenRect{0, 0, level.width, level.height});
}

X11PopupMenu::Level* X11PopupMenu::LevelOf(::Window window) {
    for (auto& level : levels)
        if (level->window == window)
            return level.get();
    return nullptr;
}

int X11PopupMenu::ItemAt(const Level& level, int y) const {
    for (int i = 0; i < level.menu->ItemCount(); ++i) {
        if (y >= level.tops[static_cast<std::size_t>(i)] &&
            y < level.tops[static_cast<std::size_t>(i) + 1])
            return level.menu->Item(i)->IsSeparator() ? -1 : i;
    }
    return -1;
}

void X11PopupMenu::Highlight(std::size_t index, int item, bool openSubmenu) {
    Level& level = *levels[index];
    const bool sameItem = level.highlighted == item;
    if (!sameItem || levels.size() > index + 1) {
        if (!sameItem)
            CloseLevelsAbove(index + 1);
        level.highlighted = item;
        Draw(level);
    }
    if (!openSubmenu || item < 0 || levels.size() > index + 1)
        return;
    const PopupMenuItem* entry = level.menu->Item(item);
    if (entry && entry->submenu && entry->IsSelectable() && entry->submenu->ItemCount() > 0)
        OpenLevel(*entry->submenu, level.x + level.width - 2,
                  level.y + level.tops[static_cast<std::size_t>(item)] - kBorder);
}

void X11PopupMenu::Move(int step) {
    Level& level = *levels.back();
    const int count = level.menu->ItemCount();
    if (count == 0)
        return;
    int item = level.highlighted;
    for (int tries = 0; tries < count; ++tries) {
        item = item < 0 ? (step > 0 ? 0 : count - 1) : (item + step + count) % count;
        if (!level.menu->Item(item)->IsSeparator())
            break;
    }
    Highlight(levels.size() - 1, item, false);
}

int X11PopupMenu::Activate(std::size_t index, int item) {
    Level& level = *levels[index];
    const PopupMenuItem* entry = level.menu->Item(item);
    if (!entry || !entry->IsSelectable())
        return 0;
    if (entry->submenu) {
        Highlight(index, item, true);
        if (levels.size() > index + 1)
            Move(1);
        return 0;
    }
    return level.menu->CommandOf(item);
}

int X11PopupMenu::Track(const PopupMenu& menu, int rootX, int rootY) {
    if (menu.ItemCount() == 0)
        return 0;
    Display* display = connection.Get();
    OpenLevel(menu, rootX, rootY);
    const ::Window grabWindow = levels.front()->window;
    const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    XGrabPointer(display, grabWindow, True, mask, GrabModeAsync, GrabModeAsync, None, None,
                 CurrentTime);
    XGrabKeyboard(display, grabWindow, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    int chosen = 0;
    bool done = false;
    XEvent event;
    while (!done && NextModalEvent(connection, owner, event)) {
        Level* level = LevelOf(event.xany.window);
        const auto index =
            level
                ? static_cast<std::size_t>(std::find_if(levels.begin(), levels.end(),
                                                        [&](auto& l) { return l.get() == level; }) -
                                           levels.begin())
                : 0;
        switch (event.type) {
        case Expose:
            if (level && event.xexpose.count == 0)
                Draw(*level);
            else if (!level)
                owner.ForeignEvent(event);
            break;
        case MotionNotify:
            if (level && event.xmotion.x >= 0 && event.xmotion.x < level->width)
                Highlight(index, ItemAt(*level, event.xmotion.y), true);
            break;
        case ButtonPress: {
            const bool inside = level && event.xbutton.x >= 0 && event.xbutton.y >= 0 &&
                                event.xbutton.x < level->width && event.xbutton.y < level->height;
            if (!inside)
                done = true; // a press anywhere else closes the menu without a choice
            break;
        }
        case ButtonRelease:
            if (level && event.xbutton.x >= 0 && event.xbutton.x < level->width &&
                (event.xbutton.button == Button1 || event.xbutton.button == Button3)) {
                const int item = ItemAt(*level, event.xbutton.y);
                if (item >= 0 && (chosen = Activate(index, item)) != 0)
                    done = true;
            }
            break;
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            if (key == XK_Up || key == XK_KP_Up) {
                Move(-1);
            } else if (key == XK_Down || key == XK_KP_Down) {
                Move(1);
            } else if (key == XK_Right || key == XK_KP_Right) {
                Level& deepest = *levels.back();
                if (deepest.highlighted >= 0 && deepest.menu->Item(deepest.highlighted)->submenu)
                    Activate(levels.size() - 1, deepest.highlighted);
            } else if (key == XK_Left || key == XK_KP_Left) {
                if (levels.size() > 1)
                    CloseLevelsAbove(levels.size() - 1);
            } else if (key == XK_Escape) {
                if (levels.size() > 1)
                    CloseLevelsAbove(levels.size() - 1);
                else
                    done = true;
            } else if (key == XK_Return || key == XK_KP_Enter || key == XK_space) {
                Level& deepest = *levels.back();
                if (deepest.highlighted >= 0 &&
                    (chosen = Activate(levels.size() - 1, deepest.highlighted)) != 0)
                    done = true;
            }
            break;
        }
        default:
            if (!level)
                owner.ForeignEvent(event);
            break;
        }
    }
    XUngrabKeyboard(display, CurrentTime);
    XUngrabPointer(display, CurrentTime);
    CloseLevelsAbove(0);
    XSync(display, False);
    return chosen;
}

} // namespace vorlunda
