#pragma once

#include "graphics/RasterFont.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace vorlunda {

class RasterSysBitmap;

// A font that renders each character once into a coverage map (0..255 per pixel) and then only
// composites the maps; or, where the system can and the call allows, draws natively through the
// system's text renderer (Windows, not under Wine). Codes 0..127 are found by direct index,
// higher ones by binary search. Editor thread; never throws.
class RasterCachedFont : public RasterFont {
public:
    RasterCachedFont();
    // Takes `font` with `flags`, as SetSystemFont.
    RasterCachedFont(RasterSystemFontHandle font, int flags);
    ~RasterCachedFont() override;
    RasterCachedFont(const RasterCachedFont&) = delete;
    RasterCachedFont& operator=(const RasterCachedFont&) = delete;

    void SetSystemFont(RasterSystemFontHandle font, int flags) override;
    RasterPixel SetTextColour(RasterPixel argb) override;
    RasterPixel SetBackgroundColour(RasterPixel argb) override;
    RasterPixel SetEffectColour(RasterPixel argb) override;
    int SetBackgroundMode(int mode) override;
    void SetCombineMode(int blitMode, float alpha) override;
    int RenderText(RasterBitmap* bitmap, const char* text, int length, ScreenRect* rect,
                   std::uint32_t format) override;
    int RenderTextInColour(RasterBitmap* bitmap, const char* text, int length, ScreenRect* rect,
                           std::uint32_t format, RasterPixel colour) override;
    RasterPixel TextColour() const override { return textColour; }
    RasterSystemFontHandle SystemFont() const override { return systemFont; }
    int LineHeight() const override { return lineHeight; }

    // Composites the glyph of `character` with its cell's top left at (x, y), clipped to `clip`
    // (none: the bitmap). False when the glyph cannot be rendered or shows nothing.
    virtual bool DrawGlyph(RasterBitmap* bitmap, int character, int x, int y,
                           const ScreenRect* clip);

    // Whether this call of RenderText would draw through the system's text renderer.
    bool UsesNativePath(std::uint32_t format) const;
    // Fonts alive in the process (they share the scratch bitmaps).
    static int LiveFontCount();
    // Whether the process runs under Wine (decided once; always false off Windows).
    static bool RunningUnderWine();

    struct Glyph {
        std::int32_t start = 0; // 1-based offset of the coverage map; 0 not rendered; -1 empty
        std::int16_t width = 0;
        std::int16_t height = 0;
        std::int16_t advance = 0;
        std::int16_t xOffset = 0; // from the pen position to the map's first column
        std::int16_t yOffset = 0; // from the line's top to the map's first row
        std::int32_t code = 0;
    };

private:
    static constexpr int kDirectGlyphs = 128;
    static constexpr std::size_t kCoverageGrowth = 64 * 1024; // bytes
    static constexpr int kMaxGlyphLineHeight = 1023;          // larger fonts render no glyphs

    Glyph* FindGlyph(int code); // renders on first use; none when it cannot be rendered
    bool RenderGlyph(Glyph& glyph);
    int LineWidth(const unsigned char* text, int length, int start, bool singleLine, int* next);
    void ClearGlyphs();
    void CompositeGlyph(RasterBitmap* bitmap, const Glyph& glyph, int x, int y,
                        const ScreenRect& clip, float alpha) const;

    // Per OS.
    int MeasureLineHeight() const;
    // Draws `code` white on black into a cleared cell at the top left of the glyph scratch
    // bitmap, its pen at (margin, margin); answers the scratch bitmap (none on failure), the
    // advance and the cell's size (within the scratch). RasterFontScratch::Lock() held.
    const RasterSysBitmap* DrawIntoScratch(int code, int margin, int* advance, int* cellWidth,
                                           int* cellHeight) const;
    bool NativeAvailable() const;
    int RenderNative(RasterBitmap* bitmap, const char* text, int length, ScreenRect* rect,
                     std::uint32_t format);

    int flags = 0;
    RasterPixel textColour = 0;
    RasterPixel backgroundColour = 0xFFFFFFFFu;
    RasterPixel effectColour = 0xFFFFFFFFu;
    int backgroundMode = kBackgroundTransparent;
    int combineMode = 0;
    float combineAlpha = 1.0f;
    int lineHeight = 0;
    int lineSpacing = 0; // added to the line height between lines
    std::array<Glyph, kDirectGlyphs> directGlyphs{};
    std::vector<Glyph> extraGlyphs; // codes from 128 up, sorted by code
    std::vector<std::uint8_t> coverage;
    std::size_t coverageUsed = 0;
    RasterSystemFontHandle systemFont = nullptr;
    // Fonts are shared by every editor of the process through the font cache: drawing holds
    // this lock so that editors on different threads never render into the glyph tables at once.
    std::mutex drawLock;
    // Held from setting a caller's colour to restoring it (taken before drawLock, never after).
    std::mutex colourLock;
};

} // namespace vorlunda
