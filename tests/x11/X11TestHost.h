#pragma once

#include "graphics/RasterBitmap.h"
#include "graphics/ScreenRect.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorlunda::test {

// The host side of a Linux editor test: a connection of the host's own, top-level parent windows
// like the ones hosts give plug-ins, real input through the XTEST extension, and screenshots read
// back with XGetImage.
class X11TestHost {
public:
    X11TestHost();
    ~X11TestHost();
    X11TestHost(const X11TestHost&) = delete;
    X11TestHost& operator=(const X11TestHost&) = delete;

    bool Ready() const { return display != nullptr; }
    Display* Get() const { return display; }

    // A mapped top-level window at (x, y) on the screen; its id as hosts pass it in ptr.
    ::Window CreateParent(int x, int y, int width, int height);
    void DestroyParent(::Window window);
    void* AsHandle(::Window window) const {
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window));
    }

    // Input through the server, at window-relative positions.
    void MoveTo(::Window window, int x, int y);
    void Button(unsigned button, bool press);
    void Click(::Window window, int x, int y, unsigned button = 1);
    void Key(KeySym key, bool press);
    void TypeKey(KeySym key, unsigned modifiers = 0); // ShiftMask / ControlMask held around it
    void Type(const std::string& text);               // characters without modifiers
    void Flush();

    // Pixels of `area` of `window` as ARGB (alpha forced to 255); empty when unreadable.
    std::vector<RasterPixel> Screenshot(::Window window, const ScreenRect& area);
    // Writes ARGB pixels as an RGB PNG; false when it cannot.
    static bool SavePng(const std::string& path, const std::vector<RasterPixel>& pixels, int width,
                        int height);

    // A top-level window whose name is `name` (0 when none); searched among the root's children.
    ::Window FindTopLevel(const std::string& name);
    // The child windows of `window`.
    std::vector<::Window> Children(::Window window);
    bool Viewable(::Window window);

    // Calls `step` and waits a little until `done` holds or `timeout` passes.
    static bool WaitUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds timeout = std::chrono::milliseconds(3000),
                          const std::function<void()>& step = {});

private:
    Display* display = nullptr;
};

// Where screenshots go: the build folder's x11-screenshots.
std::string ScreenshotFolder();

} // namespace vorlunda::test
