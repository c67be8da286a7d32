#include "editor/EditorCommands.h"

namespace vorlunda {

void ExecuteEditorCommand(Synth&, IGraphics&, int) {}

const char* MakerWebDomain() {
    return "www.example.com";
}

const char* MakerHomePage() {
    return "http://www.example.com/";
}

} // namespace vorlunda
