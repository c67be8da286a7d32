// On Windows the MTS-ESP library is "LIBMTS.dll" in the system directory, loaded by its full path
// so that no other folder of the search order can supply a library of that name.
#include "synth/TuningLibrary.h"

#include <windows.h>

namespace vorlunda {

std::string TuningLibrary::DefaultPath() {
    // Wide, then UTF-8: the library loader takes UTF-8 paths, whatever the ANSI code page is.
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    char text[4 * MAX_PATH + 1] = {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, folder, static_cast<int>(length), text,
                                          sizeof text - 1, nullptr, nullptr);
    if (bytes <= 0)
        return {};
    return std::string(text, static_cast<std::size_t>(bytes)) + "\\LIBMTS.dll";
}

} // namespace vorlunda
