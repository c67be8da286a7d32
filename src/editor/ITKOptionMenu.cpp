#include "editor/ITKOptionMenu.h"

#include "editor/CommandMenu.h"
#include "editor/EditorCommands.h"
#include "graphics/IGraphics.h"
#include "graphics/PopupMenu.h"
#include "synth/Synth.h"

namespace vorlunda {

ITKOptionMenu::ITKOptionMenu(Synth* synthArg, const ScreenRect& rectArg, int code,
                             CommandExecutor executeArg)
    : IControl(synthArg, rectArg, code), synth(synthArg), execute(executeArg) {}

ITKOptionMenu::~ITKOptionMenu() = default;

bool ITKOptionMenu::Render(IGraphics&) {
    return true;
}

void ITKOptionMenu::MouseDown(int x, int y, const MouseModifiers&) {
    if (!synth || !graphics)
        return;
    PopupMenu menu;
    BuildCommandMenu(*synth, menu);
    const PopupMenu* holder = graphics->ShowPopupMenu(menu, {x, y, x, y});
    const int command = CommandOfChoice(menu, holder);
    if (command < 0)
        return;
    if (command == kCommandVisitMaker)
        graphics->OpenLink(MakerHomePage(*synth).c_str(), nullptr, nullptr, nullptr);
    else if (execute)
        execute(*synth, *graphics, command);
}

} // namespace vorlunda
