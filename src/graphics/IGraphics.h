#pragma once

namespace vorlunda {

class IPluginBase;

// The editor's platform-neutral core as the plug-in base sees it. The plug-in owns the attached
// editor and pushes parameter values into it; the editor paints on its own thread and never
// takes the plug-in mutex.
class IGraphics {
public:
    virtual ~IGraphics() = default;

    // Called with the plug-in mutex held: tells every control bound to parameter `index` its
    // value (normalised 0..1 when `normalized`, else the real value).
    virtual void SetParameterFromPlug(int index, double value, bool normalized) = 0;
    // Called once when the plug-in takes ownership: creates the drawing surface.
    virtual void PrepareDrawingSurface() = 0;
    // Host thread: opens the editor window inside the host's `parent` window; answers whether
    // a window is open. Without a window layer there is nothing to open.
    virtual bool OpenWindow(void* /*parent*/) { return false; }
    // Host thread: destroys the editor window; nothing when none is open.
    virtual void CloseWindow() {}
    // Host thread, on the host's editor-idle request (commonly every 10..50 ms while the editor
    // is shown). A window layer without a message loop of its own handles its events here.
    virtual void IdleWindow() {}
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

} // namespace vorlunda
