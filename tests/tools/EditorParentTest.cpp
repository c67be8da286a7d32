// The Editor group's parent window: what it counts as an editor's windows, and how it says
// that there is no display. An editor is played by a second display connection (X11) or by
// a child window of the thread's own (Win32), as a plug-in makes its window.
#include <gtest/gtest.h> // before the X11 headers, which define None

#include "EditorParent.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <X11/Xlib.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vorlunda::validate {
namespace {

#if defined(_WIN32)

// A child window in the parent, as a Windows editor makes one.
struct EditorWindow {
    HWND window = nullptr;
    explicit EditorWindow(void* parent) {
        window = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 50,
                                 static_cast<HWND>(parent), nullptr, nullptr, nullptr);
    }
    bool Made() const { return window != nullptr; }
    void Destroy() { DestroyWindow(window); }
};

#else

// A window in the parent on a connection of its own, as a Linux editor makes one.
struct EditorWindow {
    Display* display = XOpenDisplay(nullptr);
    ::Window window = 0;
    explicit EditorWindow(void* parent) {
        if (!display)
            return;
        window = XCreateSimpleWindow(display, reinterpret_cast<std::uintptr_t>(parent), 0, 0, 100,
                                     50, 0, 0, 0);
        XMapWindow(display, window);
        XSync(display, False);
    }
    ~EditorWindow() {
        if (display)
            XCloseDisplay(display);
    }
    bool Made() const { return window != 0; }
    void Destroy() {
        XDestroyWindow(display, window);
        XSync(display, False);
    }
};

TEST(ValidatorEditorParent, WithoutDisplayThereIsNoWindowAndTheReasonSaysSo) {
    const char* old = std::getenv("DISPLAY");
    const std::string saved = old ? old : "";
    unsetenv("DISPLAY");
    std::string why;
    const auto parent = EditorParent::Open(300, 200, &why);
    if (old)
        setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(parent, nullptr);
    EXPECT_EQ(why, "no display ($DISPLAY is not set)");
}

TEST(ValidatorEditorParent, CountsFileDescriptorsAsProcessObjects) {
    const long before = EditorParent::ProcessObjects();
    const int file = open("/dev/null", O_RDONLY);
    ASSERT_GE(file, 0);
    EXPECT_EQ(EditorParent::ProcessObjects(), before + 1);
    close(file);
    EXPECT_EQ(EditorParent::ProcessObjects(), before);
    EXPECT_STREQ(EditorParent::ProcessObjectsName(), "file descriptors");
}

#endif

TEST(ValidatorEditorParent, CountsTheWindowsAnEditorPutsInsideUntilTheyGo) {
    std::string why;
    const auto parent = EditorParent::Open(300, 200, &why);
    if (!parent) {
        // Under wine without an X display, and natively without $DISPLAY.
        EXPECT_EQ(why.rfind("no display", 0), 0u) << why;
        GTEST_SKIP() << why;
    }
    EXPECT_EQ(parent->ChildWindows(), 0);
    EditorWindow first(parent->Handle());
    EditorWindow second(parent->Handle());
    ASSERT_TRUE(first.Made() && second.Made());
    parent->Pump();
    EXPECT_EQ(parent->ChildWindows(), 2);
    first.Destroy();
    parent->Pump();
    EXPECT_EQ(parent->ChildWindows(), 1);
    second.Destroy();
    parent->Pump();
    EXPECT_EQ(parent->ChildWindows(), 0);
}

} // namespace
} // namespace vorlunda::validate
