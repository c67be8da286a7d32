// RasterCachedFont on Windows: glyphs rendered by GDI into the glyph scratch section, and the
// native path that draws through GDI's DrawText where the call allows it.
#include "graphics/RasterCachedFont.h"

#include "graphics/RasterBlit.h"
#include "graphics/RasterFontScratch.h"
#include "graphics/RasterSysBitmap.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace vorlunda {

namespace {

constexpr int kLocalWideUnits = 1024; // longer texts are converted into an allocated buffer
constexpr UINT kSystemFormatMask = 0x0000FFFFu; // our own flags never reach DrawText

COLORREF ToColorRef(RasterPixel argb) {
    return RGB(argb >> 16 & 0xFF, argb >> 8 & 0xFF, argb & 0xFF);
}

// Whether the bytes hold any well-formed multi-byte UTF-8 sequence.
bool HasUtf8Sequence(const char* text, int length) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; i < length; ++i) {
        int extra = s[i] >= 0xF0 && s[i] <= 0xF4 ? 3 : s[i] >= 0xE0 ? 2 : s[i] >= 0xC2 ? 1 : 0;
        if (s[i] >= 0xF5)
            extra = 0;
        if (extra == 0 || length - i - 1 < extra)
            continue;
        bool ok = true;
        for (int k = 1; k <= extra; ++k)
            ok = ok && (s[i + k] & 0xC0) == 0x80;
        if (ok)
            return true;
    }
    return false;
}

// Draws the text into `dc` with DrawText, wide when the text is UTF-8.
int DrawWithGdi(HDC dc, const char* text, int length, RECT* rect, UINT format) {
    if (!HasUtf8Sequence(text, length))
        return DrawTextA(dc, text, length, rect, format);
    wchar_t local[kLocalWideUnits];
    wchar_t* wide = local;
    const int units = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
    if (units <= 0)
        return 0;
    if (units > kLocalWideUnits) {
        wide =
            static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * static_cast<std::size_t>(units)));
        if (!wide)
            return 0;
    }
    MultiByteToWideChar(CP_UTF8, 0, text, length, wide, units);
    const int result = DrawTextW(dc, wide, units, rect, format);
    if (wide != local)
        std::free(wide);
    return result;
}

} // namespace

bool RasterCachedFont::RunningUnderWine() {
    // -1 unknown, 0 no, 1 yes; decided once.
    static std::atomic<int> wine{-1};
    int known = wine.load(std::memory_order_relaxed);
    if (known < 0) {
        HKEY key = nullptr;
        known =
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine", 0, KEY_READ, &key) == ERROR_SUCCESS
                ? 1
                : 0;
        if (key)
            RegCloseKey(key);
        wine.store(known, std::memory_order_relaxed);
    }
    return known == 1;
}

bool RasterCachedFont::NativeAvailable() const {
    return true;
}

int RasterCachedFont::MeasureLineHeight() const {
    std::lock_guard<std::mutex> hold(RasterFontScratch::Lock());
    RasterSysBitmap* scratch = RasterFontScratch::Glyphs(256, 256);
    if (!scratch || !scratch->DeviceContext())
        return 0;
    HDC dc = static_cast<HDC>(scratch->DeviceContext());
    HGDIOBJ old = SelectObject(dc, static_cast<HFONT>(systemFont));
    TEXTMETRICA metrics{};
    const BOOL ok = GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    return ok ? static_cast<int>(metrics.tmHeight) : 0;
}

const RasterSysBitmap* RasterCachedFont::DrawIntoScratch(int code, int margin, int* advance,
                                                         int* cellWidth, int* cellHeight) const {
    const int width = 3 * lineHeight + 2 * margin;
    const int height = lineHeight + 2 * margin;
    RasterSysBitmap* scratch = RasterFontScratch::Glyphs(width, height);
    if (!scratch || !scratch->DeviceContext())
        return nullptr;
    HDC dc = static_cast<HDC>(scratch->DeviceContext());
    wchar_t units[2];
    int count = 1;
    if (code >= 0x10000) {
        units[0] = static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
        units[1] = static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        count = 2;
    } else {
        units[0] = static_cast<wchar_t>(code);
    }
    HGDIOBJ old = SelectObject(dc, static_cast<HFONT>(systemFont));
    SIZE extent{};
    GetTextExtentPoint32W(dc, units, count, &extent);
    *advance = static_cast<int>(extent.cx);
    // Room for overhang (italic faces): half a line height beyond the advance.
    const int cell = std::min(width, margin + *advance + lineHeight / 2 + margin);
    RECT clear{0, 0, cell, height};
    FillRect(dc, &clear, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    TextOutW(dc, margin, margin, units, count);
    SelectObject(dc, old);
    GdiFlush();
    *cellWidth = cell;
    *cellHeight = height;
    return scratch;
}

int RasterCachedFont::RenderNative(RasterBitmap* bitmap, const char* text, int length,
                                   ScreenRect* rect, std::uint32_t format) {
    const UINT gdiFormat = (format & kSystemFormatMask) | DT_NOPREFIX;
    RECT r{rect->left, rect->top, rect->right, rect->bottom};
    auto drawInto = [&](HDC dc, RECT* area) {
        HGDIOBJ old = SelectObject(dc, static_cast<HFONT>(systemFont));
        SetTextColor(dc, ToColorRef(textColour));
        SetBkMode(dc, backgroundMode == kBackgroundOpaque ? OPAQUE : TRANSPARENT);
        if (backgroundMode == kBackgroundOpaque)
            SetBkColor(dc, ToColorRef(backgroundColour));
        const int result = DrawWithGdi(dc, text, length, area, gdiFormat);
        SelectObject(dc, old);
        return result;
    };
    if (format & kTextMeasure) {
        std::lock_guard<std::mutex> hold(RasterFontScratch::Lock());
        RasterSysBitmap* scratch = RasterFontScratch::Glyphs(256, 256);
        if (!scratch || !scratch->DeviceContext())
            return 0;
        const int result = drawInto(static_cast<HDC>(scratch->DeviceContext()), &r);
        *rect = {r.left, r.top, r.right, r.bottom};
        return result;
    }
    if (HDC dc = static_cast<HDC>(bitmap->DeviceContext())) {
        const int result = drawInto(dc, &r);
        GdiFlush();
        return result;
    }
    // A bitmap without a context: draw over a copy of the area in the native scratch, then blit
    // it back with the font's alpha.
    const int left = std::max(0, rect->left), top = std::max(0, rect->top);
    const int right = std::min(bitmap->Width(), rect->right);
    const int bottom = std::min(bitmap->Height(), rect->bottom);
    if (right <= left || bottom <= top)
        return 0;
    std::lock_guard<std::mutex> hold(RasterFontScratch::Lock());
    RasterSysBitmap* scratch = RasterFontScratch::Native(right - left, bottom - top);
    if (!scratch || !scratch->DeviceContext())
        return 0;
    GdiFlush();
    ScreenRect area{left, top, right, bottom};
    BlitBitmap(scratch, bitmap, 0, 0, &area, 1.0f, kBlitCopy);
    RECT local{rect->left - left, rect->top - top, rect->right - left, rect->bottom - top};
    const int result = drawInto(static_cast<HDC>(scratch->DeviceContext()), &local);
    GdiFlush();
    ScreenRect back{0, 0, right - left, bottom - top};
    BlitBitmap(bitmap, scratch, left, top, &back, combineAlpha, kBlitCopy);
    return result;
}

} // namespace vorlunda
