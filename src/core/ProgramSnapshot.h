#pragma once

#include "core/IPluginBase.h"
#include "core/PlugParam.h"
#include "core/PresetSlot.h"

#include <exception>
#include <vector>

namespace vorlunda {

// A copy of everything a program or bank load may change: every program slot, the current
// program index and every parameter. Loads read untrusted bytes and follow reading rules that
// change parameters and slots as they go; keeping a copy is what lets a load that turns out
// truncated or malformed part-way leave the plug-in exactly as it was.
class ProgramSnapshot {
public:
    // Copies the plug-in's programs and parameters; may throw std::bad_alloc. Mutex held.
    explicit ProgramSnapshot(IPluginBase& plugin);

    // Puts every slot, the current index and every parameter back and lets the engine and the
    // editor take the restored values again. Allocates nothing (the copies are moved back).
    void Restore();

private:
    IPluginBase& plugin;
    std::vector<PresetSlot> slots;
    std::vector<PlugParam> parameters;
    int currentProgram;
};

// Runs `load` (a callable answering bool) under the plug-in mutex. When it answers false, or runs
// out of memory, every slot, the current program index and every parameter are restored and the
// answer is false: a refused load changes nothing. No exception leaves this function.
template <class Load>
bool LoadAllOrNothing(IPluginBase& plugin, Load&& load) noexcept {
    try {
        IPluginBase::Lock lock(plugin.Mutex());
        ProgramSnapshot snapshot(plugin);
        bool loaded = false;
        try {
            loaded = load();
        } catch (const std::exception&) {
            loaded = false;
        }
        if (!loaded)
            snapshot.Restore();
        return loaded;
    } catch (const std::exception&) {
        return false; // the snapshot itself could not be taken: nothing was touched
    }
}

} // namespace vorlunda
