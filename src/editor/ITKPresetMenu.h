#pragma once

#include "graphics/IControl.h"

#include <string>

namespace vorlunda {

class PopupMenu;
class Synth;

// The program selector: the current program's number and name. A press on the name opens a text
// field to rename the program; a press anywhere else opens the menu of all programs, in four
// submenus of 16.
//
// Program changes happen on the host's threads and the audio thread too: the selector never gets
// told directly, it compares the Synth's program-display serial with the one it last drew when the
// editor's timer asks what needs drawing, and reads the program under the plug-in mutex (for an
// instant) when it draws.
class ITKPresetMenu : public IControl {
public:
    static constexpr int kEntryLength = 253;      // characters a new name may have
    static constexpr std::size_t kShownText = 32; // characters of number and name drawn

    // The rectangle is the smallest holding both (an empty one is ignored).
    ITKPresetMenu(Synth* synth, const ScreenRect& numberRect, const ScreenRect& nameRect);
    ~ITKPresetMenu() override;

    void MouseDown(int x, int y, const MouseModifiers& mods) override;
    bool Render(IGraphics& graphics) override;
    // The committed text of the name field becomes the current program's name (an empty one keeps
    // the name); the program also takes the current parameter values.
    void AcceptEnteredText(const char* text) override;
    bool NeedsRedraw() const override;

    const std::string& NumberText() const { return numberText; }
    const std::string& NameText() const { return nameText; }
    const ScreenRect& NumberRect() const { return numberRect; }
    const ScreenRect& NameRect() const { return nameRect; }

private:
    void ShowProgramMenu();
    void ReadProgram(int* index, std::string* name) const;

    Synth* synth;
    std::string numberText;
    std::string nameText;
    ScreenRect numberRect;
    ScreenRect nameRect;
    unsigned shownSerial = 0;
};

} // namespace vorlunda
