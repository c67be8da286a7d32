#include "graphics/X11EditorWindow_x11.h"

#include "graphics/EditorEvent.h"
#include "graphics/X11Connection_x11.h"
#include "graphics/X11Dialog_x11.h"
#include "graphics/X11PopupMenu_x11.h"
#include "graphics/X11Presenter_x11.h"
#include "graphics/X11TextField_x11.h"
#include "platform/ExternalProgram.h"
#include "platform/UserFolders.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>

namespace vorlunda {

namespace {

constexpr int kDoubleClickMs = 500;     // the Windows default double-click time
constexpr int kDoubleClickDistance = 4; // pixels the second press may lie from the first
constexpr int kEventsPerPump = 512;     // events handled before the tick gets its turn
constexpr int kClipboardWaitMs = 1000;  // how long the selection owner may take to answer
constexpr int kClipboardStepMs = 5;
constexpr long kClipboardLimit = 1 << 20; // 32-bit units read from the selection property

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask;

::Window WindowFromHandle(void* handle) {
    return static_cast<::Window>(reinterpret_cast<std::uintptr_t>(handle));
}

// The editor's key numbering for an X key; none for keys no control may take.
std::optional<KeyCode> TranslateKey(KeySym key) {
    if (key == XK_space)
        return kKeySpace;
    if (key == XK_Up)
        return kKeyUp;
    if (key == XK_Down)
        return kKeyDown;
    if (key == XK_Left)
        return kKeyLeft;
    if (key == XK_Right)
        return kKeyRight;
    if (key >= XK_0 && key <= XK_9)
        return static_cast<KeyCode>(kKeyDigit0 + static_cast<int>(key - XK_0));
    if (key >= XK_a && key <= XK_z)
        return static_cast<KeyCode>(kKeyLetterA + static_cast<int>(key - XK_a));
    if (key >= XK_A && key <= XK_Z)
        return static_cast<KeyCode>(kKeyLetterA + static_cast<int>(key - XK_A));
    return std::nullopt;
}

// Buttons and keys held, as a press (with `pressed` down) or a release (with `released` up)
// leaves them: X reports the state from before the event.
MouseModifiers ModifiersOf(unsigned state, unsigned pressed, unsigned released) {
    MouseModifiers mods;
    mods.left = ((state & Button1Mask) || pressed == Button1) && released != Button1;
    mods.right = ((state & Button3Mask) || pressed == Button3) && released != Button3;
    mods.shift = (state & ShiftMask) != 0;
    mods.control = (state & ControlMask) != 0;
    mods.alt = (state & Mod1Mask) != 0;
    return mods;
}

::Window TopLevelOf(Display* display, ::Window window) {
    for (int depth = 0; depth < 64; ++depth) {
        ::Window root = 0, up = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &root, &up, &children, &count))
            return window;
        if (children)
            XFree(children);
        if (up == root || up == 0)
            return window;
        window = up;
    }
    return window;
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// "#rrggbb", "rgb(r,g,b)" or "rgba(r,g,b,a)".
bool ParseColour(const std::string& text, ColourARGB& colour) {
    unsigned r = 0, g = 0, b = 0;
    char end = 0;
    if (text.size() == 7 && text[0] == '#' &&
        std::sscanf(text.c_str() + 1, "%2x%2x%2x%c", &r, &g, &b, &end) == 3) {
    } else if (std::sscanf(text.c_str(), "rgb(%u,%u,%u%c", &r, &g, &b, &end) == 4 && end == ')') {
    } else if (std::sscanf(text.c_str(), "rgba(%u,%u,%u,", &r, &g, &b) == 3) {
    } else {
        return false;
    }
    if (r > 255 || g > 255 || b > 255)
        return false;
    colour.red = static_cast<int>(r);
    colour.green = static_cast<int>(g);
    colour.blue = static_cast<int>(b);
    return true;
}

} // namespace

X11EditorWindow::X11EditorWindow(const X11EditorOptions& o) : options(o) {}

X11EditorWindow::~X11EditorWindow() {
    LockEditor();
    CloseLocked();
    UnlockEditor();
    {
        std::lock_guard<std::mutex> lock(tickerMutex);
        tickerStop = true;
    }
    tickerWake.notify_all();
    if (ticker.joinable())
        ticker.join();
}

// --- The lock and the threads ---

void X11EditorWindow::LockEditor() {
    ++lockRequests; // a menu or dialog shown by another thread gives up
    editorLock.lock();
    --lockRequests;
}

void X11EditorWindow::UnlockEditor() {
    editorLock.unlock();
}

bool X11EditorWindow::ModalAborted() {
    return lockRequests.load() > 0 || closeDeferred || !windowAlive;
}

void X11EditorWindow::Idle() {
    std::unique_lock<std::recursive_mutex> lock(editorLock, std::try_to_lock);
    if (lock.owns_lock())
        Pump();
}

void X11EditorWindow::TickerLoop() {
    std::unique_lock<std::mutex> lock(tickerMutex);
    while (!tickerStop) {
        if (!windowOpen.load()) {
            tickerWake.wait(lock);
            continue;
        }
        tickerWake.wait_for(lock, std::chrono::milliseconds(periodMs.load()));
        if (tickerStop)
            break;
        lock.unlock();
        // Never waits for the editor lock: whoever holds it does the work.
        Idle();
        lock.lock();
    }
}

// --- Opening and closing ---

void* X11EditorWindow::Open(EditorWindowClient& c, void* parentHandle, int w, int h, int fps) {
    std::lock_guard<std::recursive_mutex> lock(editorLock);
    const ::Window newParent = WindowFromHandle(parentHandle);
    int x = 0, y = 0;
    if (window && windowAlive && connection) {
        // Reopened: the window keeps its place within the new parent.
        ::Window child = 0;
        connection->SyncFailed();
        if (!XTranslateCoordinates(connection->Get(), window, newParent, 0, 0, &x, &y, &child) ||
            connection->SyncFailed())
            x = y = 0;
    }
    if (window || connection)
        CloseLocked();
    if (!newParent || w < 1 || h < 1)
        return nullptr;
    connection.reset(X11Connection::Open());
    if (!connection)
        return nullptr;
    Display* display = connection->Get();
    XWindowAttributes parentAttributes{};
    connection->SyncFailed();
    if (!XGetWindowAttributes(display, newParent, &parentAttributes) || connection->SyncFailed()) {
        connection.reset(); // not a window (any more)
        return nullptr;
    }
    XSetWindowAttributes attributes{};
    attributes.event_mask = kEventMask;
    attributes.background_pixmap = None; // nothing is erased: the surface covers everything
    attributes.bit_gravity = NorthWestGravity;
    window = XCreateWindow(display, newParent, x, y, static_cast<unsigned>(w),
                           static_cast<unsigned>(h), 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWEventMask | CWBackPixmap | CWBitGravity, &attributes);
    XMapWindow(display, window);
    if (!window || connection->SyncFailed()) {
        window = 0;
        connection.reset();
        return nullptr;
    }
    windowAlive = true;
    handle = static_cast<std::uintptr_t>(window);
    presenter =
        std::make_unique<X11Presenter>(*connection, window, parentAttributes.visual,
                                       parentAttributes.depth, w, h, options.allowSharedMemory);
    if (!presenter->Valid()) {
        CloseLocked();
        return nullptr;
    }
    parent = newParent;
    topLevel = TopLevelOf(display, newParent);
    client = &c;
    width = w;
    height = h;
    invalid = ScreenRect{0, 0, w, h};
    period = std::chrono::milliseconds(std::max(1000 / std::max(fps, 1), 1));
    periodMs = static_cast<int>(period.count());
    nextTick = Clock::now() + period;
    lastPressCounts = false;
    TakeFocus();
    XFlush(display);

    windowOpen = true;
    if (!ticker.joinable())
        ticker = std::thread([this] { TickerLoop(); });
    tickerWake.notify_all();
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window));
}

void X11EditorWindow::Close() {
    std::lock_guard<std::recursive_mutex> lock(editorLock);
    if (pumpDepth > 0) {
        // Asked from inside an event of ours (a host answering a parameter change by closing the
        // editor): done when that event has been handled.
        closeDeferred = true;
        return;
    }
    CloseLocked();
}

void X11EditorWindow::CloseLocked() {
    windowOpen = false;
    closeDeferred = false;
    field.reset();
    presenter.reset();
    if (connection) {
        Display* display = connection->Get();
        if (pointerHidden && windowAlive)
            RestorePointer();
        if (invisibleCursor)
            XFreeCursor(display, invisibleCursor);
        if (window && windowAlive)
            XDestroyWindow(display, window);
        // Closing the connection frees whatever else the server holds for us.
        connection.reset();
    }
    invisibleCursor = 0;
    pointerHidden = false;
    window = parent = topLevel = 0;
    handle = 0;
    windowAlive = false;
    client = nullptr;
    invalid = {};
}

void* X11EditorWindow::Handle() const {
    return reinterpret_cast<void*>(handle.load());
}

void X11EditorWindow::Resize(int w, int h) {
    std::lock_guard<std::recursive_mutex> lock(editorLock);
    if (!window || !windowAlive || w < 1 || h < 1 || (w == width && h == height))
        return;
    Display* display = connection->Get();
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes))
        return;
    // The host's window grows by the same amount, as on Windows.
    XWindowAttributes parentAttributes{};
    if (XGetWindowAttributes(display, parent, &parentAttributes)) {
        XResizeWindow(display, parent,
                      static_cast<unsigned>(std::max(parentAttributes.width + w - width, 1)),
                      static_cast<unsigned>(std::max(parentAttributes.height + h - height, 1)));
    }
    XResizeWindow(display, window, static_cast<unsigned>(w), static_cast<unsigned>(h));
    presenter = std::make_unique<X11Presenter>(*connection, window, attributes.visual,
                                               attributes.depth, w, h, options.allowSharedMemory);
    width = w;
    height = h;
    invalid = ScreenRect{0, 0, w, h};
    connection->SyncFailed();
}

// --- Events ---

bool X11EditorWindow::Dispatch(const EditorEvent& event) {
    return client ? client->Dispatch(event) : false;
}

void X11EditorWindow::Pump() {
    if (!connection || !window || pumpDepth > 0)
        return;
    ++pumpDepth;
    Display* display = connection->Get();
    for (int n = 0; n < kEventsPerPump && connection && !closeDeferred && XPending(display); ++n) {
        XEvent event;
        XNextEvent(display, &event);
        HandleEvent(event);
    }
    const Clock::time_point now = Clock::now();
    if (client && windowAlive && !closeDeferred && now >= nextTick) {
        // A late tick is not made up for: the next one is a whole period away.
        nextTick = std::max(nextTick + period, now);
        ++ticksDispatched;
        Dispatch(EditorEvent::Simple(EditorEvent::kTimer));
    }
    if (client && windowAlive && !closeDeferred)
        PaintNow();
    if (connection)
        XFlush(display);
    --pumpDepth;
    if (closeDeferred)
        CloseLocked();
}

void X11EditorWindow::HandleEvent(XEvent& event) {
    if (field && event.xany.window == field->Window()) {
        HandleFieldEvent(event);
        return;
    }
    if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        return;
    }
    if (event.xany.window != window)
        return;
    switch (event.type) {
    case Expose:
        Invalidate(ScreenRect{event.xexpose.x, event.xexpose.y,
                              event.xexpose.x + event.xexpose.width,
                              event.xexpose.y + event.xexpose.height});
        break;
    case ButtonPress:
        HandleButtonPress(event.xbutton);
        break;
    case ButtonRelease: {
        const XButtonEvent& b = event.xbutton;
        if (b.button == Button1 || b.button == Button2 || b.button == Button3)
            Dispatch(EditorEvent::Mouse(EditorEvent::kMouseUp, b.x, b.y,
                                        ModifiersOf(b.state, 0, b.button)));
        break;
    }
    case MotionNotify: {
        // Only the newest position of a burst of motions matters (never skipping past a press
        // or release queued between them).
        Display* display = connection->Get();
        XEvent next;
        while (XEventsQueued(display, QueuedAlready) > 0) {
            XPeekEvent(display, &next);
            if (next.type != MotionNotify || next.xany.window != window)
                break;
            XNextEvent(display, &event);
        }
        const XMotionEvent& m = event.xmotion;
        if (m.state & (Button1Mask | Button3Mask))
            Dispatch(
                EditorEvent::Mouse(EditorEvent::kMouseDrag, m.x, m.y, ModifiersOf(m.state, 0, 0)));
        break;
    }
    case KeyPress:
        HandleKey(event.xkey);
        break;
    case KeyRelease:
        ForwardKey(event.xkey);
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == window) {
            // The host destroyed its window with ours inside.
            windowAlive = false;
            field.reset();
            presenter.reset();
        }
        break;
    default:
        break; // focus changes are absorbed
    }
}

void X11EditorWindow::HandleButtonPress(const XButtonEvent& b) {
    if (b.button == Button4 || b.button == Button5) {
        // The wheel: button 4 turns away from the user.
        Dispatch(
            EditorEvent::Wheel(b.x, b.y, ModifiersOf(b.state, 0, 0), b.button == Button4 ? 1 : -1));
        return;
    }
    if (b.button != Button1 && b.button != Button2 && b.button != Button3)
        return;
    const MouseModifiers mods = ModifiersOf(b.state, b.button, 0);
    if (b.button == Button1) {
        const bool isDouble = lastPressCounts && b.time - lastPressTime <= kDoubleClickMs &&
                              std::abs(b.x - lastPressX) <= kDoubleClickDistance &&
                              std::abs(b.y - lastPressY) <= kDoubleClickDistance;
        lastPressCounts = !isDouble; // a third press starts afresh
        lastPressTime = b.time;
        lastPressX = b.x;
        lastPressY = b.y;
        if (isDouble) {
            Dispatch(EditorEvent::Mouse(EditorEvent::kDoubleClick, b.x, b.y, mods));
            return;
        }
    } else {
        lastPressCounts = false;
    }
    Dispatch(EditorEvent::Mouse(EditorEvent::kMouseDown, b.x, b.y, mods));
}

void X11EditorWindow::HandleKey(XKeyEvent& k) {
    const std::optional<KeyCode> key = TranslateKey(XLookupKeysym(&k, 0));
    if (key) {
        ::Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = k.x, y = k.y;
        unsigned mask = 0;
        XQueryPointer(connection->Get(), window, &root, &child, &rootX, &rootY, &x, &y, &mask);
        if (Dispatch(EditorEvent::Key(x, y, *key)))
            return;
    }
    ForwardKey(k);
}

void X11EditorWindow::ForwardKey(XKeyEvent& k) {
    // Keys no control took go to the host's top-level window, as on Windows.
    if (!topLevel || topLevel == window)
        return;
    XEvent copy;
    copy.xkey = k;
    copy.xkey.window = topLevel;
    copy.xkey.subwindow = None;
    copy.xkey.send_event = True;
    const long mask = k.type == KeyPress ? KeyPressMask : KeyReleaseMask;
    XSendEvent(connection->Get(), topLevel, True, mask, &copy);
}

void X11EditorWindow::HandleFieldEvent(XEvent& event) {
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0)
            field->Redraw();
        break;
    case KeyPress: {
        const X11TextField::KeyResult r = field->HandleKey(event.xkey);
        if (r == X11TextField::KeyResult::kEnter)
            Dispatch(EditorEvent::Simple(EditorEvent::kFieldEnter));
        else if (r == X11TextField::KeyResult::kEscape)
            Dispatch(EditorEvent::Simple(EditorEvent::kFieldEscape));
        break;
    }
    case ButtonPress:
        field->HandleButton(event.xbutton);
        break;
    case FocusIn:
        if (event.xfocus.mode == NotifyGrab || event.xfocus.mode == NotifyUngrab ||
            event.xfocus.detail == NotifyPointer)
            break;
        // The focus the field got when it opened is not news.
        if (!fieldFocusSeen)
            fieldFocusSeen = true;
        else
            Dispatch(EditorEvent::Simple(EditorEvent::kFieldFocusGained));
        break;
    case FocusOut:
        if (event.xfocus.mode == NotifyGrab || event.xfocus.mode == NotifyUngrab ||
            event.xfocus.detail == NotifyPointer || event.xfocus.detail == NotifyInferior)
            break;
        fieldFocusSeen = true;
        Dispatch(EditorEvent::Simple(EditorEvent::kFieldFocusLost));
        break;
    default:
        break;
    }
}

void X11EditorWindow::ForeignEvent(XEvent& event) {
    // While a menu or dialog is up the editor only keeps its picture.
    if (field && event.xany.window == field->Window()) {
        if (event.type == Expose && event.xexpose.count == 0)
            field->Redraw();
        return;
    }
    if (event.xany.window != window)
        return;
    if (event.type == Expose && presenter && client && client->Surface()) {
        presenter->Show(*client->Surface(), ScreenRect{event.xexpose.x, event.xexpose.y,
                                                       event.xexpose.x + event.xexpose.width,
                                                       event.xexpose.y + event.xexpose.height});
    } else if (event.type == DestroyNotify && event.xdestroywindow.window == window) {
        windowAlive = false;
    }
}

void X11EditorWindow::ServiceWhileWaiting() {
    if (!connection)
        return;
    Display* display = connection->Get();
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        ForeignEvent(event);
    }
}

// --- Painting ---

void X11EditorWindow::Invalidate(const ScreenRect& area) {
    const ScreenRect clipped{std::max(area.left, 0), std::max(area.top, 0),
                             std::min(area.right, width), std::min(area.bottom, height)};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom)
        return;
    invalid = Union(invalid, clipped);
}

void X11EditorWindow::Validate(const ScreenRect& area) {
    if (invalid.IsEmpty())
        return;
    // The invalid part is one rectangle: it shrinks only where `area` covers a whole side.
    ScreenRect r = invalid;
    const bool spansX = area.left <= r.left && area.right >= r.right;
    const bool spansY = area.top <= r.top && area.bottom >= r.bottom;
    if (spansX && spansY) {
        invalid = {};
        return;
    }
    if (spansX && area.top <= r.top && area.bottom > r.top)
        r.top = area.bottom;
    else if (spansX && area.bottom >= r.bottom && area.top < r.bottom)
        r.bottom = area.top;
    else if (spansY && area.left <= r.left && area.right > r.left)
        r.left = area.right;
    else if (spansY && area.right >= r.right && area.left < r.right)
        r.right = area.left;
    invalid = r.left < r.right && r.top < r.bottom ? r : ScreenRect{};
}

void X11EditorWindow::PaintNow() {
    if (invalid.IsEmpty() || !client)
        return;
    const ScreenRect area = invalid;
    invalid = {};
    Dispatch(EditorEvent::Paint(area));
}

void X11EditorWindow::ShowRegion(const RasterBitmap& surface, const ScreenRect& area) {
    if (presenter && windowAlive)
        presenter->Show(surface, area);
}

bool X11EditorWindow::UsesSharedMemory() const {
    std::lock_guard<std::recursive_mutex> lock(editorLock);
    return presenter && presenter->UsesSharedMemory();
}

// --- Input ---

void X11EditorWindow::TakeFocus() {
    if (!connection || !windowAlive)
        return;
    XWindowAttributes attributes{};
    // Only a viewable window can have the focus (hosts often open the editor before showing it).
    if (XGetWindowAttributes(connection->Get(), window, &attributes) &&
        attributes.map_state == IsViewable)
        XSetInputFocus(connection->Get(), window, RevertToParent, CurrentTime);
}

void X11EditorWindow::CaptureMouse() {
    if (!connection || !windowAlive)
        return;
    XGrabPointer(connection->Get(), window, False,
                 ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                 GrabModeAsync, None, None, CurrentTime);
}

void X11EditorWindow::ReleaseMouse() {
    if (connection)
        XUngrabPointer(connection->Get(), CurrentTime);
}

void X11EditorWindow::HidePointer() {
    if (!connection || !windowAlive || pointerHidden)
        return;
    Display* display = connection->Get();
    ::Window root = 0, child = 0;
    int x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(display, window, &root, &child, &hiddenX, &hiddenY, &x, &y, &mask);
    if (!invisibleCursor) {
        static const char empty[1] = {0};
        Pixmap blank = XCreateBitmapFromData(display, window, empty, 1, 1);
        XColor black{};
        invisibleCursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
        XFreePixmap(display, blank);
    }
    XDefineCursor(display, window, invisibleCursor);
    pointerHidden = true;
}

void X11EditorWindow::RestorePointer() {
    if (!connection || !pointerHidden)
        return;
    Display* display = connection->Get();
    XWarpPointer(display, None, connection->Root(), 0, 0, 0, 0, hiddenX, hiddenY);
    if (windowAlive)
        XUndefineCursor(display, window);
    pointerHidden = false;
}

// --- The value-entry field ---

bool X11EditorWindow::OpenTextField(const TextFieldRequest& request) {
    if (!connection || !windowAlive || field)
        return false;
    const TextStyle defaultStyle;
    field = std::make_unique<X11TextField>(*connection, window, request.rect,
                                           request.style ? *request.style : defaultStyle,
                                           request.text ? request.text : "", request.maxLength,
                                           request.chars, options.allowSharedMemory);
    if (!field->Valid()) {
        field.reset();
        return false;
    }
    fieldMaxLength = request.maxLength;
    fieldFocusSeen = false;
    field->TakeFocus();
    return true;
}

std::string X11EditorWindow::TextFieldText() const {
    if (!field)
        return {};
    return field->Text().substr(0, static_cast<std::size_t>(std::max(fieldMaxLength, 0)));
}

void X11EditorWindow::CloseTextField() {
    field.reset();
}

unsigned long X11EditorWindow::TextFieldWindow() const {
    std::lock_guard<std::recursive_mutex> lock(editorLock);
    return field ? field->Window() : 0;
}

// --- Menus and dialogs ---

int X11EditorWindow::TrackPopupMenu(const PopupMenu& menu, const ScreenRect& rect) {
    if (!connection || !windowAlive)
        return 0;
    Display* display = connection->Get();
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display, window, connection->Root(), rect.left, rect.bottom, &x, &y,
                          &child);
    XUngrabPointer(display, CurrentTime);
    X11PopupMenu popup(*connection, *this, options.allowSharedMemory);
    return popup.Track(menu, x, y);
}

int X11EditorWindow::ShowMessage(const char* text, const char* caption, int type) {
    if (!connection || !windowAlive)
        return kAnswerNone;
    XUngrabPointer(connection->Get(), CurrentTime);
    X11Dialog dialog(*connection, *this, window, options.allowSharedMemory);
    return dialog.Message(text ? text : "", caption ? caption : "", type);
}

bool X11EditorWindow::RunDesktopFileDialog(const std::string& tool, std::string& path, bool save,
                                           const std::string& extensions, bool& ran) {
    const std::vector<std::string> exts = SplitWords(extensions);
    std::string spaced, joined;
    for (const auto& e : exts) {
        spaced += (spaced.empty() ? "" : " ") + ("*." + e);
        joined += (joined.empty() ? "" : ";") + ("*." + e);
    }
    std::vector<std::string> args;
    const bool zenity = tool.size() >= 6 && tool.compare(tool.size() - 6, 6, "zenity") == 0;
    if (zenity) {
        args = {tool, "--file-selection", save ? "--title=Save file" : "--title=Open file",
                "--filename=" + path};
        if (save)
            args.push_back("--save");
        if (!exts.empty()) {
            args.push_back("--file-filter=" + joined + " | " + spaced);
            args.push_back("--file-filter=All files | *");
        }
    } else {
        args = {tool, save ? "--getsavefilename" : "--getopenfilename", path,
                exts.empty() ? std::string("*") : spaced + "|" + joined};
    }
    std::string output;
    const int status = external::Run(args, output, [this] {
        ServiceWhileWaiting();
        return !ModalAborted();
    });
    ran = status >= 0;
    if (status != 0)
        return false;
    const std::string chosen = Trimmed(output);
    if (chosen.empty())
        return false;
    path = chosen;
    return true;
}

bool X11EditorWindow::PromptForFile(std::string& path, bool save, const std::string& extensions) {
    X11Dialog dialog(*connection, *this, window, options.allowSharedMemory);
    std::string value = path;
    const std::string caption = save ? "Save file" : "Open file";
    const std::string label = std::string(save ? "Save as" : "File to open") +
                              (extensions.empty() ? "" : " (" + extensions + ")") + ":";
    for (;;) {
        if (!dialog.Prompt(label, caption, value) || value.empty())
            return false;
        if (!save && !folders::IsRegularFile(value)) {
            dialog.Message(value + "\nFile not found.\nCheck the file name and try again.", caption,
                           kMessageOk);
            continue;
        }
        const std::string folder = FolderOf(value);
        if (save && !folder.empty() && !folders::Exists(folder)) {
            dialog.Message(value + "\nPath does not exist.\nCheck the path and try again.", caption,
                           kMessageOk);
            continue;
        }
        path = value;
        return true;
    }
}

bool X11EditorWindow::ChooseFile(std::string& file, int action, std::string& folder,
                                 const char* extensionList) {
    if (!connection || !windowAlive) {
        file.clear();
        return false;
    }
    XUngrabPointer(connection->Get(), CurrentTime);
    const bool save = action == kFileSave;
    const std::string extensions = extensionList ? extensionList : "";
    const std::string start = WithSlash(folder.empty() ? Folder(EditorFolder::kDesktop) : folder);
    std::string path = start + file;
    bool chosen = false;
    bool ran = false;
    if (options.desktopDialogs) {
        for (const char* name : {"zenity", "kdialog"}) {
            const std::string tool = external::FindProgram(name);
            if (tool.empty())
                continue;
            chosen = RunDesktopFileDialog(tool, path, save, extensions, ran);
            break;
        }
    }
    if (!ran && !ModalAborted())
        chosen = PromptForFile(path, save, extensions);
    if (chosen && save) {
        // The first extension is the default one, added to a name typed without any.
        const std::vector<std::string> exts = SplitWords(extensions);
        const std::size_t slash = path.rfind('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (!exts.empty() && name.find('.') == std::string::npos)
            path += "." + exts.front();
        if (!ran && folders::IsRegularFile(path)) {
            X11Dialog ask(*connection, *this, window, options.allowSharedMemory);
            if (ask.Message(path + " already exists.\nDo you want to replace it?", "Save file",
                            kMessageYesNo) != kAnswerYes)
                chosen = false;
        }
    }
    if (!chosen) {
        file.clear();
        return false;
    }
    file = path;
    folder = FolderOf(path);
    return true;
}

bool X11EditorWindow::ChooseColour(ColourARGB& colour, const char* prompt) {
    if (!connection || !windowAlive)
        return false;
    XUngrabPointer(connection->Get(), CurrentTime);
    char start[8];
    std::snprintf(start, sizeof start, "#%02x%02x%02x", colour.red & 0xFF, colour.green & 0xFF,
                  colour.blue & 0xFF);
    const std::string title = prompt && *prompt ? prompt : "Colour";
    std::string answer;
    bool ran = false;
    if (options.desktopDialogs) {
        std::vector<std::string> args;
        if (std::string tool = external::FindProgram("zenity"); !tool.empty())
            args = {tool, "--color-selection", "--title=" + title, std::string("--color=") + start};
        else if (std::string kd = external::FindProgram("kdialog"); !kd.empty())
            args = {kd, "--getcolor", "--default", start, "--title", title};
        if (!args.empty()) {
            const int status = external::Run(args, answer, [this] {
                ServiceWhileWaiting();
                return !ModalAborted();
            });
            ran = status >= 0;
            if (status != 0)
                return false;
        }
    }
    if (!ran) {
        X11Dialog dialog(*connection, *this, window, options.allowSharedMemory);
        answer = start;
        if (!dialog.Prompt("Colour (#rrggbb):", title, answer))
            return false;
    }
    return ParseColour(Trimmed(answer), colour);
}

bool X11EditorWindow::OpenLink(const char* url) {
    if (!url || !*url)
        return false;
    const std::string opener = external::FindProgram("xdg-open");
    return !opener.empty() && external::Launch({opener, url});
}

bool X11EditorWindow::ClipboardText(std::string& out) {
    out.clear();
    if (!connection || !windowAlive)
        return false;
    Display* display = connection->Get();
    if (XGetSelectionOwner(display, connection->clipboard) == None)
        return false;
    for (Atom type : {connection->utf8String, static_cast<Atom>(XA_STRING)}) {
        XDeleteProperty(display, window, connection->selectionProperty);
        XConvertSelection(display, connection->clipboard, type, connection->selectionProperty,
                          window, CurrentTime);
        XFlush(display);
        XEvent event;
        bool answered = false;
        for (int waited = 0; waited < kClipboardWaitMs && !ModalAborted();
             waited += kClipboardStepMs) {
            if (XCheckTypedWindowEvent(display, window, SelectionNotify, &event)) {
                answered = true;
                break;
            }
            usleep(kClipboardStepMs * 1000);
        }
        if (!answered)
            return false;
        if (event.xselection.property == None)
            continue; // the owner cannot give this type
        Atom actualType = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, connection->selectionProperty, 0, kClipboardLimit,
                               True, AnyPropertyType, &actualType, &format, &items, &remaining,
                               &data) != Success)
            return false;
        const bool usable = data && format == 8 &&
                            (actualType == connection->utf8String || actualType == XA_STRING);
        if (usable)
            out.assign(reinterpret_cast<const char*>(data), items);
        if (data)
            XFree(data);
        if (usable && type == XA_STRING) {
            // Latin-1 to UTF-8.
            std::string utf8;
            for (unsigned char c : out) {
                if (c < 0x80) {
                    utf8 += static_cast<char>(c);
                } else {
                    utf8 += static_cast<char>(0xC0 | (c >> 6));
                    utf8 += static_cast<char>(0x80 | (c & 0x3F));
                }
            }
            out = utf8;
        }
        return usable;
    }
    return false;
}

std::string X11EditorWindow::Folder(EditorFolder which) {
    switch (which) {
    case EditorFolder::kHost: {
        char path[4096] = {};
        const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        return n > 0 ? FolderOf(std::string(path, static_cast<std::size_t>(n))) : std::string();
    }
    case EditorFolder::kPlugin: {
        Dl_info info{};
        static const int anchor = 0;
        if (!dladdr(&anchor, &info) || !info.dli_fname)
            return {};
        char* resolved = realpath(info.dli_fname, nullptr);
        const std::string path = resolved ? resolved : info.dli_fname;
        std::free(resolved);
        return FolderOf(path);
    }
    case EditorFolder::kDesktop: {
        const char* home = std::getenv("HOME");
        if (!home || !*home)
            return {};
        const std::string desktop = WithSlash(home) + "Desktop";
        return WithSlash(folders::Exists(desktop) ? desktop : std::string(home));
    }
    case EditorFolder::kUserAppData:
        return WithSlash(folders::LocalApplicationData());
    case EditorFolder::kSystemAppData:
        return "/etc/xdg/";
    }
    return {};
}

} // namespace vorlunda
