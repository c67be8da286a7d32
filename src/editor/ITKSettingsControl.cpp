#include "editor/ITKSettingsControl.h"

#include "engine/ParameterTable.h"
#include "graphics/IGraphics.h"
#include "graphics/PopupMenu.h"
#include "synth/Synth.h"

#include <algorithm>
#include <cmath>

namespace vorlunda {

namespace {

// The submenus, by their position in the menu.
struct SettingsSubmenu {
    const char* title;
    int param;
};
constexpr SettingsSubmenu kSubmenus[] = {
    {"Polyphony", kVoices},
    {"Sync-to-Host Rate", kSyncRate},
    {"Pitch Bend Range", kBendRange},
    {"Mod Wheel --> Filter", kWheelToCutoff},
};
// The two on/off entries after the separator (positions 5 and 6).
constexpr int kFirstToggle = 5;
constexpr int kToggles[] = {kWheelToFm, kWheelToFilterMod};
constexpr const char* kToggleTitles[] = {"Mod Wheel --> LFO to Osc", "Mod Wheel --> LFO to Filter"};
constexpr double kOnThreshold = 0.5;

// Entry j is the display text with value j ("" when there is none).
void AddValueEntries(PopupMenu& submenu, const PlugParam& param) {
    const int current = static_cast<int>(std::trunc(param.RealValue()));
    for (int j = 0; j < param.ValueTextCount(); ++j) {
        const char* text = "";
        for (int i = 0; i < param.ValueTextCount(); ++i) {
            if (param.ValueTextAt(i)->value == j)
                text = param.ValueTextAt(i)->text;
        }
        submenu.AddItem(text, j == current ? PopupMenuItem::kChecked : 0);
    }
}

} // namespace

ITKSettingsControl::ITKSettingsControl(Synth* synthArg, const ScreenRect& rectArg)
    : IControl(synthArg, rectArg, kCode), synth(synthArg) {}

bool ITKSettingsControl::Render(IGraphics&) {
    return true;
}

void ITKSettingsControl::BuildMenu(PopupMenu& menu) const {
    for (const SettingsSubmenu& s : kSubmenus)
        AddValueEntries(menu.AddSubmenu(s.title), *synth->Parameter(s.param));
    menu.AddSeparator();
    for (int k = 0; k < 2; ++k) {
        const bool on = synth->Parameter(kToggles[k])->RealValue() >= kOnThreshold;
        menu.AddItem(kToggleTitles[k], on ? PopupMenuItem::kChecked : 0);
    }
}

bool ITKSettingsControl::ChoiceValue(const PopupMenu& menu, const PopupMenu* holder, int* param,
                                     double* value) const {
    if (!holder || holder->ChosenIndex() < 0)
        return false;
    const int chosen = holder->ChosenIndex();
    if (holder == &menu) {
        const int k = chosen - kFirstToggle;
        if (k < 0 || k > 1)
            return false;
        *param = kToggles[k];
        *value = synth->Parameter(*param)->RealValue() >= kOnThreshold ? 0.0 : 1.0;
        return true;
    }
    for (int k = 0; k < 4; ++k) {
        const PopupMenuItem* item = menu.Item(k);
        if (item && item->submenu.get() == holder) {
            *param = kSubmenus[k].param;
            *value = chosen;
            return true;
        }
    }
    return false;
}

void ITKSettingsControl::ApplySetting(int index, double value) {
    IPluginBase::Lock lock(synth->Mutex());
    PlugParam* param = synth->Parameter(index);
    if (!param)
        return;
    param->SetReal(std::clamp(value, param->Minimum(), param->Maximum()));
    synth->ParameterChanged(index);
    synth->NotifyHostOfParameter(index, param->ToNormalised());
    // The polyphony display shows parameter 0 as well: it follows at the next tick.
    if (graphics)
        graphics->UpdateParameterControls(index, param->RealValue(), false);
}

void ITKSettingsControl::MouseDown(int x, int y, const MouseModifiers&) {
    if (!synth || !graphics)
        return;
    PopupMenu menu;
    {
        IPluginBase::Lock lock(synth->Mutex());
        BuildMenu(menu);
    }
    const PopupMenu* holder = graphics->ShowPopupMenu(menu, {x, y, x, y});
    int index = -1;
    double value = 0.0;
    bool chosen = false;
    {
        IPluginBase::Lock lock(synth->Mutex());
        chosen = ChoiceValue(menu, holder, &index, &value);
    }
    if (chosen)
        ApplySetting(index, value);
}

} // namespace vorlunda
