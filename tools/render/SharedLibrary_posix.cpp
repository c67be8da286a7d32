#include "SharedLibrary.h"

#include <dlfcn.h>

namespace vorlunda::render {

bool SharedLibrary::Open(const std::string& path) {
    Close();
    // RTLD_LOCAL: a plug-in's symbols must not resolve another plug-in's (or ours).
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : "unknown reason";
        return false;
    }
    return true;
}

SharedLibrary::AnyFunction SharedLibrary::Symbol(const char* name) const {
    if (!handle)
        return nullptr;
    return reinterpret_cast<AnyFunction>(dlsym(handle, name));
}

void SharedLibrary::Close() {
    if (handle)
        dlclose(handle);
    handle = nullptr;
}

} // namespace vorlunda::render
