#pragma once

#include "graphics/RasterBitmap.h"
#include "graphics/ScreenRect.h"

namespace vorlunda {

// Blit modes: the low byte selects the operation; kBlitUseSourceAlpha weights it per pixel by the
// source alpha.
enum RasterBlitMode : int {
    kBlitCopy = 0,
    kBlitAdd = 1,
    kBlitDodge = 2,
    kBlitMultiply = 3,
    kBlitOverlay = 4,
    kBlitHsv = 5, // hue, saturation and value adjustment
    // kBlitChannelCopy + (destination channel << 2) + source channel; channels 0 blue, 1 green,
    // 2 red, 3 alpha (byte order in memory).
    kBlitChannelCopy = 0xF0,
    kBlitUseSourceAlpha = 0x10000,
};

constexpr int BlitChannelCopyMode(int sourceChannel, int destChannel) {
    return kBlitChannelCopy | (destChannel & 3) << 2 | (sourceChannel & 3);
}

// Copies `sourceRect` of `source` (none: all of it) onto `dest` at (x, y) with `alpha` (0..1) and
// `mode`, clipped against both bitmaps. Nothing happens without both bitmaps, with alpha 0 or
// with an empty copied area. Editor thread; never throws.
void BlitBitmap(RasterBitmap* dest, const RasterBitmap* source, int x, int y,
                const ScreenRect* sourceRect, float alpha, int mode);

// Fills (x, y, width, height), clipped to the bitmap, with `colour` (packed ARGB) at `alpha` and
// `mode`; with kBlitUseSourceAlpha the alpha is scaled by the colour's own alpha.
void FillRectangle(RasterBitmap* bitmap, int x, int y, int width, int height, RasterPixel colour,
                   float alpha, int mode);

} // namespace vorlunda
