#include "x11/X11TestHost.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <png.h>
#include <sys/stat.h>

#include <cstdio>
#include <thread>

namespace vorlunda::test {

X11TestHost::X11TestHost() {
    // A burst of connections can find the server's listen queue full for a moment.
    for (int attempt = 0; attempt < 20 && !display; ++attempt) {
        display = XOpenDisplay(nullptr);
        if (!display)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

X11TestHost::~X11TestHost() {
    if (display)
        XCloseDisplay(display);
}

::Window X11TestHost::CreateParent(int x, int y, int width, int height) {
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0x202020;
    attributes.event_mask = StructureNotifyMask | KeyPressMask | KeyReleaseMask;
    attributes.override_redirect = False;
    ::Window w =
        XCreateWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWEventMask, &attributes);
    XStoreName(display, w, "Vorlunda2 test host");
    XMapWindow(display, w);
    XSync(display, False);
    WaitUntil([&] { return Viewable(w); });
    return w;
}

void X11TestHost::DestroyParent(::Window window) {
    XDestroyWindow(display, window);
    XSync(display, False);
}

void X11TestHost::MoveTo(::Window window, int x, int y) {
    int rootX = 0, rootY = 0;
    ::Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY,
                          &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
    Flush();
}

void X11TestHost::Button(unsigned button, bool press) {
    XTestFakeButtonEvent(display, button, press ? True : False, CurrentTime);
    Flush();
}

void X11TestHost::Click(::Window window, int x, int y, unsigned button) {
    MoveTo(window, x, y);
    Button(button, true);
    Button(button, false);
}

void X11TestHost::Key(KeySym key, bool press) {
    const KeyCode code = XKeysymToKeycode(display, key);
    XTestFakeKeyEvent(display, code, press ? True : False, CurrentTime);
    Flush();
}

void X11TestHost::TypeKey(KeySym key, unsigned modifiers) {
    if (modifiers & ShiftMask)
        Key(XK_Shift_L, true);
    if (modifiers & ControlMask)
        Key(XK_Control_L, true);
    Key(key, true);
    Key(key, false);
    if (modifiers & ControlMask)
        Key(XK_Control_L, false);
    if (modifiers & ShiftMask)
        Key(XK_Shift_L, false);
}

void X11TestHost::Type(const std::string& text) {
    for (char c : text) {
        KeySym key = NoSymbol;
        switch (c) {
        case '.':
            key = XK_period;
            break;
        case '-':
            key = XK_minus;
            break;
        case '/':
            key = XK_slash;
            break;
        case ' ':
            key = XK_space;
            break;
        case '_':
            key = XK_underscore;
            break;
        default:
            key = static_cast<KeySym>(static_cast<unsigned char>(c));
            break;
        }
        TypeKey(key, c == '_' ? ShiftMask : 0);
    }
}

void X11TestHost::Flush() {
    XSync(display, False);
}

std::vector<RasterPixel> X11TestHost::Screenshot(::Window window, const ScreenRect& area) {
    std::vector<RasterPixel> pixels;
    XSync(display, False);
    XImage* image =
        XGetImage(display, window, area.left, area.top, static_cast<unsigned>(area.Width()),
                  static_cast<unsigned>(area.Height()), AllPlanes, ZPixmap);
    if (!image)
        return pixels;
    pixels.resize(static_cast<std::size_t>(area.Width()) * static_cast<std::size_t>(area.Height()));
    for (int y = 0; y < area.Height(); ++y)
        for (int x = 0; x < area.Width(); ++x)
            pixels[static_cast<std::size_t>(y * area.Width() + x)] =
                static_cast<RasterPixel>(XGetPixel(image, x, y)) | 0xFF000000u;
    XDestroyImage(image);
    return pixels;
}

bool X11TestHost::SavePng(const std::string& path, const std::vector<RasterPixel>& pixels,
                          int width, int height) {
    if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const RasterPixel p = pixels[static_cast<std::size_t>(y * width + x)];
            row[static_cast<std::size_t>(x) * 3] = static_cast<png_byte>(p >> 16);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<png_byte>(p >> 8);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<png_byte>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

std::vector<::Window> X11TestHost::Children(::Window window) {
    std::vector<::Window> result;
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        result.assign(children, children + count);
        if (children)
            XFree(children);
    }
    return result;
}

::Window X11TestHost::FindTopLevel(const std::string& name) {
    XSync(display, False);
    for (::Window w : Children(DefaultRootWindow(display))) {
        char* title = nullptr;
        if (XFetchName(display, w, &title) && title) {
            const bool match = name == title;
            XFree(title);
            if (match && Viewable(w))
                return w;
        }
    }
    return 0;
}

bool X11TestHost::Viewable(::Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

bool X11TestHost::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                            const std::function<void()>& step) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (step)
            step();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string ScreenshotFolder() {
    const std::string folder = VORLUNDA_X11_SCREENSHOTS;
    mkdir(folder.c_str(), 0755);
    return folder + "/";
}

} // namespace vorlunda::test
