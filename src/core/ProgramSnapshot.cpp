#include "core/ProgramSnapshot.h"

#include <utility>

namespace vorlunda {

ProgramSnapshot::ProgramSnapshot(IPluginBase& owner)
    : plugin(owner), currentProgram(owner.currentProgram) {
    slots.reserve(static_cast<std::size_t>(plugin.ProgramCount()));
    for (int i = 0; i < plugin.ProgramCount(); ++i)
        slots.push_back(*plugin.Preset(i));
    parameters.reserve(static_cast<std::size_t>(plugin.ParameterCount()));
    for (int i = 0; i < plugin.ParameterCount(); ++i)
        parameters.push_back(*plugin.Parameter(i));
}

void ProgramSnapshot::Restore() {
    for (int i = 0; i < plugin.ProgramCount() && i < static_cast<int>(slots.size()); ++i)
        *plugin.Preset(i) = std::move(slots[static_cast<std::size_t>(i)]);
    // Whole parameter objects go back, not values through SetReal: a value that stood outside
    // its range before the load (possible after a host's out-of-range normalised value) must
    // come back as it was, not clamped. Same-sized copies reuse their storage.
    for (int i = 0; i < plugin.ParameterCount() && i < static_cast<int>(parameters.size()); ++i)
        *plugin.Parameter(i) = parameters[static_cast<std::size_t>(i)];
    plugin.currentProgram = currentProgram;
    // The failed load has already told the engine and the editor about values that are gone.
    plugin.ApplyAllParameters();
    plugin.ProgramsChanged();
    plugin.ShowAllParameterValues();
}

} // namespace vorlunda
