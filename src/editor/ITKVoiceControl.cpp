#include "editor/ITKVoiceControl.h"

#include "editor/EditorStyles.h"
#include "graphics/IGraphics.h"
#include "graphics/PopupMenu.h"
#include "synth/Synth.h"

#include <cmath>
#include <string>

namespace vorlunda {

namespace {

constexpr int kVoicesParameter = 0;

// The display text with value `v`, or none.
const char* TextOfValue(const PlugParam& param, int v) {
    for (int i = 0; i < param.ValueTextCount(); ++i) {
        if (param.ValueTextAt(i)->value == v)
            return param.ValueTextAt(i)->text;
    }
    return nullptr;
}

} // namespace

ITKVoiceControl::ITKVoiceControl(Synth* synth, const ScreenRect& rectArg)
    : IControl(synth, rectArg, kVoicesParameter) {
    style = VoicesTextStyle();
}

const char* ITKVoiceControl::DisplayText() const {
    const PlugParam* param = plug ? plug->Parameter(paramIndex) : nullptr;
    if (!param)
        return "";
    // The control's value follows the parameter (host changes, program loads and the settings
    // menu all reach it); range and shape never change, so no lock is needed to convert it.
    const double real = param->RealFromNormalised(value);
    const char* text = TextOfValue(*param, static_cast<int>(std::trunc(real)));
    return text ? text : "";
}

bool ITKVoiceControl::Render(IGraphics& graphics) {
    return graphics.DrawLabelText(style, DisplayText(), rect);
}

void ITKVoiceControl::MouseDown(int x, int y, const MouseModifiers&) {
    const PlugParam* param = plug ? plug->Parameter(paramIndex) : nullptr;
    if (!param || !graphics)
        return;
    PopupMenu menu;
    const char* current = DisplayText();
    // Display texts are stored in value order.
    for (int i = 0; i < param->ValueTextCount(); ++i) {
        const char* text = param->ValueTextAt(i)->text;
        menu.AddItem(text, std::string(text) == current ? PopupMenuItem::kChecked : 0);
    }
    const PopupMenu* holder = graphics->ShowPopupMenu(menu, {x, y, x, y});
    if (!holder || holder->ChosenIndex() < 0)
        return;
    graphics->ApplyParameterValue(paramIndex, holder->ChosenIndex(), false);
    MarkDirty(true);
}

} // namespace vorlunda
