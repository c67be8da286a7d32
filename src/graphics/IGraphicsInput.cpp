// The editor's input side: pointer and key routing, the window layer's events, value entry and
// the timer tick.
#include "core/IPluginBase.h"
#include "core/TextFormat.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "graphics/PopupMenu.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace vorlunda {

// --- Pointer and keys ---

bool IGraphics::InsideEditor(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height;
}

bool IGraphics::HasParameter(const IControl& control) const {
    // A control bound to a parameter the plug-in does not have edits nothing: the host is not
    // told of gestures on it.
    return control.ParamIndex() >= 0 && plug.Parameter(control.ParamIndex()) != nullptr;
}

int IGraphics::FindTarget(int x, int y) const {
    // From the last control to the first: the one drawn on top wins.
    for (int i = ControlCount() - 1; i >= 0; --i) {
        IControl* c = controls[static_cast<std::size_t>(i)].get();
        if (!c->IsHidden() && !c->IsGrayed() && c->HitTest(x, y))
            return i;
    }
    return -1;
}

void IGraphics::ReleaseCapture() {
    captureIndex = -1;
    mouseX = -1;
    mouseY = -1;
}

void IGraphics::HandleMouseDown(int x, int y, const MouseModifiers& mods) {
    ApplyPendingParameterValues();
    ReleaseCapture();
    if (!InsideEditor(x, y))
        return;
    const int target = FindTarget(x, y);
    if (target < 0)
        return;
    captureIndex = target;
    mouseX = x;
    mouseY = y;
    IControl* c = Control(target);
    if (HasParameter(*c))
        plug.BeginParameterGesture(c->ParamIndex());
    c->MouseDown(x, y, mods);
}

void IGraphics::HandleMouseUp(int x, int y, const MouseModifiers& mods) {
    ApplyPendingParameterValues();
    int index = captureIndex;
    if (index < 0 && InsideEditor(x, y))
        index = FindTarget(x, y);
    ReleaseCapture();
    IControl* c = Control(index);
    if (!c)
        return;
    c->MouseUp(x, y, mods);
    if (HasParameter(*c))
        plug.EndParameterGesture(c->ParamIndex());
}

void IGraphics::HandleMouseDrag(int x, int y, const MouseModifiers& mods) {
    // A captured control follows the pointer wherever it goes, outside itself and the editor too.
    IControl* c = Control(captureIndex);
    if (!c || (x == mouseX && y == mouseY))
        return;
    ApplyPendingParameterValues();
    const int dX = x - mouseX;
    const int dY = y - mouseY;
    mouseX = x;
    mouseY = y;
    c->MouseDrag(x, y, dX, dY, mods);
}

bool IGraphics::HandleDoubleClick(int x, int y, const MouseModifiers& mods) {
    ApplyPendingParameterValues();
    ReleaseCapture();
    if (!InsideEditor(x, y))
        return false;
    const int target = FindTarget(x, y);
    if (target < 0)
        return false;
    IControl* c = Control(target);
    if (c->doubleClickAsClick) {
        captureIndex = target;
        mouseX = x;
        mouseY = y;
        c->MouseDown(x, y, mods);
        return true;
    }
    c->DoubleClick(x, y, mods);
    return false;
}

void IGraphics::HandleMouseWheel(int x, int y, const MouseModifiers& mods, int notches) {
    ApplyPendingParameterValues();
    int index = captureIndex;
    if (index < 0 && InsideEditor(x, y))
        index = FindTarget(x, y);
    if (IControl* c = Control(index))
        c->MouseWheel(x, y, mods, notches);
}

bool IGraphics::HandleKeyDown(int x, int y, KeyCode key) {
    ApplyPendingParameterValues();
    int index = captureIndex;
    if (index < 0 && InsideEditor(x, y))
        index = FindTarget(x, y);
    // Keys over the background are never given to a control.
    if (index <= 0)
        return false;
    return Control(index)->KeyDown(x, y, key);
}

// --- The window layer's events ---

bool IGraphics::Dispatch(const EditorEvent& e) {
    switch (e.type) {
    case EditorEvent::kFieldFocusGained:
        if (TextEntryOpen())
            entryState = EntryState::kEditing;
        return true;
    case EditorEvent::kFieldFocusLost:
    case EditorEvent::kFieldEnter:
    case EditorEvent::kFieldCommit:
        if (TextEntryOpen())
            entryState = EntryState::kCommit;
        return true;
    case EditorEvent::kFieldEscape:
        if (TextEntryOpen())
            entryState = EntryState::kCancel;
        return true;
    case EditorEvent::kCaptureLost:
        windowHasCapture = false;
        return true;
    default:
        break;
    }
    if (TextEntryOpen() && entryState == EntryState::kEditing)
        return DispatchWhileEditing(e);

    switch (e.type) {
    case EditorEvent::kMouseDown:
        // A press in the editor finishes an open entry with what was typed.
        if (TextEntryOpen()) {
            entryState = EntryState::kCommit;
            return true;
        }
        if (window) {
            window->TakeFocus();
            window->CaptureMouse();
            windowHasCapture = true;
        }
        HandleMouseDown(e.x, e.y, e.mods);
        return true;
    case EditorEvent::kMouseUp:
        if (window && windowHasCapture)
            window->ReleaseMouse();
        windowHasCapture = false;
        HandleMouseUp(e.x, e.y, e.mods);
        return true;
    case EditorEvent::kDoubleClick:
        if (HandleDoubleClick(e.x, e.y, e.mods) && window) {
            window->CaptureMouse();
            windowHasCapture = true;
        }
        return true;
    case EditorEvent::kMouseDrag:
        if (windowHasCapture && !TextEntryOpen())
            HandleMouseDrag(e.x, e.y, e.mods);
        return true;
    case EditorEvent::kWheel:
        if (TextEntryOpen())
            entryState = EntryState::kCancel;
        else
            HandleMouseWheel(e.x, e.y, e.mods, e.notches);
        return true;
    case EditorEvent::kKeyDown:
        return HandleKeyDown(e.x, e.y, e.key);
    case EditorEvent::kTimer:
        TimerTick();
        return true;
    case EditorEvent::kPaint:
        if (!e.rect.IsEmpty())
            PaintRegion(e.rect);
        return true;
    default:
        return false;
    }
}

bool IGraphics::DispatchWhileEditing(const EditorEvent& e) {
    // While the user works in the field only a press in the editor counts: it drops the entry.
    // Everything else, timer ticks and paint requests included, is left to the system, so the
    // editor does not redraw meanwhile.
    if (e.type == EditorEvent::kMouseDown && (e.mods.left || e.mods.right)) {
        entryState = EntryState::kCancel;
        return true;
    }
    return false;
}

void IGraphics::TimerTick() {
    if (TextEntryOpen() && entryState != EntryState::kIdle) {
        FinishTextEntryOnTick();
        return;
    }
    RepaintDirtyArea();
}

void IGraphics::RepaintDirtyArea() {
    ScreenRect area;
    if (!FindDirtyArea(area) || !window || !window->Handle())
        return;
    window->Invalidate(area);
    if (TextEntryOpen()) {
        // The field covers its control: everything else keeps redrawing.
        window->Validate(entryControl->Rect());
        window->PaintNow();
        entryState = EntryState::kRefresh;
    } else {
        window->PaintNow();
    }
}

// --- Value entry ---

void IGraphics::FinishTextEntryOnTick() {
    switch (entryState) {
    case EntryState::kRefresh:
        entryState = EntryState::kIdle;
        break;
    case EntryState::kCommit: {
        const std::string text = window ? window->TextFieldText() : std::string();
        IControl* control = entryControl;
        const PlugParam* param = entryParam;
        // Closed first: applying the value may open another entry (a control's own reaction).
        CloseTextEntry();
        FinishValueEntry(text.c_str(), control, param);
        break;
    }
    case EntryState::kCancel:
        CloseTextEntry();
        break;
    default:
        break;
    }
}

void IGraphics::CloseTextEntry() {
    if (!TextEntryOpen())
        return;
    if (window)
        window->CloseTextField();
    entryControl = nullptr;
    entryParam = nullptr;
    entryState = EntryState::kIdle;
}

void IGraphics::OpenTextEntry(IControl* control, const TextStyle& style, const ScreenRect& rect,
                              const char* text, const PlugParam* param) {
    if (!control || TextEntryOpen() || !window || !window->Handle())
        return;
    TextFieldRequest request;
    request.rect = rect;
    request.style = &style;
    request.text = text ? text : "";
    request.maxLength = std::max(control->entryLength, 0);
    if (param) {
        request.chars = param->Kind() == PlugParam::Type::Continuous ? TextEntryChars::kDecimal
                                                                     : TextEntryChars::kInteger;
    }
    if (!window->OpenTextField(request))
        return;
    entryControl = control;
    entryParam = param;
    // The field got the focus while it opened; from here on its events move the state.
    entryState = EntryState::kIdle;
}

namespace {

// The display text whose value is `value`, or "".
const char* DisplayTextOfValue(const PlugParam& param, int value) {
    for (int i = 0; i < param.ValueTextCount(); ++i) {
        const PlugParam::ValueText* t = param.ValueTextAt(i);
        if (t->value == value)
            return t->text;
    }
    return "";
}

double ClampToRange(const PlugParam& param, double v) {
    if (!(v >= param.Minimum()))
        return param.Minimum();
    return std::min(v, param.Maximum());
}

// The editor's own value: normalised 0..1, never NaN (a degenerate range gives 0).
double NormalisedOf(const PlugParam& param, double real) {
    const double n = param.ToNormalised(ClampToRange(param, real));
    return std::isfinite(n) ? std::clamp(n, 0.0, 1.0) : 0.0;
}

} // namespace

void IGraphics::StartValueEntry(IControl* control, const PlugParam* param, const ScreenRect& rect) {
    if (!control || !param || rect.IsEmpty())
        return;
    double current = 0.0;
    {
        // The host may be changing the value on its thread; an instant is enough to read it.
        IPluginBase::Lock lock(plug.Mutex());
        current = param->RealValue();
    }
    const PlugParam::Type type = param->Kind();
    const int n = param->ValueTextCount();
    if (type == PlugParam::Type::Enumerated || (type == PlugParam::Type::Boolean && n > 0)) {
        char shown[PlugParam::kTextSize];
        param->FormatValue(current, false, shown);
        PopupMenu menu;
        for (int i = 0; i < n; ++i) {
            const char* text = DisplayTextOfValue(*param, i);
            menu.AddItem(text, std::strcmp(text, shown) == 0 ? PopupMenuItem::kChecked : 0);
        }
        PopupMenu* chosen = ShowPopupMenu(menu, rect);
        if (chosen && chosen->ChosenIndex() >= 0)
            control->ApplyUserValue(NormalisedOf(*param, chosen->ChosenIndex()));
        return;
    }
    // The plain value as the user would type it: the parameter's own formatter, else the number
    // with the parameter's precision (display texts are not used here).
    char text[PlugParam::kTextSize];
    param->FormatValue(current, false, text, false);
    OpenTextEntry(control, control->Style(), rect, text, param);
}

void IGraphics::FinishValueEntry(const char* textArg, IControl* control, const PlugParam* param) {
    if (!control)
        return;
    char text[kMaxEnteredText + 1];
    CopyText(text, textArg ? textArg : "", sizeof text);
    if (!param) {
        control->AcceptEnteredText(text);
        return;
    }
    double v = 0.0;
    const PlugParam::Type type = param->Kind();
    if (type == PlugParam::Type::Boolean || type == PlugParam::Type::Enumerated) {
        // The display text typed exactly, else 0.
        for (int i = 0; i < param->ValueTextCount(); ++i) {
            const PlugParam::ValueText* t = param->ValueTextAt(i);
            if (std::strcmp(t->text, text) == 0) {
                v = t->value;
                break;
            }
        }
    } else if (param->HasDisplayReader() && param->ValueOfDisplay(text, &v)) {
        // The field showed the parameter's own display (hertz for a cutoff stored as a pitch
        // step): what the user typed is read in the same unit, or typing back the shown value
        // would set another one.
        if (std::isnan(v))
            v = 0.0;
    } else {
        // The leading decimal number, else 0. "nan" is not a number a user types for a value;
        // "inf" and overflowing numbers end at the range's edges.
        v = ParseDouble(text).value_or(0.0);
        if (std::isnan(v))
            v = 0.0;
        if (param->NegatesDisplay())
            v = -v;
    }
    control->ApplyUserValue(NormalisedOf(*param, v));
}

} // namespace vorlunda
