#include "platform/FileAccess.h"
#include "platform/WideText_win32.h"

#include <atomic>
#include <cstdio>
#include <string>

#include <windows.h>

namespace vorlunda {
namespace files {

namespace {

std::atomic<unsigned> temporaryCounter{0};

bool WriteAll(HANDLE file, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

} // namespace

std::FILE* Open(const char* path, const char* mode) {
    if (!path || !mode || path[0] == '\0')
        return nullptr;
    const std::wstring wide = WidenPath(path);
    const std::wstring wideMode = WidenPath(mode);
    if (wide.empty() || wideMode.empty())
        return nullptr;
    return _wfopen(wide.c_str(), wideMode.c_str());
}

bool ReplaceContents(const char* path, const void* data, std::size_t size) {
    if (!path || path[0] == '\0' || (!data && size > 0))
        return false;
    const std::wstring target = WidenPath(path);
    if (target.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    // Saving never replaces a read-only file or a folder.
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return false;

    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = target + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(temporaryCounter.fetch_add(1));
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(file, static_cast<const unsigned char*>(data), size);
    ok = FlushFileBuffers(file) != 0 && ok;
    ok = CloseHandle(file) != 0 && ok;
    ok = ok && MoveFileExW(temporary.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
}

} // namespace files
} // namespace vorlunda
