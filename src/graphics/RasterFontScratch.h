#pragma once

#include <mutex>

namespace vorlunda {

class RasterSysBitmap;

// The scratch bitmaps every RasterCachedFont shares: one to render glyphs into, one for native
// text drawing into bitmaps without a device context. Made on first use, deleted with the last
// font. Hold Lock() while using them: editors on different threads may render at once.
class RasterFontScratch {
public:
    static std::mutex& Lock();
    // At least width x height (grown as needed); none when it cannot be made. Lock held.
    static RasterSysBitmap* Glyphs(int width, int height);
    static RasterSysBitmap* Native(int width, int height);
    // Live-font count; the last release deletes both bitmaps. Lock not held.
    static void AddFont();
    static void ReleaseFont();
    static int LiveFonts();
};

} // namespace vorlunda
