// The Windows window layer. Every system message is turned into one EditorEvent for the core
// (EditorWindowClient::Dispatch); what the core does not consume goes to the default procedure.
#include "graphics/IGraphicsWin_win32.h"
#include "platform/WideText_win32.h"

#include "graphics/EditorEvent.h"
#include "graphics/PopupMenu.h"
#include "graphics/RasterBitmap.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace vorlunda {

namespace {

// Live objects of this layer in the process; see LiveUserObjects.
std::atomic<int> liveWindows{0}; // editor windows and text fields
std::atomic<int> liveMenus{0};
std::atomic<int> liveFonts{0};
// Editor windows open; the window class exists while this is above 0.
int openWindows = 0;

constexpr int kWheelDelta = 120; // one notch
constexpr int kPathChars = 1024; // file dialog buffer, characters
constexpr int kFilterChars = 255;
constexpr int kDefaultExtensionChars = 15;

// The library this code lives in, not the host executable.
HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

bool RegisterEditorClass(HINSTANCE module, WNDPROC proc) {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS; // 0x8: double clicks arrive as such
    wc.lpfnWndProc = proc;
    wc.hInstance = module;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = IGraphicsWin::kClassName;
    return RegisterClassW(&wc) != 0;
}

MouseModifiers ModifiersOf(WPARAM wParam) {
    MouseModifiers m;
    m.left = (wParam & MK_LBUTTON) != 0;
    m.right = (wParam & MK_RBUTTON) != 0;
    m.shift = (wParam & MK_SHIFT) != 0;
    m.control = (wParam & MK_CONTROL) != 0;
    m.alt = GetKeyState(VK_MENU) < 0;
    return m;
}

// The editor's key numbering; false for keys it does not know (they go to the host).
bool TranslateKey(WPARAM vk, KeyCode& key) {
    int code = -1;
    switch (vk) {
    case VK_SPACE:
        code = 0;
        break;
    case VK_UP:
        code = 1;
        break;
    case VK_DOWN:
        code = 2;
        break;
    case VK_LEFT:
        code = 3;
        break;
    case VK_RIGHT:
        code = 4;
        break;
    default:
        if (vk >= '0' && vk <= '9')
            code = 5 + static_cast<int>(vk - '0');
        else if (vk >= 'A' && vk <= 'Z')
            code = 15 + static_cast<int>(vk - 'A');
        break;
    }
    if (code < 0)
        return false;
    key = static_cast<KeyCode>(code);
    return true;
}

COLORREF ColourRef(const ColourARGB& c) {
    return RGB(c.red & 0xFF, c.green & 0xFF, c.blue & 0xFF);
}

// Directory part of a module's path with its trailing backslash; "" when the path has none or
// ends with one.
std::string ModuleFolder(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return {};
    std::wstring p(path, n);
    const std::size_t slash = p.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 == p.size())
        return {};
    return Narrow(p.substr(0, slash + 1).c_str());
}

std::string SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return {};
    return Narrow(path);
}

HMENU BuildMenu(const PopupMenu& menu) {
    HMENU handle = CreatePopupMenu();
    if (!handle)
        return nullptr;
    ++liveMenus;
    for (int i = 0; i < menu.ItemCount(); ++i) {
        const PopupMenuItem* item = menu.Item(i);
        if (item->IsSeparator()) {
            AppendMenuW(handle, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const std::wstring text = Widen(menu.ItemLabel(i).c_str());
        UINT flags = MF_STRING;
        if (item->flags & PopupMenuItem::kDisabled)
            flags |= MF_DISABLED;
        if (item->flags & PopupMenuItem::kGreyed)
            flags |= MF_GRAYED;
        if (item->flags & PopupMenuItem::kChecked)
            flags |= MF_CHECKED;
        if (item->submenu) {
            HMENU sub = BuildMenu(*item->submenu);
            if (sub) {
                // The parent menu destroys its submenus with it.
                AppendMenuW(handle, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub),
                            text.c_str());
                continue;
            }
        }
        AppendMenuW(handle, flags, static_cast<UINT_PTR>(menu.CommandOf(i)), text.c_str());
    }
    return handle;
}

int CountMenus(const PopupMenu& menu) {
    int n = 1;
    for (int i = 0; i < menu.ItemCount(); ++i)
        if (menu.Item(i)->submenu && !menu.Item(i)->IsSeparator())
            n += CountMenus(*menu.Item(i)->submenu);
    return n;
}

// The colour dialog has no title of its own: the hook puts the prompt there.
UINT_PTR CALLBACK ColourDialogHook(HWND dialog, UINT msg, WPARAM, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        const auto* cc = reinterpret_cast<const CHOOSECOLORW*>(lParam);
        if (cc && cc->lCustData)
            SetWindowTextW(dialog, reinterpret_cast<const wchar_t*>(cc->lCustData));
    }
    return 0;
}

struct MainWindowSearch {
    DWORD process;
    const std::wstring* className;
    HWND found;
};

// The first top-level window of this process with the remembered class name.
BOOL CALLBACK FindMainWindow(HWND w, LPARAM data) {
    auto* s = reinterpret_cast<MainWindowSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    wchar_t name[256] = {};
    GetClassNameW(w, name, static_cast<int>(std::size(name)));
    if (process == s->process && *s->className == name) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

} // namespace

IGraphicsWin::IGraphicsWin() : module(ThisModule()) {}

IGraphicsWin::~IGraphicsWin() {
    Close();
    RestorePointer();
}

int IGraphicsWin::LiveUserObjects() {
    return liveWindows.load() + liveMenus.load();
}

int IGraphicsWin::LiveGdiObjects() {
    return liveFonts.load();
}

int IGraphicsWin::OpenWindowCount() {
    return openWindows;
}

// --- The window ---

void* IGraphicsWin::Open(EditorWindowClient& clientArg, void* parentArg, int width, int height,
                         int fpsArg) {
    HWND newParent = static_cast<HWND>(parentArg);
    // A handle that is no window (stale, foreign or made up) cannot hold the editor.
    if (!newParent || !IsWindow(newParent) || width < 1 || height < 1)
        return nullptr;
    int x = 0;
    int y = 0;
    if (window) {
        // Reopened in another place: keep the position (relative to the new parent) and size.
        RECT r{};
        GetWindowRect(window, &r);
        MapWindowPoints(HWND_DESKTOP, newParent, reinterpret_cast<POINT*>(&r), 2);
        x = r.left;
        y = r.top;
        width = r.right - r.left;
        height = r.bottom - r.top;
        Close();
    }
    // The class exists while any editor window of the process is open.
    if (openWindows == 0 && !RegisterEditorClass(module, &IGraphicsWin::WindowProc) &&
        GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    parent = newParent;
    client = &clientArg;
    fps = std::clamp(fpsArg, 1, 1000);
    HWND created = CreateWindowExW(0, kClassName, kWindowName, WS_CHILD | WS_VISIBLE, x, y, width,
                                   height, newParent, nullptr, module, this);
    if (!created) {
        // A window that got as far as its first message was counted and uncounted by it.
        client = nullptr;
        parent = nullptr;
        if (openWindows == 0)
            UnregisterClassW(kClassName, module);
        return nullptr;
    }
    return window;
}

void IGraphicsWin::Close() {
    CloseTextField();
    if (window && IsWindow(window))
        DestroyWindow(window); // WM_NCDESTROY does the bookkeeping
    window = nullptr;
}

void IGraphicsWin::WindowGone() {
    // Reached from WM_NCDESTROY: by our Close, by the host destroying its window with ours in
    // it, or by a close message.
    KillTimer(window, kTimerId);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (GetCapture() == window)
        ReleaseCapture();
    Dispatch(EditorEvent::Simple(EditorEvent::kCaptureLost));
    // A field that goes with the window (the host destroyed its own) is an entry cancelled: the
    // core forgets it at its next tick instead of waiting for a field that no longer exists.
    if (field)
        Dispatch(EditorEvent::Simple(EditorEvent::kFieldEscape));
    FieldGone();
    window = nullptr;
    client = nullptr;
    paintContext = nullptr;
    --liveWindows;
    if (--openWindows == 0)
        UnregisterClassW(kClassName, module);
}

void IGraphicsWin::Resize(int width, int height) {
    if (!window)
        return;
    RECT r{};
    GetWindowRect(window, &r);
    const int dw = width - (r.right - r.left);
    const int dh = height - (r.bottom - r.top);
    if (dw == 0 && dh == 0)
        return;
    const auto grow = [dw, dh](HWND w) {
        RECT wr{};
        GetWindowRect(w, &wr);
        SetWindowPos(w, nullptr, 0, 0, wr.right - wr.left + dw, wr.bottom - wr.top + dh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    grow(window);
    // Host windows that merely frame the editor follow it: its parent and grandparent, while
    // they are child windows (not multiple-document children).
    const auto isPlainChild = [](HWND w) {
        return w && (GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) &&
               !(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_MDICHILD);
    };
    if (isPlainChild(window) && parent && IsWindow(parent)) {
        if (isPlainChild(parent)) {
            grow(parent);
            HWND grandparent = GetParent(parent);
            if (isPlainChild(grandparent))
                grow(grandparent);
        }
    }
    InvalidateRect(window, nullptr, FALSE);
}

// --- Painting ---

void IGraphicsWin::Invalidate(const ScreenRect& a) {
    if (!window)
        return;
    const RECT r{a.left, a.top, a.right, a.bottom};
    InvalidateRect(window, &r, FALSE);
}

void IGraphicsWin::Validate(const ScreenRect& a) {
    if (!window)
        return;
    const RECT r{a.left, a.top, a.right, a.bottom};
    ValidateRect(window, &r);
}

void IGraphicsWin::PaintNow() {
    if (window)
        UpdateWindow(window);
}

void IGraphicsWin::Paint() {
    PAINTSTRUCT ps{};
    RECT update{};
    const bool any = GetUpdateRect(window, &update, FALSE) != 0;
    HDC dc = BeginPaint(window, &ps);
    if (any && dc) {
        paintContext = dc;
        Dispatch(EditorEvent::Paint(
            {ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom}));
        paintContext = nullptr;
    }
    EndPaint(window, &ps);
}

void IGraphicsWin::ShowRegion(const RasterBitmap& surface, const ScreenRect& area) {
    if (!window || !surface.HasPixels())
        return;
    const int left = std::max(area.left, 0);
    const int top = std::max(area.top, 0);
    const int right = std::min(area.right, surface.Width());
    const int bottom = std::min(area.bottom, surface.Height());
    if (right <= left || bottom <= top)
        return;
    HDC dc = paintContext ? paintContext : GetDC(window);
    if (!dc)
        return;
    if (HDC source = static_cast<HDC>(surface.DeviceContext())) {
        BitBlt(dc, left, top, right - left, bottom - top, source, left, top, SRCCOPY);
    } else {
        // A surface without a device context: hand its rows to the system directly.
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = surface.RowSpan();
        info.bmiHeader.biHeight = -surface.Height();
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        StretchDIBits(dc, left, top, right - left, bottom - top, left, top, right - left,
                      bottom - top, surface.Pixels(), &info, DIB_RGB_COLORS, SRCCOPY);
    }
    if (!paintContext)
        ReleaseDC(window, dc);
}

// --- Input ---

void IGraphicsWin::TakeFocus() {
    if (window)
        SetFocus(window);
}

void IGraphicsWin::CaptureMouse() {
    if (window)
        SetCapture(window);
}

void IGraphicsWin::ReleaseMouse() {
    if (window && GetCapture() == window)
        ReleaseCapture();
}

void IGraphicsWin::HidePointer() {
    if (pointerHidden)
        return;
    GetCursorPos(&hiddenPointerPos);
    ShowCursor(FALSE);
    pointerHidden = true;
}

void IGraphicsWin::RestorePointer() {
    if (!pointerHidden)
        return;
    SetCursorPos(hiddenPointerPos.x, hiddenPointerPos.y);
    ShowCursor(TRUE);
    pointerHidden = false;
}

bool IGraphicsWin::Dispatch(const EditorEvent& event) {
    return client && client->Dispatch(event);
}

// --- Window procedure ---

LRESULT CALLBACK IGraphicsWin::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<IGraphicsWin*>(create->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window = hwnd;
        ++liveWindows;
        ++openWindows;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    auto* self = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // Only a window that still belongs to a live editor is handled.
    if (!self || self->window != hwnd)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    try {
        return self->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        return 0; // nothing may unwind into the host's message loop
    }
}

LRESULT IGraphicsWin::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto mouse = [&](EditorEvent::Type type) {
        return EditorEvent::Mouse(type, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                                  ModifiersOf(wParam));
    };
    bool handled = false;
    switch (msg) {
    case WM_CREATE:
        SetTimer(window, kTimerId, static_cast<UINT>(1000 / fps), nullptr); // 40 ms at 25 fps
        SetFocus(window);
        return 0;
    case WM_NCDESTROY: {
        HWND hwnd = window;
        WindowGone();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    case WM_TIMER:
        if (wParam != kTimerId)
            break;
        handled = Dispatch(EditorEvent::Simple(EditorEvent::kTimer));
        if (handled)
            return 0;
        break;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the surface covers every pixel
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    // A quick second right or middle press is a press, not something to drop.
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        handled = Dispatch(mouse(EditorEvent::kMouseDown));
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        handled = Dispatch(mouse(EditorEvent::kMouseUp));
        break;
    case WM_LBUTTONDBLCLK:
        handled = Dispatch(mouse(EditorEvent::kDoubleClick));
        break;
    case WM_MOUSEMOVE:
        if (wParam & (MK_LBUTTON | MK_RBUTTON)) {
            if (GetCapture() == window)
                handled = Dispatch(mouse(EditorEvent::kMouseDrag));
        } else {
            handled = true; // no hover tracking
        }
        break;
    case WM_MOUSEWHEEL: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; // screen coordinates
        ScreenToClient(window, &p);
        const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / kWheelDelta;
        handled = Dispatch(
            EditorEvent::Wheel(p.x, p.y, ModifiersOf(GET_KEYSTATE_WPARAM(wParam)), notches));
        break;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != window)
            Dispatch(EditorEvent::Simple(EditorEvent::kCaptureLost));
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return HandleKey(msg, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_CTLCOLOREDIT:
        if (field && reinterpret_cast<HWND>(lParam) == field) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, ColourRef(fieldBackground));
            SetTextColor(dc, ColourRef(fieldForeground));
            SetBkMode(dc, OPAQUE);
            return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
        }
        break;
    default:
        break;
    }
    if (handled)
        return 0;
    return DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT IGraphicsWin::HandleKey(UINT msg, WPARAM wParam, LPARAM lParam) {
    KeyCode key{};
    if (msg == WM_KEYDOWN && TranslateKey(wParam, key)) {
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(window, &p);
        if (Dispatch(EditorEvent::Key(p.x, p.y, key)))
            return 0;
    }
    // Keys no control took belong to the host: its top-level window gets them too.
    HWND top = GetAncestor(window, GA_ROOT);
    if (top && top != window)
        PostMessageW(top, msg, wParam, lParam);
    return DefWindowProcW(window, msg, wParam, lParam);
}

// --- Text entry ---

bool IGraphicsWin::OpenTextField(const TextFieldRequest& request) {
    if (!window || field)
        return false;
    const TextStyle* style = request.style;
    DWORD alignment = ES_LEFT;
    if (style && style->align == TextStyle::kCentre)
        alignment = ES_CENTER;
    else if (style && style->align == TextStyle::kFar)
        alignment = ES_RIGHT;
    const ScreenRect& r = request.rect;
    const std::wstring text = Widen(request.text);
    HWND f = CreateWindowExW(
        0, L"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL | alignment,
        r.left, r.top, r.Width() + 1, r.Height() + 1, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFieldId)), module, nullptr);
    if (!f)
        return false;
    ++liveWindows;
    field = f;
    fieldChars = request.chars;
    if (style) {
        fieldBackground = style->entryBackground;
        fieldForeground = style->entryForeground;
        const std::wstring face = Widen(style->face);
        fieldFont = CreateFontW(
            style->size, 0, 0, 0, style->style == TextStyle::kBold ? FW_BOLD : 0,
            style->style == TextStyle::kItalic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
        if (fieldFont) {
            ++liveFonts;
            SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(fieldFont), FALSE);
        }
    }
    SendMessageW(field, EM_LIMITTEXT, static_cast<WPARAM>(std::max(request.maxLength, 0)), 0);
    SendMessageW(field, EM_SETSEL, 0, -1);
    // The focus comes before the procedure is replaced, so its first focus is not reported.
    SetFocus(field);
    SetWindowLongPtrW(field, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    fieldOldProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&IGraphicsWin::FieldProc)));
    return true;
}

std::string IGraphicsWin::TextFieldText() const {
    if (!field)
        return {};
    wchar_t text[64] = {}; // the core takes at most 31 characters
    GetWindowTextW(field, text, static_cast<int>(std::size(text)));
    return Narrow(text);
}

void IGraphicsWin::CloseTextField() {
    if (!field)
        return;
    HWND f = field;
    if (fieldOldProc)
        SetWindowLongPtrW(f, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(fieldOldProc));
    fieldOldProc = nullptr;
    const bool hadFocus = GetFocus() == f;
    DestroyWindow(f);
    FieldGone();
    // The keys go back to the editor, not to nowhere.
    if (hadFocus && window)
        SetFocus(window);
}

void IGraphicsWin::FieldGone() {
    if (!field)
        return;
    field = nullptr;
    fieldOldProc = nullptr;
    --liveWindows;
    if (fieldFont) {
        DeleteObject(fieldFont);
        fieldFont = nullptr;
        --liveFonts;
    }
}

LRESULT CALLBACK IGraphicsWin::FieldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || self->field != hwnd || !self->fieldOldProc)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    try {
        return self->HandleFieldMessage(msg, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT IGraphicsWin::HandleFieldMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND f = field;
    WNDPROC old = fieldOldProc;
    switch (msg) {
    case WM_SETFOCUS:
        Dispatch(EditorEvent::Simple(EditorEvent::kFieldFocusGained));
        break;
    case WM_KILLFOCUS:
        Dispatch(EditorEvent::Simple(EditorEvent::kFieldFocusLost));
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            Dispatch(EditorEvent::Simple(EditorEvent::kFieldEnter));
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            Dispatch(EditorEvent::Simple(EditorEvent::kFieldEscape));
            return 0;
        }
        break;
    case WM_GETDLGCODE: {
        LRESULT code = CallWindowProcW(old, f, msg, wParam, lParam);
        const auto* queried = reinterpret_cast<const MSG*>(lParam);
        if (fieldChars == TextEntryChars::kAny && queried && queried->message == WM_KEYDOWN &&
            queried->wParam == VK_RETURN)
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_CHAR: {
        const auto c = static_cast<char32_t>(wParam);
        // Enter and Escape finish the entry; their characters never become text (the field
        // is multi-line only to receive them).
        if (c == U'\r' || c == U'\n' || c == 0x1B)
            return 0;
        const bool editing = c == 0x08 /* backspace */ || c == 0x01 /* select all */ ||
                             c == 0x03 /* copy */ || c == 0x18 /* cut */ || c == 0x1A /* undo */;
        if (!editing && !TextEntryAccepts(fieldChars, c))
            return 0;
        break;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == 1) {
            Dispatch(EditorEvent::Simple(EditorEvent::kFieldCommit));
            return 0;
        }
        break;
    case WM_NCDESTROY: {
        // Destroyed with the editor window (CloseTextField puts the old procedure back first, so
        // this is never our own close): the entry is cancelled and the field forgotten.
        Dispatch(EditorEvent::Simple(EditorEvent::kFieldEscape));
        const LRESULT r = CallWindowProcW(old, f, msg, wParam, lParam);
        FieldGone();
        return r;
    }
    default:
        break;
    }
    return CallWindowProcW(old, f, msg, wParam, lParam);
}

// --- Modal user interface ---

int IGraphicsWin::TrackPopupMenu(const PopupMenu& menu, const ScreenRect& rect) {
    if (!window)
        return 0;
    HMENU handle = BuildMenu(menu);
    if (!handle)
        return 0;
    if (GetCapture() == window)
        ReleaseCapture();
    POINT p{rect.left, rect.bottom};
    ClientToScreen(window, &p);
    const int command = static_cast<int>(::TrackPopupMenu(
        handle, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, p.x,
        p.y, 0, window, nullptr));
    // Destroying the top menu destroys every submenu.
    liveMenus -= CountMenus(menu);
    DestroyMenu(handle);
    return command > 0 ? command : 0;
}

HWND IGraphicsWin::MainWindow() {
    if (mainWindow && IsWindow(mainWindow))
        return mainWindow;
    mainWindow = nullptr;
    if (window) {
        HWND top = GetAncestor(window, GA_ROOT);
        if (top && top != window) {
            mainWindow = top;
            wchar_t name[256] = {};
            GetClassNameW(top, name, static_cast<int>(std::size(name)));
            mainWindowClass = name;
        }
        return mainWindow;
    }
    if (mainWindowClass.empty())
        return nullptr;
    MainWindowSearch search{GetCurrentProcessId(), &mainWindowClass, nullptr};
    EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&search));
    mainWindow = search.found;
    return mainWindow;
}

int IGraphicsWin::ShowMessage(const char* text, const char* caption, int type) {
    const std::wstring t = Widen(text);
    const std::wstring c = Widen(caption);
    return MessageBoxW(MainWindow(), t.c_str(), c.c_str(), static_cast<UINT>(type));
}

bool IGraphicsWin::ChooseFile(std::string& file, int action, std::string& folder,
                              const char* extensions) {
    if (!window) {
        file.clear();
        return false;
    }
    // "fxp fxb" -> "*.fxp;*.fxb", both the description and the pattern.
    std::wstring patterns;
    std::wstring defaultExtension;
    const std::wstring list = Widen(extensions);
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(L' ', start);
        if (end == std::wstring::npos)
            end = list.size();
        if (end > start) {
            const std::wstring ext = list.substr(start, end - start);
            if (defaultExtension.empty())
                defaultExtension = ext.substr(0, kDefaultExtensionChars);
            if (!patterns.empty())
                patterns += L';';
            patterns += L"*." + ext;
        }
        start = end + 1;
    }
    patterns = patterns.substr(0, kFilterChars);
    std::wstring filter = patterns;
    filter += L'\0';
    filter += patterns;
    filter += L'\0';
    filter += L'\0';

    std::vector<wchar_t> path(kPathChars, L'\0');
    const std::wstring current = Widen(file.c_str());
    std::copy_n(current.begin(), std::min<std::size_t>(current.size(), kPathChars - 1),
                path.begin());
    std::wstring initialFolder = Widen(folder.c_str());
    if (initialFolder.empty())
        initialFolder = Widen(Folder(EditorFolder::kDesktop).c_str());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window;
    ofn.lpstrFilter = patterns.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = kPathChars;
    ofn.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    ofn.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
    // The host's working folder stays where it was.
    ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    bool chosen = false;
    if (action == kFileSave) {
        ofn.Flags |= OFN_OVERWRITEPROMPT;
        chosen = GetSaveFileNameW(&ofn) != 0;
    } else {
        ofn.Flags |= OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameW(&ofn) != 0;
    }
    if (!chosen) {
        file.clear();
        return false;
    }
    path.back() = L'\0';
    file = Narrow(path.data());
    const std::wstring chosenPath(path.data());
    const std::size_t slash = chosenPath.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        folder = Narrow(chosenPath.substr(0, slash + 1).c_str());
    return true;
}

bool IGraphicsWin::ChooseColour(ColourARGB& colour, const char* prompt) {
    if (!window)
        return false;
    if (!customColoursUsed) {
        customColours.fill(RGB(255, 255, 255));
        customColoursUsed = true;
    }
    const std::wstring title = Widen(prompt);
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = window;
    cc.rgbResult = ColourRef(colour);
    cc.lpCustColors = customColours.data();
    cc.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ANYCOLOR;
    if (!title.empty()) {
        cc.Flags |= CC_ENABLEHOOK;
        cc.lpfnHook = &ColourDialogHook;
        cc.lCustData = reinterpret_cast<LPARAM>(title.c_str());
    }
    if (!ChooseColorW(&cc))
        return false;
    colour.red = GetRValue(cc.rgbResult);
    colour.green = GetGValue(cc.rgbResult);
    colour.blue = GetBValue(cc.rgbResult);
    return true;
}

bool IGraphicsWin::OpenLink(const char* url) {
    if (!url || !*url)
        return false;
    DWORD state = 0;
    if (!InternetGetConnectedState(&state, 0))
        return false;
    const std::wstring u = Widen(url);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(window, L"open", u.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32; // above 32: success
}

bool IGraphicsWin::ClipboardText(std::string& out) {
    out.clear();
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(window))
        return false;
    bool ok = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            // The clipboard's block may lack a terminator: never read past its size.
            const std::size_t n = GlobalSize(data) / sizeof(wchar_t);
            out = Narrow(std::wstring(text, std::find(text, text + n, L'\0')).c_str());
            GlobalUnlock(data);
            ok = true;
        }
    }
    CloseClipboard();
    return ok;
}

std::string IGraphicsWin::Folder(EditorFolder which) {
    switch (which) {
    case EditorFolder::kHost:
        return ModuleFolder(nullptr);
    case EditorFolder::kPlugin:
        return ModuleFolder(module);
    case EditorFolder::kDesktop:
        return SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    case EditorFolder::kUserAppData:
        return SpecialFolder(CSIDL_LOCAL_APPDATA);
    case EditorFolder::kSystemAppData:
        return SpecialFolder(CSIDL_COMMON_APPDATA);
    }
    return {};
}

} // namespace vorlunda
