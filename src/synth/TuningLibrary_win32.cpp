// On Windows the MTS-ESP library is "LIBMTS.dll" in the system directory, loaded by its full path
// so that no other folder of the search order can supply a library of that name.
#include "synth/TuningLibrary.h"

#include "platform/WideText_win32.h"

#include <windows.h>

namespace vorlunda {

std::string TuningLibrary::DefaultPath() {
    // Wide, then UTF-8: the library loader takes UTF-8 paths, whatever the ANSI code page is.
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    const std::string text = Narrow(folder, static_cast<int>(length));
    if (text.empty())
        return {};
    return text + "\\LIBMTS.dll";
}

} // namespace vorlunda
