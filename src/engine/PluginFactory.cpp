// The instrument this library carries, as the host-interface layer creates it.
#include "engine/Vorlunda2.h"
#include "vst2/PluginEntry.h"

namespace vorlunda {

IPluginVST* CreatePluginInstance() {
    return new Vorlunda2();
}

} // namespace vorlunda
