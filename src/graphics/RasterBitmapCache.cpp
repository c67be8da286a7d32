#include "graphics/RasterBitmapCache.h"

#include "graphics/PngResource.h"

#include <mutex>
#include <utility>
#include <vector>

namespace vorlunda {

namespace {

struct Entry {
    int id;
    std::unique_ptr<RasterBitmap> bitmap;
};

// Process-wide; the entries are deleted when the library is unloaded.
struct Cache {
    std::mutex lock;
    std::vector<Entry> entries;
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

RasterBitmap* FindLocked(const Cache& cache, int id) {
    for (const Entry& e : cache.entries) {
        if (e.id == id)
            return e.bitmap.get();
    }
    return nullptr;
}

} // namespace

RasterBitmap* RasterBitmapCache::Find(int id) {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> hold(cache.lock);
    return FindLocked(cache, id);
}

RasterBitmap* RasterBitmapCache::Insert(int id, std::unique_ptr<RasterBitmap> bitmap) {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> hold(cache.lock);
    // Two editors may load the same image at once: the first one cached wins.
    if (RasterBitmap* existing = FindLocked(cache, id))
        return existing;
    if (!bitmap)
        return nullptr;
    try {
        cache.entries.push_back({id, std::move(bitmap)});
    } catch (...) {
        return nullptr; // out of memory: the bitmap is deleted and the image reads as missing
    }
    return cache.entries.back().bitmap.get();
}

RasterBitmap* RasterBitmapCache::LoadPng(int id) {
    if (RasterBitmap* cached = Find(id))
        return cached;
    // Decoded outside the lock; a concurrent load of the same id is resolved by Insert.
    return Insert(id, LoadPngResource(id));
}

int RasterBitmapCache::Count() {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> hold(cache.lock);
    return static_cast<int>(cache.entries.size());
}

void RasterBitmapCache::Clear() {
    Cache& cache = TheCache();
    std::vector<Entry> doomed;
    {
        std::lock_guard<std::mutex> hold(cache.lock);
        doomed.swap(cache.entries);
    }
}

} // namespace vorlunda
