#include "graphics/RasterBlit.h"
#include "graphics/BlendSpec.h"
#include "graphics/RasterBlitRows.h"
#include "graphics/RasterMemBitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace vorlunda {
namespace {

// The source and destination pixels of the one-pixel tables: every channel of the source
// differs from the destination, in both directions, so a division that floors instead of
// truncating toward zero shows.
constexpr RasterPixel kDest = 0xC0405060u;
constexpr RasterPixel WithAlpha(int alpha) {
    return static_cast<RasterPixel>(alpha) << 24 | 0xF02030u;
}

struct BlendCase {
    const char* name;
    int mode;
    float alpha;
    RasterPixel source;
    RasterPixel expected;
};

RasterPixel BlitOnePixel(const BlendCase& c) {
    RasterMemBitmap source(1, 1), dest(1, 1);
    source.Row(0)[0] = c.source;
    dest.Row(0)[0] = kDest;
    BlitBitmap(&dest, &source, 0, 0, nullptr, c.alpha, c.mode);
    return dest.Row(0)[0];
}

void ExpectTable(const std::vector<BlendCase>& table) {
    for (const BlendCase& c : table)
        EXPECT_EQ(BlitOnePixel(c), c.expected)
            << c.name << std::hex << " got 0x" << BlitOnePixel(c);
}

TEST(RasterBlit, CopyWithoutSourceAlpha) {
    const RasterPixel s = WithAlpha(0x80); // 0x80F02030
    ExpectTable({
        {"alpha 1 copies the pixel, alpha byte included", kBlitCopy, 1.0f, s, s},
        {"alpha 0 changes nothing", kBlitCopy, 0.0f, s, kDest},
        {"below 1/256 changes nothing", kBlitCopy, 0.003f, s, kDest},
        // Halves per byte: 0x40+0x60, 0x78+0x20, 0x10+0x28, 0x18+0x30.
        {"alpha 0.5 averages halves", kBlitCopy, 0.5f, s, 0xA0983848u},
        // a = int(0.3 x 256) = 76, keep 180: alpha 128 + 64 x 180 / 256 = 173 (0xAD);
        // red 240 + (64 - 240) x 180 / 256 = 240 - 123 = 117 (0x75, -123.75 truncated);
        // green 32 + 48 x 180 / 256 = 65 (0x41); blue 48 + 48 x 180 / 256 = 81 (0x51).
        {"alpha 0.3 mixes every byte", kBlitCopy, 0.3f, s, 0xAD754151u},
    });
}

TEST(RasterBlit, CopyWithSourceAlpha) {
    const int mode = kBlitCopy | kBlitUseSourceAlpha;
    ExpectTable({
        {"transparent source leaves the pixel", mode, 1.0f, WithAlpha(0), kDest},
        {"transparent source at half weight", mode, 0.5f, WithAlpha(0), kDest},
        {"opaque source replaces it with alpha 255", mode, 1.0f, WithAlpha(255), 0xFFF02030u},
        // sa 128, keep 127: red 240 - 176 x 127 / 256 = 153 (0x99); green 32 + 48 x 127 / 256 =
        // 55 (0x37); blue 71 (0x47); alpha min(255, 128 + 192) = 255.
        {"half-transparent source", mode, 1.0f, WithAlpha(0x80), 0xFF993747u},
        // a = 128, a' = 128 x 129 / 256 = 64, keep 192: red 240 - 132 = 108 (0x6C), green 68,
        // blue 84; alpha min(255, 64 + 192) = 255.
        {"half-transparent source at half weight", mode, 0.5f, WithAlpha(0x80), 0xFF6C4454u},
        // a' = 128 x 256 / 256 = 128: the half average of the colours.
        {"opaque source at half weight", mode, 0.5f, WithAlpha(255), 0xFF983848u},
        {"alpha 0 changes nothing", mode, 0.0f, WithAlpha(255), kDest},
    });
}

TEST(RasterBlit, Add) {
    ExpectTable({
        // 0x40 + 0xF0 saturates; 0x50 + 0x20, 0x60 + 0x30; alpha 0xC0 + 0x80 saturates.
        {"full weight on all four bytes", kBlitAdd, 1.0f, WithAlpha(0x80), 0xFFFF7090u},
        {"alpha 0 changes nothing", kBlitAdd, 0.0f, WithAlpha(0x80), kDest},
        {"transparent source is skipped", kBlitAdd | kBlitUseSourceAlpha, 1.0f, WithAlpha(0),
         kDest},
        // a' = 256 x 129 / 256 = 129: red 64 + 240 x 129 / 256 = 184 (0xB8); green 80 + 16 = 96;
        // blue 96 + 24 = 120; alpha 192 + 64 = 256 -> 255.
        {"half-transparent source", kBlitAdd | kBlitUseSourceAlpha, 1.0f, WithAlpha(0x80),
         0xFFB86078u},
        // a' = 128 x 129 / 256 = 64: red 64 + 60 = 124, green 88, blue 108, alpha 192 + 32.
        {"half-transparent source at half weight", kBlitAdd | kBlitUseSourceAlpha, 0.5f,
         WithAlpha(0x80), 0xE07C586Cu},
    });
    // The rule's own example: 200 + 100 gives 255.
    RasterMemBitmap source(1, 1), dest(1, 1);
    source.Row(0)[0] = 0x00000064u;
    dest.Row(0)[0] = 0x000000C8u;
    BlitBitmap(&dest, &source, 0, 0, nullptr, 1.0f, kBlitAdd);
    EXPECT_EQ(dest.Row(0)[0], 0x000000FFu);
}

TEST(RasterBlit, ColourDodge) {
    ExpectTable({
        // t = s: red t = 240 -> 64 x 256 / 16 = 1024 -> 255; green 80 x 256 / 224 = 91 (0x5B);
        // blue 96 x 256 / 208 = 118 (0x76); alpha t = 128 -> 192 x 2 -> 255.
        {"full weight", kBlitDodge, 1.0f, WithAlpha(0x80), 0xFFFF5B76u},
        {"alpha 0 changes nothing", kBlitDodge, 0.0f, WithAlpha(0x80), kDest},
        // With source alpha 0 the weight becomes 256 x 1 / 256 = 1, so t = 0: nothing changes.
        {"transparent source", kBlitDodge | kBlitUseSourceAlpha, 1.0f, WithAlpha(0), kDest},
        // a' = 129: t red = 120 -> 64 x 256 / 136 = 120 (0x78); green t = 16 -> 85 (0x55);
        // blue t = 24 -> 105 (0x69); alpha t = 64 -> 256 -> 255.
        {"half-transparent source", kBlitDodge | kBlitUseSourceAlpha, 1.0f, WithAlpha(0x80),
         0xFF785569u},
    });
}

TEST(RasterBlit, Multiply) {
    ExpectTable({
        // d x (65536 + 256 (s - 256)) / 65536 = d x s / 256: red 64 x 240 / 256 = 60 (0x3C),
        // green 80 x 32 / 256 = 10, blue 96 x 48 / 256 = 18; alpha 192 x 128 / 256 = 96.
        {"full weight", kBlitMultiply, 1.0f, WithAlpha(0x80), 0x603C0A12u},
        {"alpha 0 changes nothing", kBlitMultiply, 0.0f, WithAlpha(0x80), kDest},
        {"transparent source is skipped", kBlitMultiply | kBlitUseSourceAlpha, 1.0f, WithAlpha(0),
         kDest},
        // a' = 129: alpha 192 x (65536 - 129 x 128) / 65536 = 143 (0x8F); red 64 x (65536 -
        // 129 x 16) / 65536 = 61 (0x3D); green 80 x (65536 - 129 x 224) / 65536 = 44 (0x2C);
        // blue 96 x (65536 - 129 x 208) / 65536 = 56 (0x38).
        {"half-transparent source", kBlitMultiply | kBlitUseSourceAlpha, 1.0f, WithAlpha(0x80),
         0x8F3D2C38u},
    });
}

TEST(RasterBlit, ChannelCopyMovesOneByteAndIgnoresAlpha) {
    // Source red (channel 2) into destination blue (channel 0).
    ExpectTable({
        {"red into blue", BlitChannelCopyMode(2, 0), 1.0f, WithAlpha(0), 0xC04050F0u},
        {"alpha into green", BlitChannelCopyMode(3, 1), 0.25f, WithAlpha(0x12), 0xC0401260u},
    });
}

TEST(RasterBlit, BlendSpecSelectsTheBlitModes) {
    EXPECT_EQ(BlendSpec{}.BlitMode(), kBlitCopy | kBlitUseSourceAlpha);
    EXPECT_EQ(BlendSpec{BlendSpec::kOpaque}.BlitMode(), kBlitCopy);
    EXPECT_EQ(BlendSpec{BlendSpec::kAdd}.BlitMode(), kBlitAdd | kBlitUseSourceAlpha);
    EXPECT_EQ(BlendSpec{BlendSpec::kDodge}.BlitMode(), kBlitDodge | kBlitUseSourceAlpha);
    EXPECT_EQ(BlendSpec{7}.BlitMode(), kBlitCopy | kBlitUseSourceAlpha);
    EXPECT_EQ(BlitModeFor(nullptr), kBlitCopy | kBlitUseSourceAlpha);
    EXPECT_EQ(BlitWeightFor(nullptr), 1.0f);
}

// Bitmaps filled with a marker, so the tests see exactly which pixels a blit touched.
constexpr RasterPixel kUntouched = 0x11223344u;
constexpr RasterPixel kSource = 0xFF000000u; // + x << 8 + y: every source pixel is distinct

RasterMemBitmap MakeSource(int w, int h) {
    RasterMemBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Row(y)[x] = kSource | static_cast<RasterPixel>(x) << 8 | static_cast<RasterPixel>(y);
    return b;
}

void FillWith(RasterBitmap& b, RasterPixel p) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.Row(y)[x] = p;
}

// Destination pixel (x, y) must hold source pixel (sx, sy), or be untouched (sx < 0).
RasterPixel SourceAt(int sx, int sy) {
    return kSource | static_cast<RasterPixel>(sx) << 8 | static_cast<RasterPixel>(sy);
}

struct ClipCase {
    const char* name;
    int x, y;
    bool hasRect;
    ScreenRect rect;
    int sourceOffsetX, sourceOffsetY; // destination (x, y) shows source (x + ox, y + oy)
    ScreenRect touched;               // destination pixels written
};

TEST(RasterBlit, ClipsAgainstBothBitmaps) {
    const std::vector<ClipCase> table = {
        {"whole source inside", 2, 1, false, {}, -2, -1, {2, 1, 6, 4}},
        {"negative destination cuts the source start", -1, -2, false, {}, 1, 2, {0, 0, 3, 1}},
        {"past the right and bottom edges", 6, 4, false, {}, -6, -4, {6, 4, 8, 6}},
        {"source rectangle", 0, 0, true, {1, 1, 3, 2}, 1, 1, {0, 0, 2, 1}},
        {"source rectangle past the source", 0, 0, true, {2, 1, 10, 10}, 2, 1, {0, 0, 2, 2}},
        // A negative left or top moves the destination instead: source (0, 0) lands at (3, 2).
        {"negative source rectangle origin", 1, 1, true, {-2, -1, 2, 2}, -3, -2, {3, 2, 5, 4}},
        {"destination wholly outside", 8, 0, false, {}, 0, 0, {}},
        {"destination wholly above", 0, -3, false, {}, 0, 0, {}},
        {"empty source rectangle", 0, 0, true, {2, 2, 2, 3}, 0, 0, {}},
        {"inverted source rectangle", 0, 0, true, {3, 2, 1, 1}, 0, 0, {}},
    };
    for (const ClipCase& c : table) {
        const RasterMemBitmap source = MakeSource(4, 3);
        RasterMemBitmap dest(8, 6);
        FillWith(dest, kUntouched);
        BlitBitmap(&dest, &source, c.x, c.y, c.hasRect ? &c.rect : nullptr, 1.0f, kBlitCopy);
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool inside = x >= c.touched.left && x < c.touched.right &&
                                    y >= c.touched.top && y < c.touched.bottom;
                const RasterPixel expected =
                    inside ? SourceAt(x + c.sourceOffsetX, y + c.sourceOffsetY) : kUntouched;
                ASSERT_EQ(dest.Row(y)[x], expected) << c.name << " at " << x << ", " << y;
            }
        }
    }
}

TEST(RasterBlit, DoesNothingWithoutBitmapsOrPixels) {
    RasterMemBitmap dest(2, 2), empty(0, 5);
    FillWith(dest, kUntouched);
    const RasterMemBitmap source = MakeSource(2, 2);
    BlitBitmap(nullptr, &source, 0, 0, nullptr, 1.0f, kBlitCopy);
    BlitBitmap(&dest, nullptr, 0, 0, nullptr, 1.0f, kBlitCopy);
    BlitBitmap(&dest, &empty, 0, 0, nullptr, 1.0f, kBlitCopy);
    BlitBitmap(&empty, &source, 0, 0, nullptr, 1.0f, kBlitCopy);
    BlitBitmap(&dest, &source, 0, 0, nullptr, -1.0f, kBlitCopy);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(dest.Row(y)[x], kUntouched);
    EXPECT_EQ(empty.Pixels(), nullptr);
}

TEST(RasterBlit, WholeRowsAtEveryWidth) {
    // Rows of odd widths and a row span larger than the width: nothing beyond the width moves.
    for (int w = 1; w <= 9; ++w) {
        const RasterMemBitmap source = MakeSource(w, 2);
        RasterMemBitmap dest(w, 2);
        FillWith(dest, kUntouched);
        BlitBitmap(&dest, &source, 0, 0, nullptr, 1.0f, kBlitCopy | kBlitUseSourceAlpha);
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(dest.Row(1)[x], SourceAt(x, 1)) << w;
        EXPECT_EQ(dest.RowSpan() % 4, 0);
    }
}

TEST(RasterBlit, FastSourceAlphaRowsMatchTheReference) {
    // Every row length from 0 to 23 (whole groups of four and the rest) and every weight class:
    // full, the halves, greyed, tiny; alphas biased toward the special values 0 and 255.
    std::mt19937 random(1234);
    auto pixel = [&] {
        RasterPixel p = static_cast<RasterPixel>(random());
        switch (random() % 4) {
        case 0:
            return p & 0x00FFFFFFu;
        case 1:
            return p | 0xFF000000u;
        default:
            return p;
        }
    };
    for (int a : {256, 255, 192, 128, 64, 1}) {
        for (int count = 0; count < 24; ++count) {
            for (int round = 0; round < 40; ++round) {
                std::vector<RasterPixel> source(count), reference(count), fast(count);
                for (int i = 0; i < count; ++i) {
                    source[i] = pixel();
                    reference[i] = fast[i] = pixel();
                }
                CopySourceAlphaRowReference(reference.data(), source.data(), count, a);
                CopySourceAlphaRowFast(fast.data(), source.data(), count, a);
                ASSERT_EQ(fast, reference) << "a " << a << " count " << count;
            }
        }
    }
    // And exhaustively over one channel: every source alpha and colour against two colours.
    for (int a : {256, 77}) {
        std::vector<RasterPixel> source, reference, fast;
        for (RasterPixel sa = 0; sa < 256; ++sa) {
            for (RasterPixel c = 0; c < 256; c += 3) {
                source.push_back(sa << 24 | c << 16 | (255 - c) << 8 | c);
                reference.push_back(0x80FF0040u);
            }
        }
        fast = reference;
        CopySourceAlphaRowReference(reference.data(), source.data(),
                                    static_cast<int>(source.size()), a);
        CopySourceAlphaRowFast(fast.data(), source.data(), static_cast<int>(source.size()), a);
        EXPECT_EQ(fast, reference) << "a " << a;
    }
}

struct FillCase {
    const char* name;
    int mode;
    float alpha;
    RasterPixel colour;
    RasterPixel expected;
};

TEST(RasterFill, BlendTable) {
    const RasterPixel c = 0x80F02030u;
    const std::vector<FillCase> table = {
        {"full weight fills with the colour", kBlitCopy, 1.0f, c, c},
        {"alpha 0 changes nothing", kBlitCopy, 0.0f, c, kDest},
        {"half averages halves", kBlitCopy, 0.5f, c, 0xA0983848u},
        // d/2 + d/4 + c/4 per byte: alpha 0x60 + 0x30 + 0x20 = 0xB0, red 0x20 + 0x10 + 0x3C,
        // green 0x28 + 0x14 + 0x08, blue 0x30 + 0x18 + 0x0C.
        {"quarter", kBlitCopy, 0.25f, c, 0xB06C4454u},
        // d/4 + c/4 + c/2: alpha 0x30 + 0x20 + 0x40 = 0x90, red 0x10 + 0x3C + 0x78 = 0xC4.
        {"three quarters", kBlitCopy, 0.75f, c, 0x90C42C3Cu},
        // a = 76, keep 180; alpha byte a + (192 - a) x 180 / 256 = 76 + 81 = 157 (0x9D); colour
        // bytes as the copy blit: 0x75, 0x41, 0x51.
        {"other weights", kBlitCopy, 0.3f, c, 0x9D754151u},
        // With the source-alpha flag the weight is 1 x 128 / 255 -> a = 128: the halves.
        {"colour alpha scales the weight", kBlitCopy | kBlitUseSourceAlpha, 1.0f, c, 0xA0983848u},
        {"transparent colour fills nothing", kBlitCopy | kBlitUseSourceAlpha, 1.0f, 0x00FFFFFFu,
         kDest},
        // Add at weight 128: red 64 + 120, green 80 + 16, blue 96 + 24, alpha 192 + 64 -> 255.
        {"add with colour alpha", kBlitAdd | kBlitUseSourceAlpha, 1.0f, c, 0xFFB86078u},
    };
    for (const FillCase& f : table) {
        RasterMemBitmap b(1, 1);
        b.Row(0)[0] = kDest;
        FillRectangle(&b, 0, 0, 1, 1, f.colour, f.alpha, f.mode);
        EXPECT_EQ(b.Row(0)[0], f.expected) << f.name << std::hex << " got 0x" << b.Row(0)[0];
    }
}

TEST(RasterFill, ClipsToTheBitmap) {
    struct Case {
        const char* name;
        int x, y, w, h;
        ScreenRect touched;
    };
    const std::vector<Case> table = {
        {"inside", 1, 1, 2, 3, {1, 1, 3, 4}},
        {"negative position shrinks it", -2, -1, 4, 3, {0, 0, 2, 2}},
        {"past the edges", 4, 3, 10, 10, {4, 3, 5, 4}},
        {"zero width", 1, 1, 0, 3, {}},
        {"negative height", 1, 1, 2, -3, {}},
        {"wholly outside", 5, 0, 2, 2, {}},
    };
    for (const Case& c : table) {
        RasterMemBitmap b(5, 4);
        FillWith(b, kUntouched);
        FillRectangle(&b, c.x, c.y, c.w, c.h, 0xFF010203u, 1.0f, kBlitCopy);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) {
                const bool inside = c.touched.Contains(x, y);
                ASSERT_EQ(b.Row(y)[x], inside ? 0xFF010203u : kUntouched)
                    << c.name << " at " << x << ", " << y;
            }
        }
    }
}

} // namespace
} // namespace vorlunda
