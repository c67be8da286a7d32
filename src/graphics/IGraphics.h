#pragma once

#include "graphics/BitmapStrip.h"
#include "graphics/BlendSpec.h"
#include "graphics/ColourARGB.h"
#include "graphics/EditorEvent.h"
#include "graphics/EditorWindow.h"
#include "graphics/ParameterMailbox.h"
#include "graphics/ScreenRect.h"
#include "graphics/TextStyle.h"

#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace vorlunda {

class IControl;
class IPluginBase;
class PlugParam;
class PopupMenu;
class RasterBitmap;
class RasterMemBitmap;
class RasterSysBitmap;

// The editor's platform-neutral core: the list of controls, the drawing surface, the choice of
// what to redraw on each timer tick, the routing of mouse and key events to controls, value entry
// and the bridge between controls and the plug-in's parameters. Everything that needs a window
// system goes through an EditorWindow (the Windows layer, the X11 layer, or none: then the editor
// cannot be opened and every window operation answers neutrally).
//
// Threads. Everything runs on the thread that owns the editor window ("the editor's thread"),
// except UpdateParameterControls, which any thread may call (the host's automation and user
// interface threads, the audio thread): it only posts the value, and the editor's thread applies
// it to the controls at its next timer tick or event. The editor never holds the plug-in mutex
// while it paints or shows a menu or dialog; it takes it only inside the plug-in base's
// SetParameterFromEditor and for an instant while it reads a parameter's current value for value
// entry. No thread ever waits for the editor.
class IGraphics : public EditorWindowClient {
public:
    static constexpr int kDefaultWidth = 1080; // pixels
    static constexpr int kDefaultHeight = 396; // pixels
    static constexpr int kDefaultFps = 25;     // redraw timer: a tick every 40 ms
    // Ticks without anything to redraw before the plug-in's idle hook runs.
    static constexpr int kIdleTicksPerHook = 20;
    static constexpr int kMaxEnteredText = 31; // characters taken from a text field

    // What the text-entry field is doing (the window layer reports its events).
    enum class EntryState : int { kIdle = 0, kEditing = 1, kRefresh = 2, kCancel = 3, kCommit = 4 };

    // The plug-in receives parameter changes and gestures; it outlives the editor (it owns it
    // once attached). `window` may be none.
    explicit IGraphics(IPluginBase& plug, std::unique_ptr<EditorWindow> window = nullptr);
    IGraphics(const IGraphics&) = delete;
    IGraphics& operator=(const IGraphics&) = delete;

    // --- Virtual operations, in slot order ---
    // Copies `rect` of the surface to the screen; false without an open window.
    virtual bool ShowRegion(const ScreenRect& rect);
    // Measures `text` as DrawLabelText would draw it and moves rect's edges to fit it.
    virtual bool MeasureLabelText(TextStyle& style, const char* text, ScreenRect& rect);
    // Drops an open text entry at the next tick.
    virtual void CancelValueEntry();
    // Same size with a surface: nothing. Otherwise stores the size, releases the capture, closes
    // a text field, deletes every control, makes a new surface, resizes an open window and tells
    // the plug-in (EditorSizeChanged). Sizes below 1 pixel are ignored.
    virtual void SetEditorSize(int width, int height);
    virtual bool IsWindowOpen() const { return WindowHandle() != nullptr; }
    virtual const char* GraphicsApiName() const;
    // A message box (MessageBoxType); answers the MessageBoxAnswer, kAnswerNone without a window.
    virtual int ShowMessage(const char* text, const char* caption, int type);
    // Shows `menu` below `rect` and answers the (sub)menu that holds the choice, its ChosenIndex
    // set; none when nothing was chosen or no window is open. Releases the mouse capture.
    virtual PopupMenu* ShowPopupMenu(PopupMenu& menu, const ScreenRect& rect);
    // Opens the text field over `rect` for `control` (with `param`, or none for free text).
    // Nothing without a control or while a field is open.
    virtual void OpenTextEntry(IControl* control, const TextStyle& style, const ScreenRect& rect,
                               const char* text, const PlugParam* param);
    virtual void HostFolder(std::string& out);
    virtual void PluginFolder(std::string& out);
    virtual void DesktopFolder(std::string& out);
    virtual void AppDataFolder(std::string& out, bool system);
    virtual void UserAppDataFolder(std::string& out) { AppDataFolder(out, false); }
    // FileAction; file becomes "" on cancel or without a window.
    virtual bool ChooseFile(std::string& file, int action, std::string& folder,
                            const char* extensions);
    virtual bool ChooseColour(ColourARGB& colour, const char* prompt);
    // Asks `confirmation` first (yes/no) when given; shows `failure` (when given) if the link
    // cannot be opened.
    virtual bool OpenLink(const char* url, const char* caption, const char* confirmation,
                          const char* failure);
    // Host thread (effEditOpen): opens the window inside `parent` and marks every control for
    // drawing; answers the window, or none.
    virtual void* OpenEditorWindow(void* parent);
    virtual void CloseEditorWindow();
    virtual void* WindowHandle() const;
    virtual bool ClipboardText(std::string& out);
    virtual ~IGraphics();
    virtual void HidePointer();
    virtual void RestorePointer();
    // The module's PNG image with resource `id` (its low 16 bits) when `name` ends in ".png" (any
    // case), decoded; none otherwise or when it cannot be loaded. LoadEditorBitmap caches what it
    // answers. Tests override it to supply their own images.
    virtual std::unique_ptr<RasterBitmap> LoadBitmapByName(int id, const char* name);

    // --- Controls ---
    // Appends a control; the list owns it and its index is its position. Answers the control.
    IControl* AddControl(std::unique_ptr<IControl> control);
    template <typename T, typename... Args>
    T* MakeControl(Args&&... args) {
        static_assert(std::is_base_of_v<IControl, T>);
        return static_cast<T*>(AddControl(std::make_unique<T>(std::forward<Args>(args)...)));
    }
    int ControlCount() const { return static_cast<int>(controls.size()); }
    // None for an index out of range.
    IControl* Control(int index) const;

    // The cached image `id` as a strip of `frames` frames; a bitmap that cannot be loaded gives a
    // strip without a bitmap, 0 x 0 pixels, which draws nothing.
    BitmapStrip LoadEditorBitmap(int id, const char* name, int frames = 1, bool sideBySide = false);

    // --- Drawing ---
    // Makes the surface (width x height) and the empty scratch bitmap.
    void PrepareSurface();
    // Takes the values posted by other threads into the controls, then answers the union of the
    // rectangles of the controls that need drawing; false (and possibly the plug-in's idle hook)
    // when none does.
    bool FindDirtyArea(ScreenRect& area);
    // Draws every visible control meeting `rect` in list order, marks every control clean and
    // shows `rect`.
    bool PaintRegion(const ScreenRect& rect);
    bool DrawBitmapRegion(const RasterBitmap* bitmap, const ScreenRect& dest, int srcX, int srcY,
                          const BlendSpec* blend);
    bool DrawFrame(const BitmapStrip& strip, const ScreenRect& dest, int frame,
                   const BlendSpec* blend);
    // False when the font cannot be made; an empty text draws nothing and answers true.
    bool DrawLabelText(TextStyle& style, const char* text, const ScreenRect& rect);
    RasterSysBitmap* SurfaceBitmap() const { return surface.get(); }
    RasterMemBitmap* ScratchBitmap() const { return scratch.get(); }
    const ScreenRect& DrawRect() const { return drawRect; }

    // --- Parameters ---
    // Any thread, lock-free: posts a value of parameter `index` (normalised 0..1, or the real
    // value when !isNormalized, clamped into the parameter's range) for every control bound to
    // it. Bad indices and NaNs are ignored.
    void UpdateParameterControls(int index, double value, bool isNormalized);
    // Editor thread: hands every posted value to the controls bound to its parameter
    // (ApplyHostValue, in list order). The plug-in base calls it when it attaches the editor.
    void ApplyPendingParameterValues();
    // Editor thread: shows a value on the controls of parameter `index` at once (a control that
    // changes a parameter behind the plug-in's back, such as a menu of the parameter's choices).
    void ApplyParameterValue(int index, double value, bool isNormalized);

    // --- Value entry ---
    void StartValueEntry(IControl* control, const PlugParam* param, const ScreenRect& rect);
    void FinishValueEntry(const char* text, IControl* control, const PlugParam* param);
    bool TextEntryOpen() const { return entryControl != nullptr; }
    EntryState ValueEntryState() const { return entryState; }
    IControl* TextEntryControl() const { return entryControl; }

    // --- Input, in editor pixels (what Dispatch calls) ---
    void HandleMouseDown(int x, int y, const MouseModifiers& mods);
    void HandleMouseUp(int x, int y, const MouseModifiers& mods);
    void HandleMouseDrag(int x, int y, const MouseModifiers& mods);
    // True when the control took the double click as a press (the mouse is then captured).
    bool HandleDoubleClick(int x, int y, const MouseModifiers& mods);
    void HandleMouseWheel(int x, int y, const MouseModifiers& mods, int notches);
    bool HandleKeyDown(int x, int y, KeyCode key);
    // One tick of the redraw timer: finishes a text entry, or redraws what changed.
    void TimerTick();

    // --- EditorWindowClient ---
    bool Dispatch(const EditorEvent& event) override;
    const RasterBitmap* Surface() const override;

    // --- Plain reads ---
    int Width() const { return width; }
    int Height() const { return height; }
    int Fps() const { return fps; }
    int CaptureIndex() const { return captureIndex; }
    int IdleTicks() const { return idleTicks; }
    IPluginBase& Plug() const { return plug; }
    EditorWindow* Window() const { return window.get(); }

private:
    // The qualifying control under (x, y) searched from the last to the first; -1 for none.
    int FindTarget(int x, int y) const;
    bool InsideEditor(int x, int y) const;
    bool HasParameter(const IControl& control) const;
    void ReleaseCapture();
    void CloseTextEntry();
    void FinishTextEntryOnTick();
    void RepaintDirtyArea();
    bool DispatchWhileEditing(const EditorEvent& event);
    ScreenRect WholeEditor() const { return {0, 0, width, height}; }

    std::vector<std::unique_ptr<IControl>> controls;
    IPluginBase& plug;
    ScreenRect drawRect;
    std::unique_ptr<RasterSysBitmap> surface;
    std::unique_ptr<RasterMemBitmap> scratch;
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    int fps = kDefaultFps;
    int idleTicks = 0;
    int captureIndex = -1;
    int mouseX = 0;
    int mouseY = 0;

    std::unique_ptr<EditorWindow> window;
    bool windowHasCapture = false;
    ParameterMailbox mailbox;

    // The open text field, owned by the window layer.
    IControl* entryControl = nullptr;
    const PlugParam* entryParam = nullptr;
    EntryState entryState = EntryState::kIdle;
};

} // namespace vorlunda
