#include "graphics/RasterFontCache.h"

#include "graphics/RasterFontScratch.h"

#include "graphics/RasterSystemFont.h"

#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace vorlunda {

namespace {

constexpr int kFaceCapacity = 32; // 31 characters and the terminator

struct Entry {
    int size;
    int orientation;
    int style;
    char face[kFaceCapacity];
    std::unique_ptr<RasterCachedFont> font;
};

// Process-wide; the fonts are deleted when the library is unloaded.
struct Cache {
    // The state the fonts share is made first, so that it is destroyed after them.
    Cache() {
        static_cast<void>(RasterFontScratch::Lock());
        RasterSystemFont::MakeSharedState();
    }
    std::mutex lock;
    std::vector<Entry> entries;
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

void CopyFace(char (&out)[kFaceCapacity], const char* face) {
    std::size_t n = 0;
    for (; face && face[n] && n < kFaceCapacity - 1; ++n)
        out[n] = face[n];
    out[n] = '\0';
}

RasterCachedFont* FindLocked(const Cache& cache, int size, int orientation, int style,
                             const char* face) {
    char key[kFaceCapacity];
    CopyFace(key, face);
    for (const Entry& e : cache.entries) {
        if (e.size == size && e.orientation == orientation && e.style == style &&
            std::strcmp(e.face, key) == 0)
            return e.font.get();
    }
    return nullptr;
}

} // namespace

RasterCachedFont* RasterFontCache::Find(int size, int orientation, int style, const char* face) {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> hold(cache.lock);
    return FindLocked(cache, size, orientation, style, face);
}

RasterCachedFont* RasterFontCache::Insert(int size, int orientation, int style, const char* face,
                                          std::unique_ptr<RasterCachedFont> font) {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> hold(cache.lock);
    if (RasterCachedFont* existing = FindLocked(cache, size, orientation, style, face))
        return existing;
    if (!font)
        return nullptr;
    try {
        Entry entry{size, orientation, style, {}, std::move(font)};
        CopyFace(entry.face, face);
        cache.entries.push_back(std::move(entry));
    } catch (...) {
        return nullptr;
    }
    return cache.entries.back().font.get();
}

RasterCachedFont* RasterFontCache::FontFor(int size, int orientation, int style, int quality,
                                           const char* face) {
    Cache& cache = TheCache();
    // Held while the font is made: two editors asking at once get one font.
    std::lock_guard<std::mutex> hold(cache.lock);
    if (RasterCachedFont* existing = FindLocked(cache, size, orientation, style, face))
        return existing;
    RasterFontRequest request;
    request.height = size;
    request.escapement = request.orientation = orientation * 10; // tenths of a degree
    request.weight = style == 1 ? 700 : 400;
    request.italic = style == 2;
    request.quality = quality;
    request.face = face ? face : "";
    RasterSystemFontHandle handle = RasterSystemFont::Create(request);
    if (!handle)
        return nullptr;
    std::unique_ptr<RasterCachedFont> font(new (std::nothrow) RasterCachedFont);
    if (!font) {
        RasterSystemFont::Delete(handle);
        return nullptr;
    }
    font->SetSystemFont(handle, kFontOwnsHandle | kFontPreferNative);
    try {
        Entry entry{size, orientation, style, {}, std::move(font)};
        CopyFace(entry.face, face);
        cache.entries.push_back(std::move(entry));
    } catch (...) {
        return nullptr;
    }
    return cache.entries.back().font.get();
}

int RasterFontCache::Count() {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> hold(cache.lock);
    return static_cast<int>(cache.entries.size());
}

void RasterFontCache::Clear() {
    Cache& cache = TheCache();
    std::vector<Entry> doomed;
    {
        std::lock_guard<std::mutex> hold(cache.lock);
        doomed.swap(cache.entries);
    }
}

} // namespace vorlunda
