#pragma once

#include "SharedLibrary.h"
#include "vst2/VstAbi.h"

#include <string>

namespace vorlunda::validate {

// A plug-in library loaded the way a host loads it, with its VST 2.4 entry point
// (`VSTPluginMain`, or the older `main`).
class PluginLibrary {
public:
    // False with a one-line reason in Error().
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return entry != nullptr; }
    vst::EntryPointProc Entry() const { return entry; }
    const std::string& Path() const { return path; }
    const std::string& Error() const { return error; }

private:
    render::SharedLibrary library;
    vst::EntryPointProc entry = nullptr;
    std::string path;
    std::string error;
};

} // namespace vorlunda::validate
