// The instrument this library carries, as the host-interface layer creates it: the engine with
// its editor. The editor layer sits above the engine, so the two meet here and nowhere below.
#include "editor/EditorLayout.h"
#include "engine/Vorlunda2.h"
#include "graphics/EditorWindow.h"
#include "graphics/IGraphics.h"
#include "vst2/PluginEntry.h"

namespace vorlunda {

IPluginVST* CreatePluginInstance() {
    // The platform's window layer plugs in here; without one the editor draws but no window
    // opens (the host's open request is refused).
    return new Vorlunda2([](Synth& synth) { return MakeEditor(synth, nullptr); });
}

} // namespace vorlunda
