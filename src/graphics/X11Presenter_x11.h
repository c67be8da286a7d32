#pragma once

#include "graphics/RasterBitmap.h"
#include "graphics/ScreenRect.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace vorlunda {

class X11Connection;

// Shows 32-bit pixels in an X window: through a shared-memory image (MIT-SHM, XShmPutImage) when
// the server offers it and can attach our segment (a local display), otherwise through a plain
// image sent over the connection (XPutImage). Used under the editor lock.
class X11Presenter {
public:
    // An image of width x height for `window` of `visual` and `depth`; `allowSharedMemory` false
    // forces the plain path. Valid() tells whether an image could be made.
    X11Presenter(X11Connection& connection, ::Window window, Visual* visual, int depth, int width,
                 int height, bool allowSharedMemory);
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    bool Valid() const { return image != nullptr; }
    bool UsesSharedMemory() const { return shared; }

    // Copies `area` of `pixels` (clipped to both) into the window at the same place and waits
    // until the server has taken it (the shared image is written again on the next call).
    void Show(const RasterBitmap& pixels, const ScreenRect& area);

private:
    bool CreateShared(Visual* visual, int depth);
    bool CreatePlain(Visual* visual, int depth);
    void CopyRows(const RasterBitmap& pixels, int left, int top, int right, int bottom);

    X11Connection& connection;
    ::Window window;
    GC gc = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo segment{};
    bool shared = false;
    bool directCopy = false; // the image stores pixels as our own ARGB words
    int width;
    int height;
};

} // namespace vorlunda
