#include "graphics/WidgetText.h"

#include "graphics/RasterCachedFont.h"
#include "graphics/RasterFontCache.h"

#include <algorithm>

namespace vorlunda {

namespace {

constexpr int kAntialiased = 2; // font quality

RasterCachedFont* FontOf(const WidgetFont& f) {
    const int style = f.bold ? 1 : (f.italic ? 2 : 0);
    return RasterFontCache::FontFor(f.size, 0, style, kAntialiased, f.face.c_str());
}

} // namespace

int WidgetFont::TextWidth(const std::string& text) const {
    RasterCachedFont* font = FontOf(*this);
    if (!font || text.empty())
        return 0;
    ScreenRect r{0, 0, 0, 0};
    font->RenderText(nullptr, text.c_str(), static_cast<int>(text.size()), &r,
                     kTextMeasure | kTextSingleLine | kTextNoClip);
    return r.Width();
}

int WidgetFont::LineHeight() const {
    RasterCachedFont* font = FontOf(*this);
    return font ? std::max(font->LineHeight(), 1) : size;
}

void WidgetFont::Draw(RasterBitmap& bitmap, const std::string& text, const ScreenRect& rect,
                      RasterPixel colour, int align) const {
    RasterCachedFont* font = FontOf(*this);
    if (!font || text.empty() || rect.Width() <= 0 || rect.Height() <= 0)
        return;
    std::uint32_t format = kTextSingleLine | kTextVCentre;
    if (align == 1)
        format |= kTextCentre;
    else if (align == 2)
        format |= kTextRight;
    ScreenRect at = rect;
    font->RenderTextInColour(&bitmap, text.c_str(), static_cast<int>(text.size()), &at, format,
                             colour);
}

} // namespace vorlunda
