#include "PluginLibrary.h"

namespace vorlunda::validate {

bool PluginLibrary::Open(const std::string& file) {
    Close();
    path = file;
    if (!library.Open(file)) {
        error = file + ": cannot be loaded: " + library.Error();
        return false;
    }
    entry = reinterpret_cast<vst::EntryPointProc>(library.Symbol("VSTPluginMain"));
    if (!entry)
        entry = reinterpret_cast<vst::EntryPointProc>(library.Symbol("main"));
    if (!entry) {
        error = file + ": exports neither VSTPluginMain nor main";
        library.Close();
        return false;
    }
    return true;
}

void PluginLibrary::Close() {
    entry = nullptr;
    library.Close();
}

} // namespace vorlunda::validate
