#include "platform/ProfileFile.h"

#include "platform/IniDocument.h"

#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace vorlunda {

namespace {

std::mutex& FileLock() {
    static std::mutex lock;
    return lock;
}

constexpr long kMaxFileSize = 16L << 20; // bytes; a profile is never this large

bool Load(const std::string& path, IniDocument* doc) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 &&
           static_cast<long>(text.size()) < kMaxFileSize)
        text.append(buffer, n);
    std::fclose(f);
    doc->Parse(text);
    return true;
}

void Store(const std::string& path, const IniDocument& doc) {
    const std::string text = doc.Serialize();
    const std::string temporary = path + ".tmp" + std::to_string(static_cast<long>(getpid()));
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f)
        return;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (written && closed && std::rename(temporary.c_str(), path.c_str()) == 0)
        return;
    std::remove(temporary.c_str());
}

} // namespace

std::string ProfileFile::Read(std::string_view section, std::string_view key,
                              std::string_view fallback, int capacity) const {
    std::string value(fallback);
    try {
        std::lock_guard<std::mutex> lock(FileLock());
        IniDocument doc;
        if (Load(path, &doc))
            doc.Get(section, key, &value);
    } catch (...) {
        value.assign(fallback);
    }
    if (capacity <= 0)
        return {};
    if (static_cast<int>(value.size()) > capacity - 1)
        value.resize(static_cast<std::size_t>(capacity - 1));
    return value;
}

std::vector<std::string> ProfileFile::Keys(std::string_view section) const {
    try {
        std::lock_guard<std::mutex> lock(FileLock());
        IniDocument doc;
        if (Load(path, &doc))
            return doc.Keys(section);
    } catch (...) {
    }
    return {};
}

void ProfileFile::Write(std::string_view section, std::string_view key,
                        std::string_view value) const {
    try {
        std::lock_guard<std::mutex> lock(FileLock());
        IniDocument doc;
        Load(path, &doc);
        doc.Set(section, key, value);
        Store(path, doc);
    } catch (...) {
    }
}

void ProfileFile::EmptySection(std::string_view section) const {
    try {
        std::lock_guard<std::mutex> lock(FileLock());
        IniDocument doc;
        Load(path, &doc);
        doc.EmptySection(section);
        Store(path, doc);
    } catch (...) {
    }
}

} // namespace vorlunda
