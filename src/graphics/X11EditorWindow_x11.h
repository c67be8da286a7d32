#pragma once

#include "graphics/EditorWindow.h"
#include "graphics/X11ModalLoop_x11.h"

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vorlunda {

class X11Connection;
class X11Presenter;
class X11TextField;

struct X11EditorOptions {
    // Shared-memory images when the server allows them; false always sends pixels over the
    // connection (what a remote display gets).
    bool allowSharedMemory = true;
    // File and colour dialogs through zenity or kdialog when installed; false always uses the
    // editor's own prompt.
    bool desktopDialogs = true;
};

// The editor window for X11 hosts. On the open request it opens a display connection of its own
// (never the host's) and creates the editor as a child of the X window the host passes; pixels
// are shown with MIT-SHM or plain images; the value-entry field, popup menus and dialogs are drawn
// by the editor itself.
//
// Threads. Linux hosts call open, close and idle from a thread of their choosing, and some never
// call idle at all. Everything that touches the connection or reaches the core happens under one
// editor lock, on whichever thread holds it: the host's idle calls and a timer thread of ours,
// which wakes every 1000 / fps milliseconds, each try the lock and handle pending events and a
// due timer tick; a thread that finds the lock taken leaves the work to the holder. Open and close
// take the lock (the core holds it around them) and end a menu or dialog another thread shows.
class X11EditorWindow final : public EditorWindow, private X11ModalOwner {
public:
    explicit X11EditorWindow(const X11EditorOptions& options = {});
    ~X11EditorWindow() override;
    X11EditorWindow(const X11EditorWindow&) = delete;
    X11EditorWindow& operator=(const X11EditorWindow&) = delete;

    const char* ApiName() const override { return "X11"; }

    void* Open(EditorWindowClient& client, void* parent, int width, int height, int fps) override;
    void Close() override;
    void* Handle() const override;
    void Resize(int width, int height) override;
    void LockEditor() override;
    void UnlockEditor() override;
    void Idle() override;

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

    // For tests: whether the open window shows pixels through shared memory, the text-entry
    // field's X window (0 without one), and how many timer ticks reached the core.
    bool UsesSharedMemory() const;
    unsigned long TextFieldWindow() const;
    int TicksDispatched() const { return ticksDispatched.load(); }

private:
    using Clock = std::chrono::steady_clock;

    // X11ModalOwner
    bool ModalAborted() override;
    void ForeignEvent(XEvent& event) override;

    void CloseLocked();
    void Pump();
    void HandleEvent(XEvent& event);
    void HandleFieldEvent(XEvent& event);
    void HandleButtonPress(const XButtonEvent& event);
    void HandleKey(XKeyEvent& event);
    void ForwardKey(XKeyEvent& event);
    void ServiceWhileWaiting();
    bool Dispatch(const EditorEvent& event);
    void TickerLoop();
    bool PromptForFile(std::string& path, bool save, const std::string& extensions);
    bool RunDesktopFileDialog(const std::string& tool, std::string& path, bool save,
                              const std::string& extensions, bool& ran);

    X11EditorOptions options;

    // The editor lock and the requests to give it up.
    mutable std::recursive_mutex editorLock;
    std::atomic<int> lockRequests{0};

    // The window; changed only under the editor lock.
    std::unique_ptr<X11Connection> connection;
    EditorWindowClient* client = nullptr;
    ::Window window = 0;
    std::atomic<std::uintptr_t> handle{0}; // the window, readable without the lock
    ::Window parent = 0;
    ::Window topLevel = 0; // the host's top-level window, which receives the keys we do not take
    bool windowAlive = false;
    std::unique_ptr<X11Presenter> presenter;
    int width = 0;
    int height = 0;
    ScreenRect invalid;
    std::unique_ptr<X11TextField> field;
    bool fieldFocusSeen = false;
    int fieldMaxLength = 0;
    Time lastPressTime = 0;
    int lastPressX = 0;
    int lastPressY = 0;
    bool lastPressCounts = false; // the last left press may start a double click
    bool pointerHidden = false;
    int hiddenX = 0;
    int hiddenY = 0;
    Cursor invisibleCursor = 0;
    int pumpDepth = 0;
    bool closeDeferred = false;
    Clock::time_point nextTick;
    std::chrono::milliseconds period{40};
    std::atomic<int> periodMs{40}; // the same, for the timer thread
    std::atomic<int> ticksDispatched{0};

    // The timer thread.
    std::thread ticker;
    std::mutex tickerMutex;
    std::condition_variable tickerWake;
    bool tickerStop = false;
    std::atomic<bool> windowOpen{false};
};

} // namespace vorlunda
