// The editor tests need an X server (scripts/with-xvfb starts one). Without a display they are
// reported as skipped (exit status 77), never as passed.
#include <gtest/gtest.h> // before the X11 headers, which define None

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        std::printf("X11 editor tests SKIPPED: no X display could be opened (DISPLAY=%s); run "
                    "them through scripts/with-xvfb\n",
                    name ? name : "unset");
        return 77;
    }
    XCloseDisplay(display);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
