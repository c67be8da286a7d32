#pragma once

#include "graphics/EditorWindow.h"

#include <windows.h>

#include <array>
#include <string>

namespace vorlunda {

// The Windows window layer: the editor as a child window of the window the host offers, a 40 ms
// timer, painting from the editor's surface, mouse, wheel and keys turned into the core's events,
// the "EDIT" field for typed values, popup menus, message boxes, file and colour dialogs, links,
// clipboard text and the standard folders.
//
// Threads: every operation runs on the thread that owns the window (the host's user-interface
// thread, which opens the editor). The class registration and the object counts are process-wide
// and touched only on user-interface threads; the counts are atomic so a test may read them
// anywhere.
class IGraphicsWin : public EditorWindow {
public:
    static constexpr const wchar_t* kClassName = L"IPluginWndClass";
    static constexpr const wchar_t* kWindowName = L"IPlugin";
    static constexpr UINT_PTR kTimerId = 2;
    static constexpr int kFieldId = 99;

    IGraphicsWin();
    ~IGraphicsWin() override;
    IGraphicsWin(const IGraphicsWin&) = delete;
    IGraphicsWin& operator=(const IGraphicsWin&) = delete;

    const char* ApiName() const override { return "Windows GDI"; }
    void* Open(EditorWindowClient& client, void* parent, int width, int height, int fps) override;
    void Close() override;
    void* Handle() const override { return window; }
    void Resize(int width, int height) override;
    void Invalidate(const ScreenRect& area) override;
    void Validate(const ScreenRect& area) override;
    void PaintNow() override;
    void ShowRegion(const RasterBitmap& surface, const ScreenRect& area) override;
    void TakeFocus() override;
    void CaptureMouse() override;
    void ReleaseMouse() override;
    void HidePointer() override;
    void RestorePointer() override;
    bool OpenTextField(const TextFieldRequest& request) override;
    std::string TextFieldText() const override;
    void CloseTextField() override;
    int TrackPopupMenu(const PopupMenu& menu, const ScreenRect& rect) override;
    int ShowMessage(const char* text, const char* caption, int type) override;
    bool ChooseFile(std::string& file, int action, std::string& folder,
                    const char* extensions) override;
    bool ChooseColour(ColourARGB& colour, const char* prompt) override;
    bool OpenLink(const char* url) override;
    bool ClipboardText(std::string& out) override;
    std::string Folder(EditorFolder which) override;

    // The text field's window (none when closed).
    HWND FieldWindow() const { return field; }
    // The host's top-level window that owns message boxes (found as the core describes it).
    HWND MainWindow();

    // Windows (USER objects: editor windows, fields, menus) and GDI objects (fonts) this layer
    // holds in the whole process right now. The system's own counters are not available under
    // every Windows implementation, so leak tests read these.
    static int LiveUserObjects();
    static int LiveGdiObjects();
    // Editor windows open in the process (the window class is registered while above 0).
    static int OpenWindowCount();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FieldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleFieldMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleKey(UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint();
    bool Dispatch(const EditorEvent& event);
    void WindowGone();
    void FieldGone();

    HINSTANCE module = nullptr;     // the plug-in library (window class, resources)
    HWND window = nullptr;          // the editor window
    HWND parent = nullptr;          // the host window it was created in
    HWND field = nullptr;           // the text-entry field
    HFONT fieldFont = nullptr;      // the field's font, owned
    WNDPROC fieldOldProc = nullptr; // the field's previous window procedure
    TextEntryChars fieldChars = TextEntryChars::kAny;
    ColourARGB fieldBackground{255, 255, 255, 255};
    ColourARGB fieldForeground{255, 0, 0, 0};
    EditorWindowClient* client = nullptr; // the core, while a window is open
    HDC paintContext = nullptr;           // the window's context during a paint message
    int fps = 25;                         // frames per second of the redraw timer
    bool pointerHidden = false;
    POINT hiddenPointerPos{-1, -1};
    bool customColoursUsed = false;
    std::array<COLORREF, 16> customColours{}; // kept for the colour dialog between calls
    HWND mainWindow = nullptr;
    std::wstring mainWindowClass;
};

} // namespace vorlunda
