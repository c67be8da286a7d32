#include "graphics/PngImage.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <vector>

namespace vorlunda {
namespace {

// Writes a PNG into memory through libpng itself, so the decoder is checked against an image
// whose pixels the test knows.
std::vector<std::uint8_t> EncodePng(int width, int height, int colourType, int depth,
                                    const std::vector<std::uint8_t>& rows, int rowBytes) {
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
    png_set_IHDR(png, info, width, height, depth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rows.data() + y * rowBytes));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST(PngImage, DecodesRgbaExactly) {
    const std::vector<std::uint8_t> rows = {255, 0, 0,   255, 0,  255, 0,  128, //
                                            0,   0, 255, 0,   10, 20,  30, 40};
    const auto file = EncodePng(2, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8, rows, 8);
    ASSERT_FALSE(file.empty());
    PngImage image;
    ASSERT_TRUE(image.Decode(file.data(), file.size()));
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.Pixels(), rows);
}

TEST(PngImage, ExpandsGreyAndRgbToOpaqueRgba) {
    const std::vector<std::uint8_t> grey = {0, 200, 77};
    const auto greyFile = EncodePng(3, 1, PNG_COLOR_TYPE_GRAY, 8, grey, 3);
    PngImage image;
    ASSERT_TRUE(image.Decode(greyFile.data(), greyFile.size()));
    EXPECT_EQ(image.Pixels(),
              (std::vector<std::uint8_t>{0, 0, 0, 255, 200, 200, 200, 255, 77, 77, 77, 255}));

    const std::vector<std::uint8_t> rgb16 = {0xFF, 0x00, 0x80, 0x00, 0x01, 0x00};
    const auto rgbFile = EncodePng(1, 1, PNG_COLOR_TYPE_RGB, 16, rgb16, 6);
    ASSERT_TRUE(image.Decode(rgbFile.data(), rgbFile.size()));
    EXPECT_EQ(image.Pixels(), (std::vector<std::uint8_t>{0xFF, 0x80, 0x01, 255}));
}

TEST(PngImage, RefusesGarbageAndTruncatedImages) {
    PngImage image;
    const std::uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_FALSE(image.Decode(junk, sizeof junk));
    EXPECT_FALSE(image.Decode(nullptr, 0));

    const std::vector<std::uint8_t> rows(16 * 16 * 4, 99);
    const auto file = EncodePng(16, 16, PNG_COLOR_TYPE_RGB_ALPHA, 8, rows, 64);
    for (std::size_t cut : {8u, 20u, 40u, static_cast<unsigned>(file.size() - 13)}) {
        EXPECT_FALSE(image.Decode(file.data(), cut)) << "cut at " << cut;
        EXPECT_EQ(image.Width(), 0);
        EXPECT_TRUE(image.Pixels().empty());
    }
}

} // namespace
} // namespace vorlunda
