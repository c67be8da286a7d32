#pragma once

#include <cstddef>
#include <cstdio>

namespace vorlunda {
namespace files {

// Opens a file by its path in UTF-8, as the editor's file dialogs and the configuration file give
// it ("Jörg", "Анна"). Under Windows the path is widened for the wide-character C runtime; a path
// that is not valid UTF-8 is taken in the system's ANSI code page instead. Null on failure.
std::FILE* Open(const char* path, const char* mode);

// Replaces the file at `path` (UTF-8) by `size` bytes so that a failed save never destroys what
// was there: the bytes go to a new temporary file beside it, are flushed to the disk, and only
// then is the temporary file renamed over `path`. Answers false, with any file at `path` left as
// it was and no temporary file left behind, when `path` is empty, names a folder or a read-only
// file, or the folder cannot take the new file (missing, read-only, disk full).
bool ReplaceContents(const char* path, const void* data, std::size_t size);

} // namespace files
} // namespace vorlunda
