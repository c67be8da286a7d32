#pragma once

#include "graphics/RasterCachedFont.h"

#include <memory>

namespace vorlunda {

// The process-wide font cache: fonts by (size, orientation, style, face), the face compared
// exactly. Quality is not part of the key: the first font made for a key serves every quality.
// Fonts live until the library is unloaded. Any thread; each lookup and insertion holds the
// cache's lock.
class RasterFontCache {
public:
    // The cached font for the key; on a miss makes a system font (height = size, escapement and
    // orientation = orientation x 10, weight 700 for style 1 else 400, italic for style 2, the
    // quality and face), wraps it in a RasterCachedFont that owns it and prefers native drawing,
    // and caches it. None when the system font cannot be made.
    static RasterCachedFont* FontFor(int size, int orientation, int style, int quality,
                                     const char* face);
    static RasterCachedFont* Find(int size, int orientation, int style, const char* face);
    // Caches `font` unless the key is already present; answers the cached font.
    static RasterCachedFont* Insert(int size, int orientation, int style, const char* face,
                                    std::unique_ptr<RasterCachedFont> font);
    static int Count();
    // Deletes every font (library unload; tests).
    static void Clear();
};

} // namespace vorlunda
