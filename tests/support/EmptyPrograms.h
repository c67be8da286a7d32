#pragma once

#include "core/IPluginBase.h"
#include "core/PresetSlot.h"

namespace vorlunda::test {

// Every new instrument starts with factory bank 2 in its slots (program 0 current). Tests of
// the slot and file operations themselves start from what the plug-in base alone gives a new
// instance: 64 uninitialised slots named "empty" and every parameter at its default.
inline void EmptyAllPrograms(IPluginBase& plugin) {
    IPluginBase::Lock lock(plugin.Mutex());
    for (int i = 0; i < plugin.ProgramCount(); ++i)
        *plugin.Preset(i) = PresetSlot{};
    for (int i = 0; i < plugin.ParameterCount(); ++i)
        plugin.Parameter(i)->SetReal(plugin.Parameter(i)->DefaultValue());
    plugin.ApplyAllParameters();
}

} // namespace vorlunda::test
