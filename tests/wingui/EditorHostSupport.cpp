#include "EditorHostSupport.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace editorhost {

namespace {

// A function the library exports, as the type it has.
template <typename F>
F Export(const vorlunda::vsthost::PluginLibrary& library, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(library.EntryNamed(name)));
}

int checks = 0;
int failures = 0;
constexpr int kWidth = 1080; // editor size, pixels
constexpr int kHeight = 396;
constexpr float kSampleRate = 48000.0f; // Hz, told to every instance and answered to it
constexpr int kBlockSize = 512;         // samples
constexpr int kIdlePeriod = 40;         // ms between editor-idle requests
constexpr int kResponderTimeout = 5000; // ms
constexpr int kFileNameCombo = 0x47c;   // the file dialogs' file-name control

std::string Utf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

std::wstring Wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 1)
        return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

// Waits for a visible top-level window of `className` that `accept` takes.
HWND WaitForWindow(const wchar_t* className, bool (*accept)(HWND)) {
    for (int waited = 0; waited < kResponderTimeout; waited += 20) {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, className, nullptr)) != nullptr)
            if (IsWindowVisible(w) && (!accept || accept(w)))
                return w;
        Sleep(20);
    }
    return nullptr;
}

void Input(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x;
    in.mi.dy = y;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

} // namespace

void Check(bool passed, const std::string& name, const std::string& detail) {
    ++checks;
    if (passed) {
        std::printf("ok - %s\n", name.c_str());
    } else {
        ++failures;
        std::printf("FAIL - %s%s%s\n", name.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    }
    std::fflush(stdout);
}

int Summary(double seconds) {
    std::printf("%d checks, %d failed, %.1f s\n", checks, failures, seconds);
    if (checks > 0 && failures == 0)
        std::printf("ALL EDITOR CHECKS PASSED\n");
    std::fflush(stdout);
    return failures == 0 && checks > 0 ? 0 : 1;
}

std::string Objects::Text() const {
    return "user " + std::to_string(user) + ", gdi " + std::to_string(gdi) + ", windows " +
           std::to_string(windows);
}

// --- Host ---

Host::Host(const char* path) {
    library.Open(path);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Host::ParentProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"VorlundaEditorHost";
    RegisterClassW(&wc);
}

Host::~Host() {
    for (HWND w : parents)
        if (IsWindow(w))
            DestroyWindow(w);
    Pump(20);
    library.Close();
}

LRESULT CALLBACK Host::ParentProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Host*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (self && (msg == WM_KEYDOWN || msg == WM_KEYUP))
        ++self->parentKeys;
    return DefWindowProcW(w, msg, wParam, lParam);
}

HWND Host::NewParent(int x, int y) {
    HWND w = CreateWindowExW(0, L"VorlundaEditorHost", L"Vorlunda2 editor host",
                             WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y, kWidth, kHeight,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    parents.push_back(w);
    Pump(30);
    return w;
}

void Host::Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    auto nextIdle = std::chrono::steady_clock::now();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (std::chrono::steady_clock::now() >= nextIdle) {
            for (Plugin* p : plugins)
                p->Dispatch(effEditIdle);
            nextIdle += std::chrono::milliseconds(kIdlePeriod);
        }
        Sleep(2);
    } while (std::chrono::steady_clock::now() < end);
}

bool Host::PumpUntil(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        Pump(10);
    }
    return true;
}

void Host::MouseTo(Plugin& p, POINT client) {
    ClientToScreen(p.EditorWindow(), &client);
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    // Absolute positions run 0..65535 across the screen.
    Input(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (client.x * 65535 + (w - 1) / 2) / (w - 1),
          (client.y * 65535 + (h - 1) / 2) / (h - 1));
}

void Host::Button(bool down) {
    Input(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
}

// --- Plugin ---

Plugin::Recorder::Recorder() {
    product = "Vorlunda2 editor host";
    SetSampleRate(kSampleRate);
    SetBlockSize(kBlockSize);
}

void Plugin::Recorder::Clear() {
    std::lock_guard<std::mutex> lock(mutex);
    calls.clear();
}

std::vector<Plugin::Call> Plugin::Recorder::Calls() const {
    std::lock_guard<std::mutex> lock(mutex);
    return calls;
}

void Plugin::Recorder::Automated(std::int32_t index, float value) {
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back({audioMasterAutomate, index, value});
}

void Plugin::Recorder::Edited(std::int32_t opcode, std::int32_t index) {
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back({opcode, index, 0.0f});
}

Plugin::Plugin(Host& hostArg, const char* nameArg) : name(nameArg), host(hostArg) {
    host.plugins.push_back(this);
    effect = recorder.Create(host.library.Entry());
    if (effect) {
        Dispatch(effOpen);
        Dispatch(effSetSampleRate, 0, 0, nullptr, kSampleRate);
        Dispatch(effSetBlockSize, 0, kBlockSize);
    }
}

Plugin::~Plugin() {
    host.plugins.erase(std::find(host.plugins.begin(), host.plugins.end(), this));
    if (effect)
        Dispatch(effClose);
}

void Plugin::ClearLog() {
    recorder.Clear();
}

std::intptr_t Plugin::Dispatch(int opcode, int index, std::intptr_t value, void* ptr, float opt) {
    return effect ? effect->dispatcher(effect, opcode, index, value, ptr, opt) : 0;
}

std::intptr_t Plugin::Open(HWND w) {
    const std::intptr_t r = Dispatch(effEditOpen, 0, 0, w);
    if (r == 1)
        parent = w;
    return r;
}

void Plugin::Close() {
    Dispatch(effEditClose);
}

HWND Plugin::EditorWindow() const {
    return parent ? FindWindowExW(parent, nullptr, L"IPluginWndClass", nullptr) : nullptr;
}

double Plugin::Parameter(int index) const {
    return effect->getParameter(effect, index);
}

void Plugin::SetParameter(int index, float value) {
    effect->setParameter(effect, index, value);
}

std::string Plugin::Display(int index) {
    char text[256] = {};
    Dispatch(effGetParamDisplay, index, 0, text);
    std::string s(text);
    s.erase(0, s.find_first_not_of(' '));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

int Plugin::Count(int opcode, int index) const {
    const std::vector<Call> calls = recorder.Calls();
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const Call& c) {
        return c.opcode == opcode && c.index == index;
    }));
}

double Plugin::LastAutomation(int index) const {
    const std::vector<Call> calls = recorder.Calls();
    for (auto c = calls.rbegin(); c != calls.rend(); ++c)
        if (c->opcode == audioMasterAutomate && c->index == index)
            return c->value;
    return -1.0;
}

int Plugin::LastAnswer() {
    auto probe = Export<int (*)()>(host.library, "VorlundaTestLastAnswer");
    return probe ? probe() : -2;
}

std::string Plugin::LastFile() {
    auto probe = Export<int (*)(char*, int)>(host.library, "VorlundaTestLastFile");
    char text[1024] = {};
    if (probe)
        probe(text, sizeof text);
    return text;
}

Objects Plugin::LiveObjects() {
    auto probe = Export<void (*)(int*, int*, int*)>(host.library, "VorlundaTestObjects");
    Objects o{-1, -1, -1};
    if (probe)
        probe(&o.user, &o.gdi, &o.windows);
    return o;
}

int Plugin::LastChoice() {
    auto probe = Export<int (*)()>(host.library, "VorlundaTestLastChoice");
    return probe ? probe() : -2;
}

std::string Plugin::LastColour() {
    auto probe = Export<void (*)(char*, int)>(host.library, "VorlundaTestLastColour");
    char text[256] = {};
    if (probe)
        probe(text, sizeof text);
    return text;
}

std::string Plugin::EditorText(int which, int* answer) {
    auto probe = Export<int (*)(AEffect*, int, char*, int)>(host.library, "VorlundaTestEditorText");
    char text[1024] = {};
    const int r = probe ? probe(effect, which, text, sizeof text) : -1;
    if (answer)
        *answer = r;
    return text;
}

bool Plugin::RenderHeadless(std::uint32_t* pixels) {
    auto probe =
        Export<int (*)(AEffect*, std::uint32_t*)>(host.library, "VorlundaTestRenderHeadless");
    return probe && probe(effect, pixels) == 1;
}

// --- Responder ---

Responder::Responder(std::function<bool(std::string&)> task)
    : thread([this, task] {
          result = task(note);
          done = true;
      }) {}

Responder::~Responder() {
    if (thread.joinable())
        thread.join();
}

bool Responder::Finish() {
    if (thread.joinable())
        thread.join();
    return result;
}

std::function<bool(std::string&)> AnswerMenuKeys(std::initializer_list<WPARAM> keysArg) {
    std::vector<WPARAM> keys(keysArg);
    return [keys](std::string& note) {
        HWND menu = WaitForWindow(L"#32768", nullptr);
        if (!menu) {
            note = "no menu window within 5 s";
            return false;
        }
        Sleep(100);
        for (WPARAM k : keys) {
            PostMessageW(menu, WM_KEYDOWN, k, 0);
            Sleep(40);
        }
        return true;
    };
}

namespace {
bool IsMessageBox(HWND w) {
    return GetDlgItem(w, kFileNameCombo) == nullptr && GetDlgItem(w, 0xFFFF) != nullptr;
}
bool IsFileDialog(HWND w) {
    return GetDlgItem(w, kFileNameCombo) != nullptr;
}
} // namespace

std::function<bool(std::string&)> AnswerMessageBoxWith(int command) {
    return [command](std::string& note) {
        HWND box = WaitForWindow(L"#32770", &IsMessageBox);
        if (!box) {
            note = "no message box within 5 s";
            return false;
        }
        wchar_t text[256] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 256);
        note = Utf8(text);
        Sleep(50);
        PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(command), 0);
        return note == "Keep the edit?";
    };
}

std::function<bool(std::string&)> AnswerFileDialogWith(const std::string& path) {
    return [path](std::string& note) {
        HWND dialog = WaitForWindow(L"#32770", &IsFileDialog);
        if (!dialog) {
            note = "no file dialog within 5 s";
            return false;
        }
        Sleep(200);
        const std::wstring w = Wide(path);
        SendMessageW(GetDlgItem(dialog, kFileNameCombo), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(w.c_str()));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    };
}

namespace {

std::string DescribeMenu(HMENU menu, bool& shapeOk, const std::vector<std::string>& texts,
                         const std::vector<UINT>& wanted) {
    std::string d;
    const int n = GetMenuItemCount(menu);
    shapeOk = shapeOk && n == static_cast<int>(texts.size());
    for (int i = 0; i < n; ++i) {
        wchar_t t[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), t, 64, MF_BYPOSITION);
        const UINT st = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        const std::string text = Utf8(t);
        d += text + "[" + std::to_string(st & 0xFF) + "]|";
        if (i < static_cast<int>(texts.size()))
            shapeOk =
                shapeOk && text == texts[static_cast<std::size_t>(i)] &&
                (st & wanted[static_cast<std::size_t>(i)]) == wanted[static_cast<std::size_t>(i)];
    }
    return d;
}

bool IsColourDialogTitled(HWND w, const std::string& title) {
    return WindowText(w) == title;
}

std::string colourTitle;
bool IsWantedColourDialog(HWND w) {
    return IsColourDialogTitled(w, colourTitle);
}

} // namespace

std::function<bool(std::string&)> CheckNumberedMenuThen(std::initializer_list<WPARAM> keysArg) {
    std::vector<WPARAM> keys(keysArg);
    return [keys](std::string& note) {
        HWND window = WaitForWindow(L"#32768", nullptr);
        if (!window) {
            note = "no menu window within 5 s";
            return false;
        }
        Sleep(100);
        auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
        bool ok = menu != nullptr;
        if (menu) {
            note = DescribeMenu(menu, ok,
                                {"01: Init", "02: Copy", "", "04: Paste", "05: Load", "06: Bank"},
                                {0, MF_CHECKED, MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_POPUP});
            if (HMENU sub = GetSubMenu(menu, 5))
                note += " sub " + DescribeMenu(sub, ok, {"1: A", "2: B"}, {0, 0});
            else
                ok = false;
        }
        for (WPARAM k : keys) {
            PostMessageW(window, WM_KEYDOWN, k, 0);
            Sleep(60);
        }
        return ok;
    };
}

std::function<bool(std::string&)> AcceptColourDialog(const std::string& title) {
    colourTitle = title;
    return [](std::string& note) {
        HWND dialog = WaitForWindow(L"#32770", &IsWantedColourDialog);
        if (!dialog) {
            note = "no colour dialog titled as asked within 5 s";
            return false;
        }
        Sleep(100);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    };
}

bool SetClipboardUnicode(const wchar_t* text) {
    const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block)
        return false;
    std::memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool ok = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!ok)
        GlobalFree(block);
    return ok;
}

// --- Pictures ---

std::vector<std::uint32_t> Screenshot(HWND window, int width, int height) {
    std::vector<std::uint32_t> out;
    HDC source = GetDC(window);
    if (!source)
        return out;
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // rows top to bottom
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        out.assign(p, p + static_cast<std::size_t>(width) * height);
        for (auto& v : out)
            v &= 0x00FFFFFFu;
        SelectObject(memory, old);
    }
    if (dib)
        DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return out;
}

bool SavePng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width,
             int height) {
    if (pixels.size() != static_cast<std::size_t>(width) * height)
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
    bool ok = false;
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                     8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = pixels[static_cast<std::size_t>(y) * width + x];
                row[static_cast<std::size_t>(x) * 3] = static_cast<png_byte>(v >> 16);
                row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<png_byte>(v >> 8);
                row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<png_byte>(v);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    std::fclose(file);
    return ok;
}

std::vector<std::uint32_t> LoadPng(const std::string& path, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    width = height = 0;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_BGRA; // little-endian 0xAARRGGBB words
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return pixels;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        unsigned char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(file);
    }
    return bytes;
}

PictureDifference Compare(const std::vector<std::uint32_t>& a,
                          const std::vector<std::uint32_t>& b) {
    PictureDifference d;
    if (a.size() != b.size()) {
        d.pixels = -1;
        return d;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i])
            continue;
        ++d.pixels;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int ca = static_cast<int>((a[i] >> shift) & 0xFF);
            const int cb = static_cast<int>((b[i] >> shift) & 0xFF);
            d.largest = std::max(d.largest, std::abs(ca - cb));
        }
    }
    return d;
}

// --- Small helpers ---

std::string WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return Utf8(text);
}

std::string WideToUtf8(const wchar_t* text) {
    return Utf8(text);
}

std::wstring ResolvedFace(const wchar_t* face) {
    HDC dc = GetDC(nullptr);
    HFONT font =
        CreateFontW(14, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t name[64] = {};
    GetTextFaceW(dc, 64, name);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return name;
}

std::string TemporaryFile(const char* name) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::string path = Utf8(folder) + name;
    HANDLE f = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(f, "CcnK", 4, &written, nullptr);
        CloseHandle(f);
    }
    return path;
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i])));
        char y = static_cast<char>(std::tolower(static_cast<unsigned char>(b[i])));
        if (x == '/')
            x = '\\';
        if (y == '/')
            y = '\\';
        if (x != y)
            return false;
    }
    return true;
}

} // namespace editorhost
