#include "graphics/X11Connection_x11.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace vorlunda {

struct X11Connection::ErrorRecord {
    Display* display = nullptr;
    std::atomic<int> code{0};
};

namespace {

// The error handler is process-wide in Xlib. Ours is installed while at least one of our
// connections is open and hands errors on other connections to the handler it replaced. The
// handler itself only takes the registry lock; installing and removing it happen under a lock of
// their own, so no lock is held while Xlib takes its own.
std::mutex installLock;
int installedCount = 0; // under installLock
std::mutex registryLock;
std::vector<X11Connection::ErrorRecord*> registry; // under registryLock
std::atomic<XErrorHandler> previousHandler{nullptr};

int RecordError(Display* display, XErrorEvent* error) {
    {
        std::lock_guard<std::mutex> lock(registryLock);
        for (X11Connection::ErrorRecord* r : registry) {
            if (r->display == display) {
                r->code.store(error->error_code);
                return 0;
            }
        }
    }
    const XErrorHandler chained = previousHandler.load();
    return chained ? chained(display, error) : 0;
}

void Register(X11Connection::ErrorRecord* record) {
    std::lock_guard<std::mutex> install(installLock);
    if (installedCount++ == 0)
        previousHandler = XSetErrorHandler(RecordError);
    std::lock_guard<std::mutex> lock(registryLock);
    registry.push_back(record);
}

void Unregister(X11Connection::ErrorRecord* record) {
    std::lock_guard<std::mutex> install(installLock);
    {
        std::lock_guard<std::mutex> lock(registryLock);
        registry.erase(std::remove(registry.begin(), registry.end(), record), registry.end());
    }
    if (--installedCount == 0) {
        // Put the previous handler back unless someone replaced ours meanwhile.
        XErrorHandler current = XSetErrorHandler(previousHandler.load());
        if (current != RecordError)
            XSetErrorHandler(current);
        previousHandler = nullptr;
    }
}

} // namespace

X11Connection* X11Connection::Open() {
    // Xlib from 1.8 initialises its thread support itself; older ones need this before the
    // first connection of ours (each editor uses its connection from one thread at a time).
    XInitThreads();
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    auto* errors = new ErrorRecord;
    errors->display = display;
    Register(errors);
    return new X11Connection(display, errors);
}

X11Connection::X11Connection(Display* d, ErrorRecord* e) : display(d), errors(e) {
    clipboard = XInternAtom(display, "CLIPBOARD", False);
    targets = XInternAtom(display, "TARGETS", False);
    utf8String = XInternAtom(display, "UTF8_STRING", False);
    selectionProperty = XInternAtom(display, "VORLUNDA2_SELECTION", False);
    wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    wmWindowType = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    wmWindowTypeDialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    wmName = XInternAtom(display, "_NET_WM_NAME", False);
    wmState = XInternAtom(display, "_NET_WM_STATE", False);
    wmStateModal = XInternAtom(display, "_NET_WM_STATE_MODAL", False);
}

X11Connection::~X11Connection() {
    XSync(display, False);
    XCloseDisplay(display);
    Unregister(errors);
    delete errors;
}

bool X11Connection::SyncFailed() {
    XSync(display, False);
    return errors->code.exchange(0) != 0;
}

int X11Connection::LastError() const {
    return errors->code.load();
}

} // namespace vorlunda
