#pragma once

#include "vst2/VstAbi.h"

namespace vorlunda {

class IPluginVST;

// Constructs the library's instrument (defined by the instrument, not by the host layer).
// Answers null when construction failed.
IPluginVST* CreatePluginInstance();

// What the exported entry points do: under a process-wide lock, constructs an instance connected
// to `host`, fills its empty program slots and answers its `AEffect`, or null.
vst::AEffect* CreateEffect(vst::HostCallback host);

} // namespace vorlunda
