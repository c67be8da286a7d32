// Blits and fills on 32-bit ARGB bitmaps. Every weight is in 1/256; every division truncates
// toward zero, as C++ integer division does, so the results are exact to the formulas.
#include "graphics/RasterBlit.h"

#include "graphics/RasterBlitRows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vorlunda {

namespace {

using Pixel = RasterPixel;

constexpr int Byte(Pixel p, int shift) {
    return static_cast<int>(p >> shift & 0xFF);
}
constexpr Pixel Pack(int a, int r, int g, int b) {
    return static_cast<Pixel>(a) << 24 | static_cast<Pixel>(r) << 16 | static_cast<Pixel>(g) << 8 |
           static_cast<Pixel>(b);
}

// Weight 0..256 from a float alpha; NaN and negatives give 0, values above 1 give 256.
int Weight(float alpha) {
    if (!(alpha > 0.0f))
        return 0;
    if (alpha >= 1.0f)
        return 256;
    return static_cast<int>(alpha * 256.0f);
}

// s + (d - s) x keep / 256 on each of the four bytes.
inline Pixel MixAll(Pixel s, Pixel d, int keep) {
    Pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int sv = Byte(s, shift);
        const int dv = Byte(d, shift);
        out |= static_cast<Pixel>(sv + (dv - sv) * keep / 256) << shift;
    }
    return out;
}

// Each byte of both halved, then added.
inline Pixel Average(Pixel s, Pixel d) {
    return ((s >> 1) & 0x7F7F7F7Fu) + ((d >> 1) & 0x7F7F7F7Fu);
}

inline Pixel Add(Pixel s, Pixel d, int a) {
    Pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int v = std::min(255, Byte(d, shift) + Byte(s, shift) * a / 256);
        out |= static_cast<Pixel>(v) << shift;
    }
    return out;
}

inline Pixel Dodge(Pixel s, Pixel d, int a) {
    Pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int t = Byte(s, shift) * a / 256;
        const int dv = Byte(d, shift);
        const int v = t > 254 ? dv * 256 : dv * 256 / (256 - t);
        out |= static_cast<Pixel>(std::min(255, v)) << shift;
    }
    return out;
}

inline Pixel Multiply(Pixel s, Pixel d, int a) {
    Pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int v = Byte(d, shift) * (65536 + a * (Byte(s, shift) - 256)) / 65536;
        out |= static_cast<Pixel>(v) << shift;
    }
    return out;
}

// Overlay (our choice of operator; the editor never selects it): on each colour channel the
// usual overlay of the source over the destination, mixed in by the weight; alpha kept.
inline Pixel Overlay(Pixel s, Pixel d, int a) {
    Pixel out = d & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int sv = Byte(s, shift);
        const int dv = Byte(d, shift);
        const int o = dv < 128 ? 2 * sv * dv / 255 : 255 - 2 * (255 - sv) * (255 - dv) / 255;
        out |= static_cast<Pixel>(dv + (o - dv) * a / 256) << shift;
    }
    return out;
}

// Hue, saturation and value adjustment (our choice of operator; the editor never selects it):
// the source's red turns the hue by (red - 128) / 256 of a turn, green scales the saturation
// and blue the value by (channel / 128); the result is mixed in by the weight; alpha kept.
inline Pixel AdjustHsv(Pixel s, Pixel d, int a) {
    const int r = Byte(d, 16), g = Byte(d, 8), b = Byte(d, 0);
    const int maxc = std::max({r, g, b});
    const int minc = std::min({r, g, b});
    const int chroma = maxc - minc;
    int hue = 0; // 0..1535 (six sectors of 256)
    if (chroma > 0) {
        if (maxc == r)
            hue = (g - b) * 256 / chroma + (g < b ? 1536 : 0);
        else if (maxc == g)
            hue = (b - r) * 256 / chroma + 512;
        else
            hue = (r - g) * 256 / chroma + 1024;
    }
    hue = (hue + (Byte(s, 16) - 128) * 6 + 1536) % 1536;
    const int value = std::min(255, maxc * Byte(s, 0) / 128);
    const int sat = maxc > 0 ? std::min(255, chroma * 255 / maxc * Byte(s, 8) / 128) : 0;
    const int c = value * sat / 255;
    const int m = value - c;
    const int sector = hue / 256;
    const int frac = hue % 256;
    const int x = c * (sector % 2 ? 256 - frac : frac) / 256;
    int nr = 0, ng = 0, nb = 0;
    switch (sector) {
    case 0:
        nr = c, ng = x;
        break;
    case 1:
        nr = x, ng = c;
        break;
    case 2:
        ng = c, nb = x;
        break;
    case 3:
        ng = x, nb = c;
        break;
    case 4:
        nr = x, nb = c;
        break;
    default:
        nr = c, nb = x;
        break;
    }
    nr += m, ng += m, nb += m;
    return Pack(Byte(d, 24), r + (nr - r) * a / 256, g + (ng - g) * a / 256,
                b + (nb - b) * a / 256);
}

// The pixel operation of a blit mode other than plain copy, with the source-alpha rule: the
// weight becomes a x (sa + 1) / 256 and, except for dodge, fully transparent source pixels are
// left alone.
template <Pixel (*Operation)(Pixel, Pixel, int), bool kSkipTransparent>
void BlendRow(Pixel* dest, const Pixel* source, int count, int a, bool sourceAlpha) {
    if (!sourceAlpha) {
        for (int i = 0; i < count; ++i)
            dest[i] = Operation(source[i], dest[i], a);
        return;
    }
    for (int i = 0; i < count; ++i) {
        const int sa = static_cast<int>(source[i] >> 24);
        if (kSkipTransparent && sa == 0)
            continue;
        dest[i] = Operation(source[i], dest[i], a * (sa + 1) / 256);
    }
}

void CopyRow(Pixel* dest, const Pixel* source, int count, float alpha, int a) {
    if (alpha == 1.0f || a == 256) {
        std::memmove(dest, source, static_cast<std::size_t>(count) * sizeof(Pixel));
    } else if (alpha == 0.5f) {
        for (int i = 0; i < count; ++i)
            dest[i] = Average(source[i], dest[i]);
    } else if (a >= 1) {
        for (int i = 0; i < count; ++i)
            dest[i] = MixAll(source[i], dest[i], 256 - a);
    }
}

void ChannelCopyRow(Pixel* dest, const Pixel* source, int count, int mode) {
    const int from = (mode & 3) * 8;
    const int to = (mode >> 2 & 3) * 8;
    const Pixel clear = ~(Pixel{0xFF} << to);
    for (int i = 0; i < count; ++i)
        dest[i] = (dest[i] & clear) | (source[i] >> from & 0xFF) << to;
}

// One row of any mode; `alpha` is the caller's float for the exact special cases of copy.
void BlitRow(Pixel* dest, const Pixel* source, int count, float alpha, int a, int mode) {
    const int operation = mode & 0xFF;
    const bool sourceAlpha = (mode & kBlitUseSourceAlpha) != 0;
    if ((operation & 0xF0) == kBlitChannelCopy) {
        ChannelCopyRow(dest, source, count, operation);
        return;
    }
    switch (operation) {
    case kBlitCopy:
        if (sourceAlpha)
            CopySourceAlphaRowFast(dest, source, count, a);
        else
            CopyRow(dest, source, count, alpha, a);
        break;
    case kBlitAdd:
        BlendRow<Add, true>(dest, source, count, a, sourceAlpha);
        break;
    case kBlitDodge:
        BlendRow<Dodge, false>(dest, source, count, a, sourceAlpha);
        break;
    case kBlitMultiply:
        BlendRow<Multiply, true>(dest, source, count, a, sourceAlpha);
        break;
    case kBlitOverlay:
        BlendRow<Overlay, true>(dest, source, count, a, sourceAlpha);
        break;
    case kBlitHsv:
        BlendRow<AdjustHsv, true>(dest, source, count, a, sourceAlpha);
        break;
    default:
        break; // unknown operations draw nothing
    }
}

} // namespace

void BlitBitmap(RasterBitmap* dest, const RasterBitmap* source, int x, int y,
                const ScreenRect* sourceRect, float alpha, int mode) {
    if (!dest || !source || !dest->HasPixels() || !source->HasPixels() || !(alpha > 0.0f))
        return;
    // Source area, limited to the source; a negative left or top skips the cut part by moving
    // the destination instead. 64-bit sums: coordinates come from callers unchecked.
    std::int64_t sx = 0, sy = 0, sr = source->Width(), sb = source->Height();
    std::int64_t dx = x, dy = y;
    if (sourceRect) {
        sx = sourceRect->left;
        sy = sourceRect->top;
        sr = std::min<std::int64_t>(sourceRect->right, source->Width());
        sb = std::min<std::int64_t>(sourceRect->bottom, source->Height());
        if (sx < 0) {
            dx -= sx;
            sx = 0;
        }
        if (sy < 0) {
            dy -= sy;
            sy = 0;
        }
    }
    // A negative destination position cuts the same amount from the source start.
    if (dx < 0) {
        sx -= dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        dy = 0;
    }
    const std::int64_t w = std::min(sr - sx, dest->Width() - dx);
    const std::int64_t h = std::min(sb - sy, dest->Height() - dy);
    if (w <= 0 || h <= 0)
        return;
    const int a = Weight(alpha);
    const int count = static_cast<int>(w);
    for (std::int64_t row = 0; row < h; ++row) {
        Pixel* d = dest->Row(static_cast<int>(dy + row)) + dx;
        const Pixel* s = source->Row(static_cast<int>(sy + row)) + sx;
        BlitRow(d, s, count, alpha, a, mode);
    }
}

namespace {

void FillCopyRow(Pixel* d, int count, Pixel c, int a) {
    switch (a) {
    case 256:
        std::fill(d, d + count, c);
        break;
    case 128:
        for (int i = 0; i < count; ++i)
            d[i] = Average(c, d[i]);
        break;
    case 64: {
        const Pixel quarter = (c >> 2) & 0x3F3F3F3Fu;
        for (int i = 0; i < count; ++i)
            d[i] = ((d[i] >> 1) & 0x7F7F7F7Fu) + ((d[i] >> 2) & 0x3F3F3F3Fu) + quarter;
        break;
    }
    case 192: {
        const Pixel threeQuarters = ((c >> 2) & 0x3F3F3F3Fu) + ((c >> 1) & 0x7F7F7F7Fu);
        for (int i = 0; i < count; ++i)
            d[i] = ((d[i] >> 2) & 0x3F3F3F3Fu) + threeQuarters;
        break;
    }
    default: {
        const int keep = 256 - a;
        const int cr = Byte(c, 16), cg = Byte(c, 8), cb = Byte(c, 0);
        for (int i = 0; i < count; ++i) {
            const Pixel p = d[i];
            d[i] = Pack(a + (Byte(p, 24) - a) * keep / 256, cr + (Byte(p, 16) - cr) * keep / 256,
                        cg + (Byte(p, 8) - cg) * keep / 256, cb + (Byte(p, 0) - cb) * keep / 256);
        }
        break;
    }
    }
}

} // namespace

void FillRectangle(RasterBitmap* bitmap, int x, int y, int width, int height, RasterPixel colour,
                   float alpha, int mode) {
    if (!bitmap || !bitmap->HasPixels())
        return;
    std::int64_t left = x, top = y, w = width, h = height;
    if (left < 0) {
        w += left;
        left = 0;
    }
    if (top < 0) {
        h += top;
        top = 0;
    }
    w = std::min<std::int64_t>(w, bitmap->Width() - left);
    h = std::min<std::int64_t>(h, bitmap->Height() - top);
    if (w <= 0 || h <= 0)
        return;
    if (mode & kBlitUseSourceAlpha)
        alpha *= static_cast<float>(colour >> 24) / 255.0f;
    if (!(alpha > 0.0f))
        return;
    const int a = Weight(alpha);
    const int operation = mode & 0xFF;
    const int count = static_cast<int>(w);
    for (std::int64_t row = 0; row < h; ++row) {
        Pixel* d = bitmap->Row(static_cast<int>(top + row)) + left;
        if (operation == kBlitCopy) {
            FillCopyRow(d, count, colour, a);
            continue;
        }
        // The other operations take the colour as a source pixel; its alpha has already been
        // folded into the weight, so the per-pixel source-alpha rule is not applied again.
        for (int i = 0; i < count; ++i) {
            switch (operation) {
            case kBlitAdd:
                d[i] = Add(colour, d[i], a);
                break;
            case kBlitDodge:
                d[i] = Dodge(colour, d[i], a);
                break;
            case kBlitMultiply:
                d[i] = Multiply(colour, d[i], a);
                break;
            case kBlitOverlay:
                d[i] = Overlay(colour, d[i], a);
                break;
            case kBlitHsv:
                d[i] = AdjustHsv(colour, d[i], a);
                break;
            default:
                if ((operation & 0xF0) == kBlitChannelCopy)
                    ChannelCopyRow(d + i, &colour, 1, operation);
                break;
            }
        }
    }
}

} // namespace vorlunda
