#include "graphics/X11ModalLoop_x11.h"

#include "graphics/X11Connection_x11.h"

#include <poll.h>

namespace vorlunda {

namespace {

constexpr int kAbortCheckMs = 20; // how long a wait may last before the abort flag is read again

} // namespace

bool NextModalEvent(X11Connection& connection, X11ModalOwner& owner, XEvent& event) {
    Display* display = connection.Get();
    for (;;) {
        if (owner.ModalAborted())
            return false;
        if (XPending(display) > 0) {
            XNextEvent(display, &event);
            return true;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        if (poll(&fd, 1, kAbortCheckMs) > 0 && (fd.revents & (POLLERR | POLLHUP)))
            return false; // the server went away
    }
}

} // namespace vorlunda
