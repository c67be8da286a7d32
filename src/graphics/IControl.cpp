#include "graphics/IControl.h"

#include "core/IPluginBase.h"
#include "graphics/IGraphics.h"

namespace vorlunda {

namespace {

constexpr float kGreyedWeight = 0.25f;

} // namespace

IControl::IControl(IPluginBase* plugArg, const ScreenRect& rectArg, int paramIndexArg,
                   const BlendSpec& blendArg)
    : plug(plugArg), rect(rectArg), targetRect(rectArg), paramIndex(paramIndexArg),
      blend(blendArg) {}

void IControl::MouseDown(int, int, const MouseModifiers& mods) {
    if (mods.right)
        PromptValueEntry();
}

void IControl::DoubleClick(int, int, const MouseModifiers&) {
    if (defaultValue < 0.0)
        return;
    value = defaultValue;
    MarkDirty(true);
}

void IControl::ApplyHostValue(double v) {
    if (!IsValue(v))
        return;
    if (defaultValue < 0.0) {
        // The first value from the plug-in: also the double-click default. The control is dirty
        // already from its construction.
        value = v < clampLow ? clampLow : (v > clampHigh ? clampHigh : v);
        defaultValue = value;
        return;
    }
    if (v != value) {
        value = v;
        MarkDirty(false);
        redraw = true;
    }
}

void IControl::ApplyUserValue(double v) {
    if (!IsValue(v))
        return;
    if (v != value) {
        value = v;
        MarkDirty(true);
        redraw = true;
    }
}

void IControl::SetHidden(bool hide) {
    hidden = hide;
    redraw = true;
    MarkDirty(false);
}

void IControl::SetGrayed(bool gray) {
    grayed = gray;
    blend.weight = gray ? kGreyedWeight : 1.0f;
    MarkDirty(false);
}

bool IControl::HitTest(int x, int y) {
    return !targetRect.IsEmpty() && targetRect.Contains(x, y);
}

void IControl::MarkDirty(bool push) {
    // Written so that a NaN ends at the low end, never on the screen or at the plug-in.
    if (!(value >= clampLow))
        value = clampLow;
    else if (value > clampHigh)
        value = clampHigh;
    dirty = true;
    if (push && plug && paramIndex >= 0)
        plug->SetParameterFromEditor(paramIndex, value);
}

void IControl::MarkClean() {
    dirty = redraw;
    redraw = false;
}

void IControl::PromptValueEntry() {
    if (paramIndex < 0 || promptDisabled || !plug || !graphics)
        return;
    const PlugParam* param = plug->Parameter(paramIndex);
    if (!param)
        return;
    ScreenRect entry = rect;
    if (param->ValueTextCount() == 0) {
        // A 40 x 16 box centred on the control.
        const int cx = static_cast<int>((rect.left + rect.right) * 0.5);
        const int cy = static_cast<int>((rect.top + rect.bottom) * 0.5);
        entry = {cx - 20, cy - 8, cx + 20, cy + 8};
    }
    graphics->StartValueEntry(this, param, entry);
    redraw = true;
}

} // namespace vorlunda
