#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace vorlunda {

bool DynamicLibrary::Open(const std::string& path, bool /*quiet*/) {
    Close();
    // RTLD_LOCAL: a library's symbols must not resolve another library's lookups (or ours).
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : "unknown reason";
        return false;
    }
    return true;
}

DynamicLibrary::AnyFunction DynamicLibrary::Symbol(const char* name) const {
    if (!handle)
        return nullptr;
    return reinterpret_cast<AnyFunction>(dlsym(handle, name));
}

void DynamicLibrary::Close() {
    if (handle)
        dlclose(handle);
    handle = nullptr;
}

} // namespace vorlunda
