#include "support/PluginModule.h"

#include <dlfcn.h>

namespace vorlunda::test {

PluginModule::PluginModule(const std::string& path) {
    handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

PluginModule::~PluginModule() {
    if (handle)
        ::dlclose(handle);
}

vst::EntryPointProc PluginModule::EntryPoint(const char* name) const {
    return handle ? reinterpret_cast<vst::EntryPointProc>(::dlsym(handle, name)) : nullptr;
}

std::string BuiltPluginPath() {
    return VORLUNDA_PLUGIN_FILE;
}

} // namespace vorlunda::test
