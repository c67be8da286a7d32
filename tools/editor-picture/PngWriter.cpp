#include "PngWriter.h"

#include "graphics/RasterBitmap.h"

#include <csetjmp>
#include <cstdio>
#include <png.h>
#include <vector>

namespace vorlunda {

namespace {

[[noreturn]] void Fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void IgnoreWarning(png_structp, png_const_charp) {}

// Everything that libpng may leave by a long jump: no C++ object with a destructor lives here.
bool Encode(png_structp png, png_infop info, std::FILE* file, png_bytep* rows, int width,
            int height) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool WritePng(const std::string& path, const RasterBitmap& bitmap) {
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    if (width < 1 || height < 1)
        return false;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(width) * height * 3);
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const RasterPixel* in = bitmap.Row(y);
        unsigned char* out = &bytes[static_cast<std::size_t>(y) * width * 3];
        rows[static_cast<std::size_t>(y)] = out;
        for (int x = 0; x < width; ++x) {
            out[3 * x] = static_cast<unsigned char>(in[x] >> 16);
            out[3 * x + 1] = static_cast<unsigned char>(in[x] >> 8);
            out[3 * x + 2] = static_cast<unsigned char>(in[x]);
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, IgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool ok = info && Encode(png, info, file, rows.data(), width, height);
    png_destroy_write_struct(&png, &info);
    const bool closed = std::fclose(file) == 0;
    return ok && closed;
}

} // namespace vorlunda
