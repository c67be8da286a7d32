#pragma once

#include <X11/Xlib.h>

namespace vorlunda {

// A private connection to the X server, opened by the editor itself (never the host's), with the
// atoms the editor uses and a way to find out whether a request failed. X errors on our own
// connections are recorded instead of ending the process; errors on the host's connections still
// go to whatever handler was there before. Not thread-safe: used under the editor lock.
class X11Connection {
public:
    // None when no display can be opened ($DISPLAY unset or unreachable).
    static X11Connection* Open();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    Display* Get() const { return display; }
    int Screen() const { return DefaultScreen(display); }
    ::Window Root() const { return RootWindow(display, Screen()); }

    // Sends every queued request, waits for the answers and answers whether any request since the
    // last call failed (and forgets the failure).
    bool SyncFailed();
    // The error code of the last failure since the last SyncFailed, 0 for none.
    int LastError() const;

    Atom clipboard = None;
    Atom targets = None;
    Atom utf8String = None;
    Atom selectionProperty = None;
    Atom wmProtocols = None;
    Atom wmDeleteWindow = None;
    Atom wmWindowType = None;
    Atom wmWindowTypeDialog = None;
    Atom wmName = None;
    Atom wmState = None;
    Atom wmStateModal = None;

    struct ErrorRecord;

private:
    X11Connection(Display* display, ErrorRecord* errors);
    Display* display = nullptr;
    ErrorRecord* errors = nullptr; // registered with the process-wide handler while open
};

} // namespace vorlunda
