#include "graphics/X11Presenter_x11.h"

#include "graphics/X11Connection_x11.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace vorlunda {

X11Presenter::X11Presenter(X11Connection& c, ::Window w, Visual* visual, int depth, int width,
                           int height, bool allowSharedMemory)
    : connection(c), window(w), width(width), height(height) {
    if (width < 1 || height < 1)
        return;
    gc = XCreateGC(connection.Get(), window, 0, nullptr);
    if (!(allowSharedMemory && CreateShared(visual, depth)))
        CreatePlain(visual, depth);
    if (image) {
        directCopy =
            image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 &&
            image->green_mask == 0xFF00 && image->blue_mask == 0xFF &&
            (image->byte_order == LSBFirst) == (std::endian::native == std::endian::little);
    }
}

X11Presenter::~X11Presenter() {
    Display* display = connection.Get();
    if (image && shared) {
        XShmDetach(display, &segment);
        XSync(display, False);
        image->data = nullptr; // the segment is not the image's own memory
        XDestroyImage(image);
        shmdt(segment.shmaddr);
    } else if (image) {
        XDestroyImage(image); // frees the pixel memory as well
    }
    if (gc)
        XFreeGC(display, gc);
}

bool X11Presenter::CreateShared(Visual* visual, int depth) {
    Display* display = connection.Get();
    if (!XShmQueryExtension(display))
        return false;
    XImage* shmImage =
        XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &segment,
                        static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!shmImage)
        return false;
    const std::size_t bytes =
        static_cast<std::size_t>(shmImage->bytes_per_line) * static_cast<std::size_t>(height);
    segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment.shmid < 0) {
        XDestroyImage(shmImage);
        return false;
    }
    segment.shmaddr = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    if (segment.shmaddr == reinterpret_cast<char*>(-1)) {
        shmctl(segment.shmid, IPC_RMID, nullptr);
        XDestroyImage(shmImage);
        return false;
    }
    shmImage->data = segment.shmaddr;
    segment.readOnly = False;
    connection.SyncFailed(); // forget older failures
    const bool attached = XShmAttach(display, &segment) && !connection.SyncFailed();
    // Marked for removal at once: the segment goes away with its last user, even after a crash.
    shmctl(segment.shmid, IPC_RMID, nullptr);
    if (!attached) {
        // A remote server cannot reach our memory.
        shmImage->data = nullptr;
        XDestroyImage(shmImage);
        shmdt(segment.shmaddr);
        segment = {};
        return false;
    }
    image = shmImage;
    shared = true;
    return true;
}

bool X11Presenter::CreatePlain(Visual* visual, int depth) {
    Display* display = connection.Get();
    image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                         static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!image)
        return false;
    image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line),
                                                 static_cast<std::size_t>(height)));
    if (!image->data) {
        XDestroyImage(image);
        image = nullptr;
        return false;
    }
    return true;
}

void X11Presenter::CopyRows(const RasterBitmap& pixels, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y) {
        const RasterPixel* src = pixels.Row(y);
        if (directCopy) {
            auto* dst = reinterpret_cast<std::uint32_t*>(image->data + y * image->bytes_per_line);
            // Opaque on the screen whatever the surface holds (a 32-bit visual blends by alpha).
            for (int x = left; x < right; ++x)
                dst[x] = src[x] | 0xFF000000u;
        } else {
            for (int x = left; x < right; ++x) {
                const RasterPixel p = src[x];
                const unsigned long value =
                    ((p >> 16 & 0xFF) * image->red_mask / 0xFF & image->red_mask) |
                    ((p >> 8 & 0xFF) * image->green_mask / 0xFF & image->green_mask) |
                    ((p & 0xFF) * image->blue_mask / 0xFF & image->blue_mask);
                XPutPixel(image, x, y, value);
            }
        }
    }
}

void X11Presenter::Show(const RasterBitmap& pixels, const ScreenRect& area) {
    if (!image || !pixels.HasPixels())
        return;
    const int left = std::max(area.left, 0);
    const int top = std::max(area.top, 0);
    const int right = std::min({area.right, width, pixels.Width()});
    const int bottom = std::min({area.bottom, height, pixels.Height()});
    if (left >= right || top >= bottom)
        return;
    CopyRows(pixels, left, top, right, bottom);
    Display* display = connection.Get();
    const auto w = static_cast<unsigned>(right - left);
    const auto h = static_cast<unsigned>(bottom - top);
    if (shared)
        XShmPutImage(display, window, gc, image, left, top, left, top, w, h, False);
    else
        XPutImage(display, window, gc, image, left, top, left, top, w, h);
    // The server reads the shared image asynchronously: it must be done before we write again.
    XSync(display, False);
}

} // namespace vorlunda
