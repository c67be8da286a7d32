#include "SharedLibrary.h"

#include <windows.h>

#include <string>

namespace vorlunda::render {

namespace {

std::wstring Widen(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

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

bool SharedLibrary::Open(const std::string& path) {
    Close();
    // No "missing DLL" dialog boxes from a command-line tool: failures come back as codes.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryW(Widen(path).c_str());
    const DWORD code = GetLastError();
    SetErrorMode(previous);
    if (!module) {
        error = SystemMessage(code);
        return false;
    }
    handle = module;
    return true;
}

SharedLibrary::AnyFunction SharedLibrary::Symbol(const char* name) const {
    if (!handle)
        return nullptr;
    return reinterpret_cast<AnyFunction>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void SharedLibrary::Close() {
    if (handle)
        FreeLibrary(static_cast<HMODULE>(handle));
    handle = nullptr;
}

} // namespace vorlunda::render
