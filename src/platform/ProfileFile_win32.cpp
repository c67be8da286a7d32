#include "platform/ProfileFile.h"

#include <vector>
#include <windows.h>

namespace vorlunda {

std::string ProfileFile::Read(std::string_view section, std::string_view key,
                              std::string_view fallback, int capacity) const {
    if (capacity <= 0)
        return {};
    try {
        std::vector<char> buffer(static_cast<std::size_t>(capacity), '\0');
        const std::string s(section), k(key), d(fallback);
        const DWORD n = GetPrivateProfileStringA(s.c_str(), k.c_str(), d.c_str(), buffer.data(),
                                                 static_cast<DWORD>(capacity), path.c_str());
        return std::string(buffer.data(), n);
    } catch (...) {
        return {};
    }
}

std::vector<std::string> ProfileFile::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    try {
        const std::string s(section);
        // A null key asks for every key name, each ended by a zero and the list by another; an
        // answer of size - 2 means the buffer was too small.
        for (DWORD size = 4096; size <= (1u << 24); size *= 4) {
            std::vector<char> buffer(size, '\0');
            const DWORD n =
                GetPrivateProfileStringA(s.c_str(), nullptr, "", buffer.data(), size, path.c_str());
            if (n + 2 >= size)
                continue;
            for (DWORD at = 0; at < n && buffer[at] != '\0';) {
                keys.emplace_back(buffer.data() + at);
                at += static_cast<DWORD>(keys.back().size()) + 1;
            }
            break;
        }
    } catch (...) {
        keys.clear();
    }
    return keys;
}

void ProfileFile::Write(std::string_view section, std::string_view key,
                        std::string_view value) const {
    try {
        const std::string s(section), k(key), v(value);
        WritePrivateProfileStringA(s.c_str(), k.c_str(), v.c_str(), path.c_str());
    } catch (...) {
    }
}

void ProfileFile::EmptySection(std::string_view section) const {
    try {
        const std::string s(section);
        static const char empty[2] = {'\0', '\0'}; // a section with no "key=value" pairs
        WritePrivateProfileSectionA(s.c_str(), empty, path.c_str());
    } catch (...) {
    }
}

} // namespace vorlunda
