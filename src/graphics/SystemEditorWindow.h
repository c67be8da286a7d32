#pragma once

#include "graphics/EditorWindow.h"

#include <memory>

namespace vorlunda {

// The window layer of the system the library is built for (Windows: IGraphicsWin), handed to the
// editor core when the plug-in builds its editor. None where the library has no window layer.
std::unique_ptr<EditorWindow> CreateSystemEditorWindow();

} // namespace vorlunda
