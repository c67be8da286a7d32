// The plug-in library's only exported symbols: the VST 2.4 entry point under both names hosts
// look for. Compiled into the shared library alone (a `main` symbol has no place in the static
// library that test programs link).
#include "vst2/PluginEntry.h"

#if defined(_WIN32)
// Exported by name through EntryPoint.def, which also maps `main` onto the alias below.
#define VORLUNDA_EXPORT
#else
#define VORLUNDA_EXPORT __attribute__((visibility("default")))
#endif

// C++ reserves the name `main` for the program's entry; the alias gets it through its assembler
// name instead (32-bit Windows decorates C names with a leading underscore).
#if defined(_WIN32) && !defined(_WIN64)
#define VORLUNDA_MAIN_SYMBOL "_main"
#else
#define VORLUNDA_MAIN_SYMBOL "main"
#endif

extern "C" {

VORLUNDA_EXPORT vorlunda::vst::AEffect* VORLUNDA_VST_CALL
VSTPluginMain(vorlunda::vst::HostCallback host);

VORLUNDA_EXPORT vorlunda::vst::AEffect* VORLUNDA_VST_CALL
VstPluginMainAlias(vorlunda::vst::HostCallback host) __asm__(VORLUNDA_MAIN_SYMBOL);

vorlunda::vst::AEffect* VORLUNDA_VST_CALL VSTPluginMain(vorlunda::vst::HostCallback host) {
    return vorlunda::CreateEffect(host);
}

vorlunda::vst::AEffect* VORLUNDA_VST_CALL VstPluginMainAlias(vorlunda::vst::HostCallback host) {
    return VSTPluginMain(host);
}

} // extern "C"
