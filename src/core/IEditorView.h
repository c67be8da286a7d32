#pragma once

namespace vorlunda {

// The editor as the plug-in base and the host interface see it: what they call on the attached
// editor. The editor's core (graphics/IGraphics.h) implements it, so the plug-in layers below the
// graphics folder never depend on it. The plug-in owns the attached editor and posts parameter
// values into it; the editor paints on its own thread and never takes the plug-in mutex to paint.
class IEditorView {
public:
    virtual ~IEditorView() = default;

    // Any thread, usually with the plug-in mutex held: posts the value of parameter `index`
    // (normalised 0..1 when `normalized`, else the real value) for the controls bound to it; the
    // editor's thread shows it at its next tick.
    virtual void UpdateParameterControls(int index, double value, bool normalized) = 0;
    // Called once while the plug-in takes ownership, before any other thread knows the editor:
    // the posted values reach the controls at once and the drawing surface is made.
    virtual void ApplyPendingParameterValues() = 0;
    virtual void PrepareSurface() = 0;
    // Host's user-interface thread: opens the editor window inside the host's `parent` window;
    // answers the window, or none (no window layer, or the window could not be made).
    virtual void* OpenEditorWindow(void* parent) = 0;
    virtual void CloseEditorWindow() = 0;
    // Host's user-interface thread, on its editor-idle request while the window is open: a window
    // layer without a message loop of its own handles its events here.
    virtual void IdleEditorWindow() = 0;
    virtual int Width() const = 0;  // pixels
    virtual int Height() const = 0; // pixels
};

} // namespace vorlunda
