#pragma once

#include "graphics/BlendSpec.h"
#include "graphics/MouseModifiers.h"
#include "graphics/ScreenRect.h"
#include "graphics/TextStyle.h"

namespace vorlunda {

class IGraphics;
class IPluginBase;

// The base of every editor control: a rectangle that draws itself and turns pointer gestures into
// a normalised value 0..1 of its parameter. Owned by the editor's control list (IGraphics).
//
// Threads: every operation runs on the editor's thread. Values from the host reach a control
// through the editor (IGraphics::UpdateParameterControls), never directly from another thread.
// A control writes to the plug-in only through MarkDirty (true), which calls the plug-in base's
// SetParameterFromEditor (that takes the plug-in mutex for the call); Render never does.
class IControl {
public:
    // Direction of travel of knobs and faders.
    enum Direction : int { kVertical = 0, kHorizontal = 1 };

    // `plug` may be none (a control that never writes anywhere); paramIndex -1: no parameter.
    IControl(IPluginBase* plug, const ScreenRect& rect, int paramIndex = -1,
             const BlendSpec& blend = {});
    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;

    // --- Virtual operations, in slot order ---
    virtual ~IControl() = default;
    // Right button: PromptValueEntry; otherwise nothing.
    virtual void MouseDown(int x, int y, const MouseModifiers& mods);
    virtual void MouseUp(int /*x*/, int /*y*/, const MouseModifiers& /*mods*/) {}
    virtual void MouseDrag(int /*x*/, int /*y*/, int /*dX*/, int /*dY*/,
                           const MouseModifiers& /*mods*/) {}
    // Restores the first value the plug-in reported, when there was one.
    virtual void DoubleClick(int x, int y, const MouseModifiers& mods);
    virtual void MouseWheel(int /*x*/, int /*y*/, const MouseModifiers& /*mods*/, int /*notches*/) {
    }
    // Answers whether the control took the key; false lets it go on to the host.
    virtual bool KeyDown(int /*x*/, int /*y*/, KeyCode /*key*/) { return false; }
    // Never called in this editor (no hover tracking).
    virtual void MouseHover(int /*x*/, int /*y*/, const MouseModifiers& /*mods*/) {}
    virtual void MouseLeave() {}
    // Draws the control through the editor's drawing operations; false when something could not
    // be drawn. Must not take the plug-in mutex.
    virtual bool Render(IGraphics& graphics) = 0;
    // A value the plug-in reports (host automation, program loads, attaching). Never writes back
    // to the plug-in. The first one also becomes the default for double clicks.
    virtual void ApplyHostValue(double value);
    // A value the user picked in a menu or typed; written to the plug-in.
    virtual void ApplyUserValue(double value);
    // Text typed into a field opened without a parameter.
    virtual void AcceptEnteredText(const char* /*text*/) {}
    virtual void SetHidden(bool hide);
    // A greyed control cannot be pressed and draws at weight 0.25.
    virtual void SetGrayed(bool gray);
    virtual bool HitTest(int x, int y);
    // Clamps the value, marks the control for drawing and, with `push`, sends the value to the
    // plug-in (when it has one and a parameter).
    virtual void MarkDirty(bool push);
    // After a paint: the control stays dirty once more when a redraw was requested.
    virtual void MarkClean();
    virtual bool NeedsRedraw() const { return dirty; }
    virtual void Hook() {}
    // A value for an extra parameter binding; no control here has one.
    virtual void SetExtraBindingValue(int /*position*/, double /*value*/) {}

    // --- Non-virtual ---
    // Opens a menu or a text field for the control's parameter (nothing without a parameter, with
    // prompting disabled, or before the control belongs to an editor).
    void PromptValueEntry();

    const ScreenRect& Rect() const { return rect; }
    const ScreenRect& TargetRect() const { return targetRect; }
    void SetTargetRect(const ScreenRect& r) { targetRect = r; }
    int ParamIndex() const { return paramIndex; }
    double Value() const { return value; }
    double DefaultValue() const { return defaultValue; }
    bool IsHidden() const { return hidden; }
    bool IsGrayed() const { return grayed; }
    const BlendSpec& Blend() const { return blend; }
    TextStyle& Style() { return style; }
    void SetStyle(const TextStyle& s) { style = s; }
    void SetClamp(double low, double high) {
        clampLow = low;
        clampHigh = high;
    }
    IPluginBase* Plug() const { return plug; }
    // The editor the control was added to (set by IGraphics::AddControl); none before.
    IGraphics* Graphics() const { return graphics; }
    void SetGraphics(IGraphics* g) { graphics = g; }

    int entryLength = 7;             // characters the text-entry field accepts
    bool promptDisabled = true;      // right-click value entry is off
    bool doubleClickAsClick = false; // a double click arrives as a press

protected:
    // Stores v as the value when it is a number (a NaN is not a value and changes nothing).
    static bool IsValue(double v) { return v == v; }

    TextStyle style;
    IPluginBase* plug = nullptr;
    ScreenRect rect;
    ScreenRect targetRect;
    int paramIndex = -1;
    double value = 0.0;
    double defaultValue = -1.0; // below 0: no value from the plug-in yet
    double clampLow = 0.0;
    double clampHigh = 1.0;
    bool dirty = true;
    bool hidden = false;
    bool grayed = false;
    bool redraw = false;
    BlendSpec blend;
    IGraphics* graphics = nullptr;
};

} // namespace vorlunda
