#pragma once

#include "graphics/IControl.h"

namespace vorlunda {

class Synth;

// The invisible "MENU" button: a press opens the command menu of program, bank and configuration
// commands and runs the chosen one.
class ITKOptionMenu : public IControl {
public:
    // Runs command `command` of the command menu (EditorCommand numbers) on the editor's thread.
    using CommandExecutor = void (*)(Synth& synth, IGraphics& graphics, int command);

    // `execute` runs the chosen commands; none: only the maker's home page entry does anything.
    ITKOptionMenu(Synth* synth, const ScreenRect& rect, int code, CommandExecutor execute);
    ~ITKOptionMenu() override;

    // Any button: builds the menu afresh, shows it at the press point and runs the choice.
    void MouseDown(int x, int y, const MouseModifiers& mods) override;
    // Draws nothing: the button is part of the background.
    bool Render(IGraphics& graphics) override;

private:
    Synth* synth;
    CommandExecutor execute;
};

} // namespace vorlunda
