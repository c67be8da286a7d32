#include "graphics/PngResource.h"
#include "graphics/RasterBitmapCache.h"
#include "platform/ModuleResources.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <vector>

namespace vorlunda {
namespace {

struct PngLayout {
    int width;
    int height;
    int colourType;
    int depth;
    bool interlaced = false;
    std::vector<png_color> palette = {};
    std::vector<png_byte> paletteAlpha = {}; // tRNS of a palette image
    bool greyTransparent = false;            // tRNS of grey or RGB: this value is transparent
    png_color_16 transparentValue = {};
};

// Writes a PNG into memory through libpng itself, so the decoder meets images whose pixels the
// test knows. Rows are packed as libpng expects them for the colour type and depth.
std::vector<std::uint8_t> EncodePng(const PngLayout& layout,
                                    const std::vector<std::uint8_t>& rows) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* v = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, layout.width, layout.height, layout.depth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty())
        png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
    if (!layout.paletteAlpha.empty())
        png_set_tRNS(png, info, layout.paletteAlpha.data(),
                     static_cast<int>(layout.paletteAlpha.size()), nullptr);
    if (layout.greyTransparent)
        png_set_tRNS(png, info, nullptr, 0, &layout.transparentValue);
    png_write_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_bytep> pointers(static_cast<std::size_t>(layout.height));
    for (int y = 0; y < layout.height; ++y)
        pointers[y] = const_cast<png_bytep>(rows.data() + y * rowBytes);
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<RasterPixel> PixelsOf(const RasterMemBitmap& b) {
    std::vector<RasterPixel> out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            out.push_back(b.Row(y)[x]);
    return out;
}

void ExpectDecodes(const PngLayout& layout, const std::vector<std::uint8_t>& rows,
                   const std::vector<RasterPixel>& expected, const char* what) {
    for (bool interlaced : {false, true}) {
        PngLayout s = layout;
        s.interlaced = interlaced;
        const auto file = EncodePng(s, rows);
        ASSERT_FALSE(file.empty()) << what;
        const auto bitmap = DecodePng(file.data(), file.size());
        ASSERT_NE(bitmap, nullptr) << what << (interlaced ? " interlaced" : "");
        EXPECT_EQ(bitmap->Width(), layout.width) << what;
        EXPECT_EQ(bitmap->Height(), layout.height) << what;
        EXPECT_EQ(PixelsOf(*bitmap), expected) << what << (interlaced ? " interlaced" : "");
    }
}

TEST(PngResource, TrueColourTypesDecodeToArgb) {
    ExpectDecodes({2, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8},
                  {255, 0, 0, 255, 0, 255, 0, 128, /**/ 0, 0, 255, 0, 10, 20, 30, 40},
                  {0xFFFF0000u, 0x8000FF00u, 0x000000FFu, 0x280A141Eu}, "RGBA 8");
    // No alpha channel: alpha 255 everywhere.
    ExpectDecodes({3, 1, PNG_COLOR_TYPE_RGB, 8}, {1, 2, 3, 200, 100, 50, 0, 0, 0},
                  {0xFF010203u, 0xFFC86432u, 0xFF000000u}, "RGB 8");
    // 16 bits per channel keep the high byte.
    ExpectDecodes({1, 2, PNG_COLOR_TYPE_RGB, 16},
                  {0xFF, 0x00, 0x80, 0xFF, 0x01, 0x00, /**/ 0, 0, 0, 0, 0xAB, 0xCD},
                  {0xFFFF8001u, 0xFF0000ABu}, "RGB 16");
    ExpectDecodes({1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16}, {0x12, 0, 0x34, 0, 0x56, 0, 0x78, 0xFF},
                  {0x78123456u}, "RGBA 16");
}

TEST(PngResource, GreyTypesExpandToRgb) {
    ExpectDecodes({3, 1, PNG_COLOR_TYPE_GRAY, 8}, {0, 200, 77},
                  {0xFF000000u, 0xFFC8C8C8u, 0xFF4D4D4Du}, "grey 8");
    // 1 bit: 0 -> 0, 1 -> 255; bits from the most significant: 1 0 1.
    ExpectDecodes({3, 1, PNG_COLOR_TYPE_GRAY, 1}, {0xA0}, {0xFFFFFFFFu, 0xFF000000u, 0xFFFFFFFFu},
                  "grey 1");
    // 2 bits: 0, 1, 2, 3 -> 0, 85, 170, 255.
    ExpectDecodes({4, 1, PNG_COLOR_TYPE_GRAY, 2}, {0x1B},
                  {0xFF000000u, 0xFF555555u, 0xFFAAAAAAu, 0xFFFFFFFFu}, "grey 2");
    // 4 bits: 0x3 -> 0x33, 0xC -> 0xCC.
    ExpectDecodes({2, 1, PNG_COLOR_TYPE_GRAY, 4}, {0x3C}, {0xFF333333u, 0xFFCCCCCCu}, "grey 4");
    ExpectDecodes({1, 1, PNG_COLOR_TYPE_GRAY, 16}, {0x9A, 0xBC}, {0xFF9A9A9Au}, "grey 16");
    ExpectDecodes({2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8}, {50, 0, 60, 255},
                  {0x00323232u, 0xFF3C3C3Cu}, "grey + alpha 8");
    ExpectDecodes({1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16}, {0x11, 0x22, 0x80, 0x01}, {0x80111111u},
                  "grey + alpha 16");
}

TEST(PngResource, PaletteAndTransparencyChunks) {
    const std::vector<png_color> palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    PngLayout p8{4, 1, PNG_COLOR_TYPE_PALETTE, 8};
    p8.palette = palette;
    ExpectDecodes(p8, {3, 2, 1, 0}, {0xFF090807u, 0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u},
                  "palette 8");
    PngLayout p2{4, 1, PNG_COLOR_TYPE_PALETTE, 2};
    p2.palette = palette;
    ExpectDecodes(p2, {0x1B}, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF090807u}, "palette 2");
    PngLayout p1{2, 1, PNG_COLOR_TYPE_PALETTE, 1};
    p1.palette = {palette[0], palette[1]};
    ExpectDecodes(p1, {0x40}, {0xFFFF0000u, 0xFF00FF00u}, "palette 1");
    PngLayout p4{2, 1, PNG_COLOR_TYPE_PALETTE, 4};
    p4.palette = palette;
    // Palette alpha: entry 0 transparent, entry 1 half; entries past the list opaque.
    p4.paletteAlpha = {0, 128};
    ExpectDecodes(p4, {0x01}, {0x00FF0000u, 0x8000FF00u}, "palette 4 with tRNS");
    PngLayout p4b = p4;
    ExpectDecodes(p4b, {0x23}, {0xFF0000FFu, 0xFF090807u}, "palette 4, entries without alpha");

    PngLayout grey{3, 1, PNG_COLOR_TYPE_GRAY, 8};
    grey.greyTransparent = true;
    grey.transparentValue.gray = 200;
    ExpectDecodes(grey, {0, 200, 77}, {0xFF000000u, 0x00C8C8C8u, 0xFF4D4D4Du}, "grey with tRNS");
    PngLayout rgb{2, 1, PNG_COLOR_TYPE_RGB, 8};
    rgb.greyTransparent = true;
    rgb.transparentValue.red = 1;
    rgb.transparentValue.green = 2;
    rgb.transparentValue.blue = 3;
    ExpectDecodes(rgb, {1, 2, 3, 1, 2, 4}, {0x00010203u, 0xFF010204u}, "RGB with tRNS");
}

TEST(PngResource, LargerInterlacedImageMatchesTheStraightOne) {
    // 37 x 23 is not a multiple of the 8 x 8 interlace block in either direction.
    const int w = 37, h = 23;
    std::vector<std::uint8_t> rows;
    std::vector<RasterPixel> expected;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint8_t r = static_cast<std::uint8_t>(x * 7),
                               g = static_cast<std::uint8_t>(y * 11),
                               b = static_cast<std::uint8_t>(x ^ y),
                               a = static_cast<std::uint8_t>(x + y * 5);
            rows.insert(rows.end(), {r, g, b, a});
            expected.push_back(static_cast<RasterPixel>(a) << 24 | r << 16 | g << 8 | b);
        }
    }
    ExpectDecodes({w, h, PNG_COLOR_TYPE_RGB_ALPHA, 8}, rows, expected, "37 x 23 RGBA");
}

TEST(PngResource, BadInputFailsCleanly) {
    const std::uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(DecodePng(junk, sizeof junk), nullptr);
    EXPECT_EQ(DecodePng(nullptr, 0), nullptr);
    const std::uint8_t signatureOnly[] = {137, 80, 78, 71, 13, 10, 26, 10};
    EXPECT_EQ(DecodePng(signatureOnly, sizeof signatureOnly), nullptr);

    const std::vector<std::uint8_t> rows(16 * 16 * 4, 99);
    const auto file = EncodePng({16, 16, PNG_COLOR_TYPE_RGB_ALPHA, 8}, rows);
    ASSERT_NE(DecodePng(file.data(), file.size()), nullptr);
    // Every cut short of the end; the image data and the end chunk are needed.
    for (std::size_t cut = 0; cut + 12 < file.size(); ++cut)
        EXPECT_EQ(DecodePng(file.data(), cut), nullptr) << "cut at " << cut;
    // A flipped byte anywhere in the header or the compressed data breaks a CRC or the stream.
    for (std::size_t at = 8; at + 12 < file.size(); at += 3) {
        auto corrupt = file;
        corrupt[at] ^= 0x5A;
        EXPECT_EQ(DecodePng(corrupt.data(), corrupt.size()), nullptr) << "byte " << at;
    }
}

TEST(PngResource, OversizedImagesAreRefused) {
    // Wider than 8192 pixels.
    const auto wide = EncodePng({8193, 1, PNG_COLOR_TYPE_GRAY, 1}, std::vector<std::uint8_t>(1025));
    ASSERT_FALSE(wide.empty());
    EXPECT_EQ(DecodePng(wide.data(), wide.size()), nullptr);
    // 2049 x 2049 is more than 4 Mi pixels; 2048 x 2048 is exactly the limit.
    const auto many =
        EncodePng({2049, 2049, PNG_COLOR_TYPE_GRAY, 1}, std::vector<std::uint8_t>(257 * 2049));
    EXPECT_EQ(DecodePng(many.data(), many.size()), nullptr);
    const auto limit =
        EncodePng({2048, 2048, PNG_COLOR_TYPE_GRAY, 1}, std::vector<std::uint8_t>(256 * 2048));
    const auto decoded = DecodePng(limit.data(), limit.size());
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->Row(2047)[2047], 0xFF000000u);
}

TEST(PngResource, MissingResourcesGiveNoBitmap) {
    EXPECT_EQ(LoadPngResource(0), nullptr);
    EXPECT_EQ(LoadPngResource(-3), nullptr);
    EXPECT_EQ(LoadPngResource(40000), nullptr);
    EXPECT_EQ(RasterBitmapCache::LoadPng(40001), nullptr);
    EXPECT_EQ(RasterBitmapCache::Find(40001), nullptr) << "a missing image is not cached";
}

#ifndef _WIN32
// Off Windows the resources are registered byte arrays named "#<id>"; the build registers the
// editor's images the same way.
TEST(PngResource, LoadsRegisteredResourcesByNumericId) {
    static const auto image =
        EncodePng({2, 1, PNG_COLOR_TYPE_RGB, 8}, std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6});
    static const std::uint8_t shortBytes[7] = {137, 80, 78, 71, 13, 10, 26};
    static const resources::EmbeddedResource entries[] = {
        {"#30001", "PNG", image.data(), image.size()},
        {"#30002", "PNG", shortBytes, sizeof shortBytes},
        {"#30003", "BMP", image.data(), image.size()},
    };
    static resources::EmbeddedResourceTable table{entries, 3, nullptr};
    static const bool registered = (resources::RegisterEmbeddedResources(table), true);
    ASSERT_TRUE(registered);

    const auto bitmap = LoadPngResource(30001);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(PixelsOf(*bitmap), (std::vector<RasterPixel>{0xFF010203u, 0xFF040506u}));
    EXPECT_EQ(LoadPngResource(30002), nullptr) << "7 bytes";
    EXPECT_EQ(LoadPngResource(30003), nullptr) << "another type";

    RasterBitmap* cached = RasterBitmapCache::LoadPng(30001);
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(RasterBitmapCache::LoadPng(30001), cached) << "loaded once, then found";
    EXPECT_EQ(RasterBitmapCache::Find(30001), cached);
}
#endif

TEST(RasterBitmapCache, TheFirstBitmapForAnIdStays) {
    auto first = std::make_unique<RasterMemBitmap>(2, 2);
    RasterBitmap* kept = first.get();
    EXPECT_EQ(RasterBitmapCache::Insert(31000, std::move(first)), kept);
    EXPECT_EQ(RasterBitmapCache::Insert(31000, std::make_unique<RasterMemBitmap>(5, 5)), kept);
    EXPECT_EQ(RasterBitmapCache::Find(31000), kept);
    EXPECT_EQ(RasterBitmapCache::Insert(31001, nullptr), nullptr);
    EXPECT_EQ(RasterBitmapCache::Find(31001), nullptr);
}

} // namespace
} // namespace vorlunda
