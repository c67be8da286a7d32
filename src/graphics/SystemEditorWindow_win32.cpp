#include "graphics/IGraphicsWin_win32.h"
#include "graphics/SystemEditorWindow.h"

namespace vorlunda {

std::unique_ptr<EditorWindow> CreateSystemEditorWindow() {
    return std::make_unique<IGraphicsWin>();
}

} // namespace vorlunda
