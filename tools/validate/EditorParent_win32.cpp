#include "EditorParent.h"

#include <windows.h>

namespace vorlunda::validate {

namespace {

constexpr const wchar_t* kClassName = L"Vorlunda2ValidateEditorHost";

// The class is registered once per process; a second registration fails harmlessly.
bool RegisterParentClass() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

} // namespace

struct EditorParent::System {
    HWND window = nullptr;

    ~System() {
        if (window && IsWindow(window))
            DestroyWindow(window);
    }
};

std::unique_ptr<EditorParent> EditorParent::Open(int width, int height, std::string* why) {
    auto refuse = [&](std::string reason) -> std::unique_ptr<EditorParent> {
        if (why)
            *why = std::move(reason);
        return nullptr;
    };
    if (!RegisterParentClass())
        return refuse("cannot register a window class (Windows error " +
                      std::to_string(GetLastError()) + ")");
    auto system = std::make_unique<System>();
    // Wine without an X display refuses to create any window: that is "no display" here.
    system->window = CreateWindowExW(0, kClassName, L"vorlunda2-validate editor host",
                                     WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                                     nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!system->window)
        return refuse("no display (no window can be created; Windows error " +
                      std::to_string(GetLastError()) + ")");
    auto parent = std::unique_ptr<EditorParent>(new EditorParent(std::move(system)));
    parent->Pump();
    return parent;
}

EditorParent::EditorParent(std::unique_ptr<System> system) : system(std::move(system)) {}

EditorParent::~EditorParent() {
    system.reset();
    Pump(); // the messages the destruction sent
}

void* EditorParent::Handle() const {
    return system->window;
}

void EditorParent::Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int EditorParent::ChildWindows() {
    int count = 0;
    EnumChildWindows(system->window, CountChild, reinterpret_cast<LPARAM>(&count));
    return count;
}

long EditorParent::ProcessObjects() {
    const HANDLE self = GetCurrentProcess();
    const long objects = static_cast<long>(GetGuiResources(self, GR_GDIOBJECTS)) +
                         static_cast<long>(GetGuiResources(self, GR_USEROBJECTS));
    return objects > 0 ? objects : -1;
}

const char* EditorParent::ProcessObjectsName() {
    return "GDI and USER objects";
}

} // namespace vorlunda::validate
