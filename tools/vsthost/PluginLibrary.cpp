#include "PluginLibrary.h"

namespace vorlunda::vsthost {

bool PluginLibrary::Open(const std::string& file, bool quiet) {
    Close();
    path = file;
    if (!library.Open(file, quiet)) {
        failure = Failure::CannotLoad;
        return false;
    }
    entry = EntryNamed("VSTPluginMain");
    if (!entry)
        entry = EntryNamed("main");
    if (!entry) {
        failure = Failure::NoEntryPoint;
        library.Close();
        return false;
    }
    failure = Failure::None;
    return true;
}

void PluginLibrary::Close() {
    entry = nullptr;
    library.Close();
}

vst::EntryPointProc PluginLibrary::EntryNamed(const char* name) const {
    return reinterpret_cast<vst::EntryPointProc>(library.Symbol(name));
}

} // namespace vorlunda::vsthost
