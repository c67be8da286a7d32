#include "platform/FileAccess.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlunda {
namespace files {

namespace {

std::atomic<unsigned> temporaryCounter{0};

bool WriteAll(int fd, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::FILE* Open(const char* path, const char* mode) {
    if (!path || !mode)
        return nullptr;
    return std::fopen(path, mode);
}

bool ReplaceContents(const char* path, const void* data, std::size_t size) {
    if (!path || path[0] == '\0' || (!data && size > 0))
        return false;
    struct stat existing {};
    const bool exists = ::stat(path, &existing) == 0;
    // Saving never turns a read-only file writable, nor replaces a folder.
    if (exists && (S_ISDIR(existing.st_mode) || ::access(path, W_OK) != 0))
        return false;

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = std::string(path) + ".tmp" + std::to_string(::getpid()) + "-" +
                    std::to_string(temporaryCounter.fetch_add(1));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    // The new file keeps the permissions of the one it replaces.
    if (exists)
        ::fchmod(fd, existing.st_mode & 07777);
    bool ok = WriteAll(fd, static_cast<const unsigned char*>(data), size);
    // A full disk may show only when the data is flushed.
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), path) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

} // namespace files
} // namespace vorlunda
