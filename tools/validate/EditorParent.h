#pragma once

#include <memory>
#include <string>

namespace vorlunda::validate {

// A top-level window of the validator's own for a plug-in's editor to open in, as a host gives
// one: on X11 a window on a display connection of the validator's own ($DISPLAY), its id passed
// as effEditOpen's pointer; on Windows an HWND of the calling thread. Per system in
// EditorParent_x11.cpp and EditorParent_win32.cpp.
//
// Threads: every call on the thread that created the window (a host's user-interface thread).
class EditorParent {
public:
    // A mapped (shown) window of `width` x `height` pixels; null with the reason in `why` when
    // there is no display to open one on.
    static std::unique_ptr<EditorParent> Open(int width, int height, std::string* why);
    ~EditorParent();
    EditorParent(const EditorParent&) = delete;
    EditorParent& operator=(const EditorParent&) = delete;

    // What effEditOpen receives in its pointer argument.
    void* Handle() const;
    // Handles every event of the validator's own that is waiting (the X11 connection's queue,
    // or the thread's messages, which include those of a Windows editor's child windows).
    void Pump();
    // Windows inside this one now (an open editor's, or those an editor left behind), after
    // the display has handled everything sent to it so far.
    int ChildWindows();

    // Handles the process holds that an editor could leak: open file descriptors (a display
    // connection is one) on Linux, GDI and USER objects on Windows. Negative when the system
    // does not count them (wine answers 0 for the GDI and USER counts).
    static long ProcessObjects();
    // What ProcessObjects counts, for the report ("file descriptors").
    static const char* ProcessObjectsName();

private:
    struct System;
    explicit EditorParent(std::unique_ptr<System> system);
    std::unique_ptr<System> system;
};

} // namespace vorlunda::validate
