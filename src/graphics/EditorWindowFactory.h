#pragma once

#include "graphics/EditorWindow.h"

#include <memory>

namespace vorlunda {

// The window layer of the system the plug-in was built for.
std::unique_ptr<EditorWindow> MakeEditorWindow();

} // namespace vorlunda
