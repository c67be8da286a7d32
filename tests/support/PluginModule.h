#pragma once

#include "vst2/VstAbi.h"

#include <string>

namespace vorlunda::test {

// A plug-in library loaded the way a host loads it; only its exported entry point is used.
class PluginModule {
public:
    explicit PluginModule(const std::string& path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool Loaded() const { return handle != nullptr; }
    // The exported function `name` as an entry point, or null.
    vst::EntryPointProc EntryPoint(const char* name) const;

private:
    void* handle = nullptr;
};

// The plug-in library built next to the tests.
std::string BuiltPluginPath();

} // namespace vorlunda::test
