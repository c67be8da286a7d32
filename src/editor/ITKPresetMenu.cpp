#include "editor/ITKPresetMenu.h"

#include "editor/EditorStyles.h"
#include "graphics/IGraphics.h"
#include "graphics/PopupMenu.h"
#include "synth/Synth.h"

#include <algorithm>
#include <cstdio>

namespace vorlunda {

namespace {

constexpr int kProgramsPerSubmenu = 16;
constexpr std::size_t kLongestEnteredName = 256; // characters

std::string Shortened(std::string text, std::size_t length) {
    if (text.size() > length)
        text.resize(length);
    return text;
}

} // namespace

ITKPresetMenu::ITKPresetMenu(Synth* synthArg, const ScreenRect& numberRectArg,
                             const ScreenRect& nameRectArg)
    : IControl(synthArg, Union(numberRectArg, nameRectArg), -1), synth(synthArg),
      numberRect(numberRectArg), nameRect(nameRectArg) {
    entryLength = kEntryLength;
    style = ProgramTextStyle();
}

ITKPresetMenu::~ITKPresetMenu() = default;

void ITKPresetMenu::ReadProgram(int* index, std::string* name) const {
    IPluginBase::Lock lock(synth->Mutex());
    *index = synth->CurrentProgram();
    *name = synth->PresetName(*index);
}

bool ITKPresetMenu::NeedsRedraw() const {
    return IControl::NeedsRedraw() || (synth && synth->ProgramDisplaySerial() != shownSerial);
}

bool ITKPresetMenu::Render(IGraphics& graphics) {
    if (!synth)
        return true;
    // Taken before the program is read: a change after this point draws once more.
    shownSerial = synth->ProgramDisplaySerial();
    int index = 0;
    std::string name;
    ReadProgram(&index, &name);
    char number[16];
    std::snprintf(number, sizeof number, "%02d", index);
    numberText = Shortened(number, kShownText);
    nameText = Shortened(std::move(name), kShownText);
    bool drawn = true;
    if (!numberText.empty())
        drawn = graphics.DrawLabelText(style, numberText.c_str(), numberRect) && drawn;
    drawn = graphics.DrawLabelText(style, nameText.c_str(), nameRect) && drawn;
    return drawn;
}

void ITKPresetMenu::MouseDown(int x, int y, const MouseModifiers&) {
    if (!synth || !graphics)
        return;
    if (!nameRect.IsEmpty() && nameRect.Contains(x, y)) {
        int index = 0;
        std::string name;
        ReadProgram(&index, &name);
        graphics->OpenTextEntry(this, style, nameRect, name.c_str(), nullptr);
    } else {
        ShowProgramMenu();
    }
    for (int i = 0; i < graphics->ControlCount(); ++i)
        graphics->Control(i)->MarkDirty(false);
}

void ITKPresetMenu::ShowProgramMenu() {
    PopupMenu menu;
    PopupMenu* submenus[4] = {};
    {
        IPluginBase::Lock lock(synth->Mutex());
        const int current = synth->CurrentProgram();
        PopupMenu* submenu = nullptr;
        for (int i = 0; i < synth->ProgramCount(); ++i) {
            if (i % kProgramsPerSubmenu == 0 && i / kProgramsPerSubmenu < 4) {
                char title[32];
                std::snprintf(title, sizeof title, "%02d - %02d", i, i + kProgramsPerSubmenu - 1);
                submenu = &menu.AddSubmenu(title);
                submenus[i / kProgramsPerSubmenu] = submenu;
            }
            char entry[64];
            std::snprintf(entry, sizeof entry, "%02u: %s", static_cast<unsigned>(i),
                          synth->PresetName(i));
            submenu->AddItem(Shortened(entry, kShownText),
                             i == current ? PopupMenuItem::kChecked : 0);
        }
    }
    const PopupMenu* holder = graphics->ShowPopupMenu(menu, rect);
    if (!holder)
        return;
    for (int k = 0; k < 4; ++k) {
        if (submenus[k] == holder && holder->ChosenIndex() >= 0) {
            synth->SelectProgram(k * kProgramsPerSubmenu + holder->ChosenIndex());
            return;
        }
    }
}

void ITKPresetMenu::AcceptEnteredText(const char* text) {
    if (!synth)
        return;
    const std::string name = Shortened(text ? text : "", kLongestEnteredName);
    {
        IPluginBase::Lock lock(synth->Mutex());
        synth->ModifyCurrentPreset(name.c_str());
        synth->NotifyHostOfProgramChange();
    }
    synth->ResendAllParameters();
    MarkDirty(false);
}

} // namespace vorlunda
