// On Windows the MTS-ESP library is "LIBMTS.dll" in the system directory, loaded by its full path
// so that no other folder of the search order can supply a library of that name.
#include "engine/TuningLibrary.h"

#include <windows.h>

namespace vorlunda {

std::string TuningLibrary::DefaultPath() {
    char folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::string(folder, length) + "\\LIBMTS.dll";
}

void* TuningLibrary::OpenLibrary(const char* path) {
    return LoadLibraryA(path);
}

TuningLibrary::RawFunction TuningLibrary::FindFunction(void* library, const char* name) {
    // FARPROC carries no real signature; the caller casts it back to the exported type.
    return reinterpret_cast<RawFunction>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void TuningLibrary::CloseLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

} // namespace vorlunda
