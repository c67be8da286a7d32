// The glyph-cache path of RasterCachedFont, shared by every platform: UTF-8 decoding, layout,
// glyph coverage maps and their compositing.
#include "graphics/RasterCachedFont.h"

#include "graphics/RasterFontScratch.h"
#include "graphics/RasterSysBitmap.h"
#include "graphics/RasterSystemFont.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vorlunda {

namespace {

constexpr int kMonochromeThreshold = 130;

bool Continuation(const unsigned char* s, int n, int i) {
    return i < n && (s[i] & 0xC0) == 0x80;
}

// The character at s (n > 0 bytes left): well-formed 2- and 3-byte sequences give their code
// point, a well-formed 4-byte sequence a space (outside the glyphs a font can show here), and
// anything else the byte's own value (as Latin-1). Never reads past n.
int NextCharacter(const unsigned char* s, int n, int* used) {
    const unsigned c = s[0];
    *used = 1;
    if (c < 0x80)
        return static_cast<int>(c);
    if (c >= 0xC2 && c <= 0xDF && Continuation(s, n, 1)) {
        *used = 2;
        return static_cast<int>((c & 0x1F) << 6 | (s[1] & 0x3F));
    }
    if (c >= 0xE0 && c <= 0xEF && Continuation(s, n, 1) && Continuation(s, n, 2)) {
        const unsigned code = (c & 0x0F) << 12 | (s[1] & 0x3Fu) << 6 | (s[2] & 0x3F);
        if (code >= 0x800 && (code < 0xD800 || code > 0xDFFF)) {
            *used = 3;
            return static_cast<int>(code);
        }
    }
    if (c >= 0xF0 && c <= 0xF4 && Continuation(s, n, 1) && Continuation(s, n, 2) &&
        Continuation(s, n, 3)) {
        const unsigned code =
            (c & 0x07) << 18 | (s[1] & 0x3Fu) << 12 | (s[2] & 0x3Fu) << 6 | (s[3] & 0x3F);
        if (code >= 0x10000 && code <= 0x10FFFF) {
            *used = 4;
            return ' ';
        }
    }
    return static_cast<int>(c);
}

constexpr int Channel(RasterPixel p, int shift) {
    return static_cast<int>(p >> shift & 0xFF);
}

// One destination pixel under coverage weight w (1..256) of the text colour c.
RasterPixel Combine(RasterPixel d, RasterPixel c, int w, int mode) {
    RasterPixel out = 0;
    switch (mode & 0xFF) {
    case 1: // add
        for (int shift = 0; shift < 32; shift += 8)
            out |= static_cast<RasterPixel>(
                       std::min(255, Channel(d, shift) + Channel(c, shift) * w / 256))
                   << shift;
        return out;
    case 2: // colour dodge
        for (int shift = 0; shift < 32; shift += 8) {
            const int t = Channel(c, shift) * w / 256;
            const int dv = Channel(d, shift);
            out |=
                static_cast<RasterPixel>(std::min(255, t > 254 ? dv * 256 : dv * 256 / (256 - t)))
                << shift;
        }
        return out;
    case 3: // multiply
        for (int shift = 0; shift < 32; shift += 8)
            out |= static_cast<RasterPixel>(Channel(d, shift) *
                                            (65536 + w * (Channel(c, shift) - 256)) / 65536)
                   << shift;
        return out;
    default: { // copy: colour over the destination, alpha towards opaque
        const int keep = 256 - w;
        for (int shift = 0; shift < 24; shift += 8) {
            const int cv = Channel(c, shift);
            out |= static_cast<RasterPixel>(cv + (Channel(d, shift) - cv) * keep / 256) << shift;
        }
        out |= static_cast<RasterPixel>(255 + (Channel(d, 24) - 255) * keep / 256) << 24;
        return out;
    }
    }
}

} // namespace

RasterCachedFont::RasterCachedFont() {
    RasterFontScratch::AddFont();
}

RasterCachedFont::RasterCachedFont(RasterSystemFontHandle font, int fontFlags) {
    RasterFontScratch::AddFont();
    SetSystemFont(font, fontFlags);
}

RasterCachedFont::~RasterCachedFont() {
    if (flags & kFontOwnsHandle)
        RasterSystemFont::Delete(systemFont);
    systemFont = nullptr;
    RasterFontScratch::ReleaseFont();
}

void RasterCachedFont::SetSystemFont(RasterSystemFontHandle font, int fontFlags) {
    std::lock_guard<std::mutex> hold(drawLock);
    if ((flags & kFontOwnsHandle) && systemFont && systemFont != font)
        RasterSystemFont::Delete(systemFont);
    flags = fontFlags;
    systemFont = font;
    ClearGlyphs();
    lineHeight = font ? MeasureLineHeight() : 0;
    if ((flags & kFontPrerender) && font) {
        for (int code = 0; code < kDirectGlyphs; ++code)
            FindGlyph(code);
    }
}

void RasterCachedFont::ClearGlyphs() {
    directGlyphs.fill(Glyph{});
    for (int code = 0; code < kDirectGlyphs; ++code)
        directGlyphs[code].code = code;
    extraGlyphs.clear();
    coverage.clear();
    coverageUsed = 0;
}

RasterPixel RasterCachedFont::SetTextColour(RasterPixel argb) {
    std::lock_guard<std::mutex> hold(colourLock);
    return std::exchange(textColour, argb);
}

int RasterCachedFont::RenderTextInColour(RasterBitmap* bitmap, const char* text, int length,
                                         ScreenRect* rect, std::uint32_t format,
                                         RasterPixel colour) {
    std::lock_guard<std::mutex> hold(colourLock);
    const RasterPixel previous = std::exchange(textColour, colour);
    const int result = RenderText(bitmap, text, length, rect, format);
    textColour = previous;
    return result;
}
RasterPixel RasterCachedFont::SetBackgroundColour(RasterPixel argb) {
    return std::exchange(backgroundColour, argb);
}
RasterPixel RasterCachedFont::SetEffectColour(RasterPixel argb) {
    return std::exchange(effectColour, argb);
}
int RasterCachedFont::SetBackgroundMode(int mode) {
    return std::exchange(backgroundMode, mode);
}
void RasterCachedFont::SetCombineMode(int blitMode, float alpha) {
    combineMode = blitMode;
    combineAlpha = alpha;
}

int RasterCachedFont::LiveFontCount() {
    return RasterFontScratch::LiveFonts();
}

bool RasterCachedFont::UsesNativePath(std::uint32_t format) const {
    if (!systemFont || !NativeAvailable())
        return false;
    if (lineHeight > 255)
        return true; // too tall for the glyph scratch to be worth it
    return (flags & kFontPreferNative) && !(format & kTextCorrectAlpha) && !RunningUnderWine() &&
           !(format & kTextUseColourAlpha) && !(flags & kFontEffectFlags) &&
           (lineSpacing == 0 || (format & kTextSingleLine));
}

RasterCachedFont::Glyph* RasterCachedFont::FindGlyph(int code) {
    Glyph* glyph = nullptr;
    if (code >= 0 && code < kDirectGlyphs) {
        glyph = &directGlyphs[code];
    } else {
        auto at = std::lower_bound(extraGlyphs.begin(), extraGlyphs.end(), code,
                                   [](const Glyph& g, int c) { return g.code < c; });
        if (at == extraGlyphs.end() || at->code != code) {
            Glyph fresh;
            fresh.code = code;
            try {
                at = extraGlyphs.insert(at, fresh);
            } catch (...) {
                return nullptr;
            }
        }
        glyph = &*at;
    }
    if (glyph->start == 0 && !RenderGlyph(*glyph))
        glyph->start = -1;
    return glyph;
}

bool RasterCachedFont::RenderGlyph(Glyph& glyph) {
    if (!systemFont || lineHeight < 1 || lineHeight > kMaxGlyphLineHeight)
        return false;
    const int margin = lineHeight >= 16 ? lineHeight / 16 + 2 : 2;
    std::lock_guard<std::mutex> hold(RasterFontScratch::Lock());
    int advance = 0, cellWidth = 0, cellHeight = 0;
    const RasterSysBitmap* scratch =
        DrawIntoScratch(glyph.code, margin, &advance, &cellWidth, &cellHeight);
    if (!scratch)
        return false;
    glyph.advance = static_cast<std::int16_t>(std::clamp(advance, 0, 32767));
    cellWidth = std::min(cellWidth, scratch->Width());
    cellHeight = std::min(cellHeight, scratch->Height());
    // Coverage from the red channel; then the bounding box of what shows.
    auto coverageAt = [&](int x, int y) {
        int v = Channel(scratch->Row(y)[x], 16);
        if (flags & kFontInverted)
            v = 255 - v;
        if (flags & kFontMonochrome)
            v = v >= kMonochromeThreshold ? 255 : 0;
        return v;
    };
    int left = cellWidth, right = -1, top = cellHeight, bottom = -1;
    for (int y = 0; y < cellHeight; ++y) {
        for (int x = 0; x < cellWidth; ++x) {
            if (coverageAt(x, y) == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return false; // nothing visible: remembered as empty, takes no space
    const int w = right - left + 1;
    const int h = bottom - top + 1;
    const std::size_t bytes = static_cast<std::size_t>(w) * h;
    if (coverageUsed + bytes > coverage.size()) {
        const std::size_t grown =
            (coverageUsed + bytes + kCoverageGrowth - 1) / kCoverageGrowth * kCoverageGrowth;
        try {
            coverage.resize(grown);
        } catch (...) {
            return false;
        }
    }
    std::uint8_t* map = coverage.data() + coverageUsed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            map[static_cast<std::size_t>(y) * w + x] =
                static_cast<std::uint8_t>(coverageAt(left + x, top + y));
    glyph.start = static_cast<std::int32_t>(coverageUsed + 1);
    coverageUsed += bytes;
    glyph.width = static_cast<std::int16_t>(w);
    glyph.height = static_cast<std::int16_t>(h);
    glyph.xOffset = static_cast<std::int16_t>(left - margin);
    glyph.yOffset = static_cast<std::int16_t>(top - margin);
    return true;
}

void RasterCachedFont::CompositeGlyph(RasterBitmap* bitmap, const Glyph& glyph, int x, int y,
                                      const ScreenRect& clip, float alpha) const {
    if (glyph.start <= 0)
        return;
    const int gx = x + glyph.xOffset;
    const int gy = y + glyph.yOffset;
    const int x0 = std::max(gx, clip.left);
    const int y0 = std::max(gy, clip.top);
    const int x1 = std::min(gx + glyph.width, clip.right);
    const int y1 = std::min(gy + glyph.height, clip.bottom);
    if (x0 >= x1 || y0 >= y1)
        return;
    const std::uint8_t* map = coverage.data() + (glyph.start - 1);
    const bool full = alpha == 1.0f;
    const int a = alpha >= 1.0f ? 256 : static_cast<int>(alpha * 256.0f);
    for (int py = y0; py < y1; ++py) {
        RasterPixel* row = bitmap->Row(py);
        const std::uint8_t* cov = map + static_cast<std::ptrdiff_t>(py - gy) * glyph.width;
        for (int px = x0; px < x1; ++px) {
            const int g = cov[px - gx];
            if (g == 0)
                continue;
            // At full alpha the weight is g + 1 (keep = 255 - g); otherwise a x g / 256.
            const int w = full ? g + 1 : std::min(256, a * g / 256);
            if (w == 0 && !full)
                continue;
            row[px] = Combine(row[px], textColour, w, combineMode);
        }
    }
}

bool RasterCachedFont::DrawGlyph(RasterBitmap* bitmap, int character, int x, int y,
                                 const ScreenRect* clip) {
    if (!bitmap || !bitmap->HasPixels())
        return false;
    std::lock_guard<std::mutex> hold(drawLock);
    const Glyph* glyph = FindGlyph(character);
    if (!glyph || glyph->start <= 0)
        return false;
    ScreenRect area{0, 0, bitmap->Width(), bitmap->Height()};
    if (clip) {
        area.left = std::max(area.left, clip->left);
        area.top = std::max(area.top, clip->top);
        area.right = std::min(area.right, clip->right);
        area.bottom = std::min(area.bottom, clip->bottom);
    }
    CompositeGlyph(bitmap, *glyph, x, y, area, combineAlpha);
    return true;
}

// Width of the line starting at `start`, and where the next line starts (length when none).
int RasterCachedFont::LineWidth(const unsigned char* text, int length, int start, bool singleLine,
                                int* next) {
    int width = 0;
    int i = start;
    while (i < length) {
        int used = 1;
        const int code = NextCharacter(text + i, length - i, &used);
        i += used;
        if (code == '\r')
            continue;
        if (code == '\n' && !singleLine) {
            *next = i;
            return width;
        }
        const Glyph* glyph = FindGlyph(code == '\n' ? ' ' : code);
        if (glyph)
            width += glyph->advance;
    }
    *next = length;
    return width;
}

int RasterCachedFont::RenderText(RasterBitmap* bitmap, const char* text, int length,
                                 ScreenRect* rect, std::uint32_t format) {
    if (!text || !rect || !systemFont)
        return 0;
    if (length < 0)
        length = static_cast<int>(std::strlen(text));
    if (length == 0)
        return 0;
    const bool measuring = (format & kTextMeasure) != 0;
    if (!measuring && (!bitmap || !bitmap->HasPixels()))
        return 0;
    if (UsesNativePath(format))
        return RenderNative(bitmap, text, length, rect, format);
    std::lock_guard<std::mutex> hold(drawLock);

    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const bool singleLine = (format & kTextSingleLine) != 0;
    // Measure first: the widest line, the number of lines, whether anything shows at all.
    int widest = 0, lines = 0, characters = 0;
    for (int start = 0; start < length;) {
        int next = length;
        widest = std::max(widest, LineWidth(bytes, length, start, singleLine, &next));
        ++lines;
        start = next;
    }
    for (int i = 0; i < length; ++i)
        characters += bytes[i] != '\r' && bytes[i] != '\n';
    if (characters == 0)
        return 0;
    const int step = lineHeight + lineSpacing;
    const int textHeight = lines * lineHeight + (lines - 1) * lineSpacing;
    if (measuring) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + textHeight;
        return textHeight;
    }

    int y = rect->top;
    if (format & kTextVCentre)
        y = rect->top + (rect->Height() - textHeight) / 2;
    else if (format & kTextBottom)
        y = rect->bottom - textHeight;
    ScreenRect clip{0, 0, bitmap->Width(), bitmap->Height()};
    if (!(format & kTextNoClip)) {
        clip.left = std::max(clip.left, rect->left);
        clip.top = std::max(clip.top, rect->top);
        clip.right = std::min(clip.right, rect->right);
        clip.bottom = std::min(clip.bottom, rect->bottom);
    }
    float alpha = combineAlpha;
    if (format & kTextUseColourAlpha)
        alpha *= static_cast<float>(textColour >> 24) / 255.0f;
    if (!(alpha > 0.0f))
        return textHeight;

    for (int start = 0; start < length; y += step) {
        int next = length;
        const int width = LineWidth(bytes, length, start, singleLine, &next);
        int x = rect->left;
        if (format & kTextCentre)
            x = rect->left + (rect->Width() - width) / 2;
        else if (format & kTextRight)
            x = rect->right - width;
        for (int i = start; i < next;) {
            int used = 1;
            int code = NextCharacter(bytes + i, next - i, &used);
            i += used;
            if (code == '\r' || code == '\n') {
                if (!singleLine || code == '\r')
                    continue;
                code = ' ';
            }
            const Glyph* glyph = FindGlyph(code);
            if (!glyph)
                continue;
            CompositeGlyph(bitmap, *glyph, x, y, clip, alpha);
            x += glyph->advance;
        }
        start = next;
    }
    return textHeight;
}

} // namespace vorlunda
