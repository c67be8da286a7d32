// RasterCachedFont off Windows: there is no system text renderer to draw with, so every call
// takes the glyph-cache path, with glyphs rendered by FreeType.
#include "graphics/RasterCachedFont.h"

#include "graphics/RasterFontScratch.h"
#include "graphics/RasterSysBitmap.h"
#include "graphics/RasterSystemFont_posix.h"

#include <algorithm>

namespace vorlunda {

bool RasterCachedFont::RunningUnderWine() {
    return false;
}

bool RasterCachedFont::NativeAvailable() const {
    return false;
}

int RasterCachedFont::RenderNative(RasterBitmap*, const char*, int, ScreenRect*, std::uint32_t) {
    return 0;
}

int RasterCachedFont::MeasureLineHeight() const {
    return systemFont ? static_cast<const RasterFreeTypeFont*>(systemFont)->LineHeight() : 0;
}

const RasterSysBitmap* RasterCachedFont::DrawIntoScratch(int code, int margin, int* advance,
                                                         int* cellWidth, int* cellHeight) const {
    auto* font = static_cast<RasterFreeTypeFont*>(systemFont);
    // Room for glyphs up to three line heights wide (wider ones are cut at the cell's edge).
    const int width = 3 * lineHeight + 2 * margin;
    const int height = lineHeight + 2 * margin;
    RasterSysBitmap* scratch = RasterFontScratch::Glyphs(width, height);
    if (!font || !scratch)
        return nullptr;
    for (int y = 0; y < height; ++y)
        std::fill(scratch->Row(y), scratch->Row(y) + width, 0xFF000000u); // opaque black
    int right = 0;
    if (!font->DrawGlyph(code, *scratch, margin, margin, advance, &right))
        return nullptr;
    *cellWidth = std::min(width, margin + std::max(right, 0) + margin);
    *cellHeight = height;
    return scratch;
}

} // namespace vorlunda
