#include "support/PluginModule.h"

#include <windows.h>

namespace vorlunda::test {

PluginModule::PluginModule(const std::string& path) {
    handle = ::LoadLibraryA(path.c_str());
}

PluginModule::~PluginModule() {
    if (handle)
        ::FreeLibrary(static_cast<HMODULE>(handle));
}

vst::EntryPointProc PluginModule::EntryPoint(const char* name) const {
    if (!handle)
        return nullptr;
    return reinterpret_cast<vst::EntryPointProc>(
        reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name)));
}

std::string BuiltPluginPath() {
    // The build tree's path as wine sees it: the Unix root is drive Z:.
    std::string path = "Z:" VORLUNDA_PLUGIN_FILE;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

} // namespace vorlunda::test
