#pragma once

#include <X11/Xlib.h>

namespace vorlunda {

class X11Connection;

// What a menu or dialog of the editor needs from the editor while it waits for the user: whether
// to give up at once (the editor is being closed), and a place for events meant for the editor's
// other windows (exposures are answered from the surface; input is dropped while the menu or
// dialog is up, as a modal system menu would).
class X11ModalOwner {
public:
    virtual ~X11ModalOwner() = default;
    virtual bool ModalAborted() = 0;
    virtual void ForeignEvent(XEvent& event) = 0;
};

// Waits for the next event on the connection, giving up when the owner aborts (checked every few
// milliseconds). False when aborted.
bool NextModalEvent(X11Connection& connection, X11ModalOwner& owner, XEvent& event);

} // namespace vorlunda
