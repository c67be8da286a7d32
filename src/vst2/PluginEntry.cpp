#include "vst2/PluginEntry.h"

#include "vst2/IPluginVST.h"

#include <algorithm>
#include <mutex>

namespace vorlunda {

vst::AEffect* CreateEffect(vst::HostCallback host) {
    // Hosts may instantiate from several threads; the process-wide tables built by the first
    // instance must not be built twice at once.
    static std::mutex constructionLock;
    try {
        std::lock_guard<std::mutex> lock(constructionLock);
        IPluginVST* plugin = CreatePluginInstance();
        if (!plugin)
            return nullptr;
        plugin->ConnectHost(host);
        plugin->FillEmptyPresets(nullptr, plugin->ProgramCount());
        vst::AEffect* effect = plugin->Effect();
        effect->numPrograms = std::max(effect->numPrograms, 1);
        return effect;
    } catch (...) {
        return nullptr; // out of memory or a broken installation: the host sees a refusal
    }
}

} // namespace vorlunda
