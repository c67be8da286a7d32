#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlunda {

// One per-user profile (INI) file, read and written one key or one section per call; the file is
// never held open between calls. Windows uses the system's profile functions; elsewhere our own
// reader and writer behave the same, write atomically (temporary file, then rename) and are
// serialised process-wide so that two instances writing at once never corrupt the file.
// Failures are silent: a missing or unreadable file reads as defaults, a failed write is lost.
class ProfileFile {
public:
    explicit ProfileFile(std::string path) : path(std::move(path)) {}

    // At most `capacity - 1` characters of the value, or of `fallback` when the key is missing.
    std::string Read(std::string_view section, std::string_view key, std::string_view fallback,
                     int capacity) const;
    // The key names of the section, in one call (each Read opens and parses the file anew).
    std::vector<std::string> Keys(std::string_view section) const;
    void Write(std::string_view section, std::string_view key, std::string_view value) const;
    // Removes every key of the section; the section's header line stays.
    void EmptySection(std::string_view section) const;
    const std::string& Path() const { return path; }

private:
    std::string path;
};

} // namespace vorlunda
