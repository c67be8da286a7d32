// The instrument this library carries, as the host-interface layer creates it: the engine with
// its editor. The editor layer sits above the engine, so the two meet here and nowhere below.
#include "editor/EditorLayout.h"
#include "engine/Vorlunda2.h"
#include "graphics/EditorWindow.h"
#include "graphics/IGraphics.h"
#include "graphics/SystemEditorWindow.h"
#include "vst2/PluginEntry.h"

namespace vorlunda {

IPluginVST* CreatePluginInstance() {
    // The platform's window layer (Win32 or X11) plugs in here; it makes no window and takes no
    // system resource until the host asks to open the editor.
    return new Vorlunda2(
        [](Synth& synth) { return MakeEditor(synth, CreateSystemEditorWindow()); });
}

} // namespace vorlunda
