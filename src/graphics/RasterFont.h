#pragma once

#include "graphics/RasterBitmap.h"
#include "graphics/ScreenRect.h"

#include <cstdint>

namespace vorlunda {

// A system font: a Windows font handle (HFONT); elsewhere a face opened by RasterSystemFont.
using RasterSystemFontHandle = void*;

// Font flags.
enum RasterFontFlags : int {
    kFontVertical = 0x1,
    kFontBottomUp = 0x2,  // with kFontVertical
    kFontPrerender = 0x4, // render glyphs 0..127 as soon as the system font is set
    kFontBlur = 0x10,
    kFontInverted = 0x20,   // inverted coverage
    kFontMonochrome = 0x40, // coverage thresholded at 130
    kFontShadow = 0x80,
    kFontOutline = 0x100,
    kFontOwnsHandle = 0x200,   // the font deletes its system font
    kFontPreferNative = 0x400, // draw through the system's text renderer where possible
};
constexpr int kFontEffectFlags =
    kFontBlur | kFontInverted | kFontMonochrome | kFontShadow | kFontOutline;

// Text format flags for RenderText: the system's text-format values plus three of our own.
enum RasterTextFormat : std::uint32_t {
    kTextCentre = 0x1,
    kTextRight = 0x2,
    kTextVCentre = 0x4,
    kTextBottom = 0x8,
    kTextSingleLine = 0x20,
    kTextNoClip = 0x100,
    kTextNoPrefix = 0x800, // added on the native path
    kTextMeasure = 0x400,
    kTextUseColourAlpha = 0x40000000u,
    kTextCorrectAlpha = 0x80000000u, // the destination's alpha must come out right
};

enum RasterBackgroundMode : int { kBackgroundTransparent = 1, kBackgroundOpaque = 2 };

// A font that draws UTF-8 text into a bitmap. Editor thread.
class RasterFont {
public:
    virtual ~RasterFont() = default;

    // Takes `font` (deleting the previous one when owned and different) with `flags`.
    virtual void SetSystemFont(RasterSystemFontHandle font, int flags) = 0;
    virtual RasterPixel SetTextColour(RasterPixel argb) = 0;       // answers the previous
    virtual RasterPixel SetBackgroundColour(RasterPixel argb) = 0; // answers the previous
    virtual RasterPixel SetEffectColour(RasterPixel argb) = 0;     // answers the previous
    virtual int SetBackgroundMode(int mode) = 0;                   // answers the previous
    virtual void SetCombineMode(int blitMode, float alpha) = 0;
    // Draws `length` bytes of `text` (-1: up to the terminator) within `rect` with the format
    // flags; with kTextMeasure draws nothing and sets rect's right and bottom from its left and
    // top to the measured size. Answers the height (horizontal text) or width (vertical text)
    // of the drawn text; 0 for nothing drawn.
    virtual int RenderText(RasterBitmap* bitmap, const char* text, int length, ScreenRect* rect,
                           std::uint32_t format) = 0;
    // RenderText in `colour`, whatever colour another thread gives the font meanwhile: cached
    // fonts are shared by every editor in the process, and two editors may draw at once.
    virtual int RenderTextInColour(RasterBitmap* bitmap, const char* text, int length,
                                   ScreenRect* rect, std::uint32_t format, RasterPixel colour) = 0;
    virtual RasterPixel TextColour() const = 0;
    virtual RasterSystemFontHandle SystemFont() const = 0;
    virtual int LineHeight() const = 0;
};

} // namespace vorlunda
