#include "graphics/PngImage.h"

#include <csetjmp>
#include <cstring>
#include <png.h>

namespace vorlunda {

namespace {

struct MemoryReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

// The decoder reports nothing: an unreadable image is simply refused.
[[noreturn]] void FailSilently(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void IgnoreWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->position)
        png_error(png, "truncated image");
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

// Decoding without any C++ object alive between setjmp and a possible longjmp.
bool DecodeRows(png_structp png, png_infop info, MemoryReader* reader,
                std::uint8_t* (*allocate)(void*, int, int), void* target) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, reader, ReadFromMemory);
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, nullptr, nullptr, nullptr);
    if (w == 0 || h == 0 || w > 8192 || h > 8192)
        return false;
    if (colour == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png);
    if (depth < 8)
        png_set_packing(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(w) * 4)
        return false;
    std::uint8_t* rows = allocate(target, static_cast<int>(w), static_cast<int>(h));
    if (!rows)
        return false;
    for (png_uint_32 y = 0; y < h; ++y)
        png_read_row(png, rows + static_cast<std::size_t>(y) * w * 4, nullptr);
    png_read_end(png, nullptr);
    return true;
}

} // namespace

bool PngImage::Decode(const std::uint8_t* data, std::size_t size) {
    width = height = 0;
    pixels.clear();
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return false;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailSilently, IgnoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    MemoryReader reader{data, size, 0};
    auto allocate = [](void* target, int w, int h) -> std::uint8_t* {
        auto* self = static_cast<PngImage*>(target);
        try {
            self->pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4, 0);
        } catch (...) {
            return nullptr; // never let an exception unwind through the decoder's C frames
        }
        self->width = w;
        self->height = h;
        return self->pixels.data();
    };
    const bool ok = DecodeRows(png, info, &reader, allocate, this);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        width = height = 0;
        pixels.clear();
    }
    return ok;
}

} // namespace vorlunda
