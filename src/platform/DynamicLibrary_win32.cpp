#include "platform/DynamicLibrary.h"

#include "platform/WideText_win32.h"

#include <windows.h>

#include <string>

namespace vorlunda {

namespace {

std::string SystemMessage(DWORD code) {
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    // Some system texts hold an insert for the file name, which is named elsewhere.
    if (const auto at = message.find("%1"); at != std::string::npos)
        message.replace(at, 2, "the file");
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message + " (Windows error " + std::to_string(code) + ")";
}

} // namespace

bool DynamicLibrary::Open(const std::string& path, bool quiet) {
    Close();
    // No "missing DLL" dialog boxes from a command-line tool: failures come back as codes.
    const UINT previous = quiet ? SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX) : 0;
    HMODULE module = LoadLibraryW(Widen(path).c_str());
    const DWORD code = GetLastError();
    if (quiet)
        SetErrorMode(previous);
    if (!module) {
        error = SystemMessage(code);
        return false;
    }
    handle = module;
    return true;
}

DynamicLibrary::AnyFunction DynamicLibrary::Symbol(const char* name) const {
    if (!handle)
        return nullptr;
    // FARPROC carries no real signature; the caller casts it back to the exported type.
    return reinterpret_cast<AnyFunction>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void DynamicLibrary::Close() {
    if (handle)
        FreeLibrary(static_cast<HMODULE>(handle));
    handle = nullptr;
}

} // namespace vorlunda
