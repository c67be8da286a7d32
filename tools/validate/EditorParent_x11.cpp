#include "EditorParent.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace vorlunda::validate {

struct EditorParent::System {
    Display* display = nullptr;
    ::Window window = 0;

    ~System() {
        if (!display)
            return;
        if (window)
            XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
};

std::unique_ptr<EditorParent> EditorParent::Open(int width, int height, std::string* why) {
    auto refuse = [&](std::string reason) -> std::unique_ptr<EditorParent> {
        if (why)
            *why = std::move(reason);
        return nullptr;
    };
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return refuse("no display ($DISPLAY is not set)");
    auto system = std::make_unique<System>();
    // A server that has just started, or a burst of connections, can refuse one for a moment.
    for (int attempt = 0; attempt < 10 && !system->display; ++attempt) {
        system->display = XOpenDisplay(nullptr);
        if (!system->display)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!system->display)
        return refuse(std::string("cannot open the display ") + name);

    Display* display = system->display;
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = StructureNotifyMask | ExposureMask | KeyPressMask | KeyReleaseMask;
    system->window =
        XCreateWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWEventMask, &attributes);
    XStoreName(display, system->window, "vorlunda2-validate editor host");
    XMapWindow(display, system->window);
    // Hosts hand plug-ins a window that is on the screen: wait for it (at once without a
    // window manager; 2 s is far beyond any manager's delay).
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        XSync(display, False);
        XWindowAttributes state{};
        if (XGetWindowAttributes(display, system->window, &state) && state.map_state == IsViewable)
            break;
        if (std::chrono::steady_clock::now() > end)
            return refuse("the display did not show a window within 2 s");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::unique_ptr<EditorParent>(new EditorParent(std::move(system)));
}

EditorParent::EditorParent(std::unique_ptr<System> system) : system(std::move(system)) {}

EditorParent::~EditorParent() = default;

void* EditorParent::Handle() const {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(system->window));
}

void EditorParent::Pump() {
    Display* display = system->display;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event); // nothing to do with them: a plain host window
    }
}

int EditorParent::ChildWindows() {
    Display* display = system->display;
    // The editor's own connection has made (or destroyed) its windows before its call returned
    // if it synchronised; a round trip here makes the server's answer current for ours.
    XSync(display, False);
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, system->window, &root, &parent, &children, &count))
        return 0;
    if (children)
        XFree(children);
    return static_cast<int>(count);
}

long EditorParent::ProcessObjects() {
    std::error_code error;
    long count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error))
        ++count;
    return error ? -1 : count;
}

const char* EditorParent::ProcessObjectsName() {
    return "file descriptors";
}

} // namespace vorlunda::validate
