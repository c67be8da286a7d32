#include "graphics/SystemEditorWindow.h"

#include "graphics/X11EditorWindow_x11.h"

namespace vorlunda {

std::unique_ptr<EditorWindow> CreateSystemEditorWindow() {
    return std::make_unique<X11EditorWindow>();
}

} // namespace vorlunda
