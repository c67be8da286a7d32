#pragma once

#include "platform/DynamicLibrary.h"
#include "vst2/VstAbi.h"

#include <string>

namespace vorlunda::vsthost {

// A plug-in library loaded the way a host loads it, with its VST 2.4 entry point
// (`VSTPluginMain`, or the older `main`).
class PluginLibrary {
public:
    enum class Failure { None, CannotLoad, NoEntryPoint };

    // False when the file cannot be loaded as a library (the system's reason in SystemReason())
    // or exports no entry point; Failure() tells which. `quiet`: no system dialog boxes.
    bool Open(const std::string& path, bool quiet = true);
    void Close();
    bool IsOpen() const { return entry != nullptr; }
    vst::EntryPointProc Entry() const { return entry; }
    // Any exported function as an entry point, or null.
    vst::EntryPointProc EntryNamed(const char* name) const;
    const std::string& Path() const { return path; }
    Failure LastFailure() const { return failure; }
    const std::string& SystemReason() const { return library.Error(); }

private:
    DynamicLibrary library;
    vst::EntryPointProc entry = nullptr;
    std::string path;
    Failure failure = Failure::None;
};

} // namespace vorlunda::vsthost
