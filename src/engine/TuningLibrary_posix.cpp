// Off Windows the MTS-ESP library lives where its installer puts it on Linux, and is opened with
// the dynamic loader.
#include "engine/TuningLibrary.h"

#include <dlfcn.h>

namespace vorlunda {

std::string TuningLibrary::DefaultPath() {
    return "/usr/local/lib/libMTS.so";
}

void* TuningLibrary::OpenLibrary(const char* path) {
    // RTLD_LOCAL: the library's symbols must not satisfy anyone else's lookups.
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

TuningLibrary::RawFunction TuningLibrary::FindFunction(void* library, const char* name) {
    return reinterpret_cast<RawFunction>(dlsym(library, name));
}

void TuningLibrary::CloseLibrary(void* library) {
    dlclose(library);
}

} // namespace vorlunda
