#pragma once

namespace vorlunda {

// The editor as the plug-in base and the host interface see it: what they call on the attached
// editor. The editor's core (graphics/IGraphics.h) implements it, so the plug-in layers below the
// graphics folder never depend on it. The plug-in owns the attached editor and pushes parameter
// values into it; the editor paints on its own thread and never takes the plug-in mutex.
class IEditorView {
public:
    virtual ~IEditorView() = default;

    // Called with the plug-in mutex held: tells every control bound to parameter `index` its
    // value (normalised 0..1 when `normalized`, else the real value).
    virtual void SetParameterFromPlug(int index, double value, bool normalized) = 0;
    // Called once when the plug-in takes ownership: creates the drawing surface.
    virtual void PrepareDrawingSurface() = 0;
    // Host thread: opens the editor window inside the host's `parent` window; answers whether
    // a window is open. Without a window layer there is nothing to open.
    virtual bool OpenWindow(void* /*parent*/) { return false; }
    virtual void CloseWindow() {}
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

} // namespace vorlunda
