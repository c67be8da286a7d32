#pragma once

#include "graphics/RasterBitmap.h"

#include <memory>

namespace vorlunda {

// The process-wide bitmap cache: bitmaps by resource id, searched linearly. Bitmaps live until
// the library is unloaded. Any thread; each lookup and insertion holds the cache's lock.
class RasterBitmapCache {
public:
    static RasterBitmap* Find(int id);
    // Caches `bitmap` unless the id is present already (then `bitmap` is deleted); answers the
    // cached bitmap. A missing bitmap is not cached.
    static RasterBitmap* Insert(int id, std::unique_ptr<RasterBitmap> bitmap);
    // The cached bitmap, or the module's PNG resource `id` decoded and cached; none when the
    // resource is missing or undecodable.
    static RasterBitmap* LoadPng(int id);
    static int Count();
    // Deletes every bitmap (library unload; tests).
    static void Clear();
};

} // namespace vorlunda
