// PNG images from the module, decoded by libpng into packed ARGB bitmaps.
#include "graphics/PngResource.h"

#include "platform/ModuleResources.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <png.h>

namespace vorlunda {

namespace {

constexpr std::size_t kSignatureBytes = 8;
// Largest single ancillary chunk libpng may allocate for (text, ICC profiles); the editor's
// images carry none of note.
constexpr png_alloc_size_t kMaxChunkBytes = 1 << 20;

struct MemoryReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

// What the decoder owns while libpng may jump out of it; freed by the caller either way.
struct DecodeState {
    MemoryReader reader;
    RasterMemBitmap* bitmap = nullptr;
    png_bytep* rows = nullptr;
};

// The decoder reports nothing: an unreadable image is simply refused.
[[noreturn]] void Fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void IgnoreWarning(png_structp, png_const_charp) {}

// Reads from the resource bytes. A read past the end is an error: libpng must never see bytes
// that were not in the image.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (!reader || count > reader->size - reader->position)
        png_error(png, "read past the end");
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

// Asks libpng for 8-bit bytes in the order alpha, red, green, blue for every colour type, bit
// depth and interlacing.
void RequestArgb(png_structp png, png_infop info) {
    const int colour = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (colour == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (transparency)
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png);
    if (depth < 8)
        png_set_packing(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if ((colour & PNG_COLOR_MASK_ALPHA) || transparency)
        png_set_swap_alpha(png); // RGBA -> ARGB
    else
        png_set_filler(png, 0xFF, PNG_FILLER_BEFORE); // opaque alpha before the colour
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// Everything that libpng may leave by a long jump: no C++ object with a destructor lives here.
bool DecodeInto(png_structp png, png_infop info, DecodeState* state) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &state->reader, ReadFromMemory);
    png_set_user_limits(png, kPngMaxSide, kPngMaxSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    if (w == 0 || h == 0 || w > kPngMaxSide || h > kPngMaxSide ||
        static_cast<std::int64_t>(w) * h > kPngMaxPixels)
        return false;
    RequestArgb(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(w) * 4)
        return false;
    state->bitmap = new (std::nothrow) RasterMemBitmap(static_cast<int>(w), static_cast<int>(h));
    if (!state->bitmap || !state->bitmap->HasPixels())
        return false;
    state->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * h));
    if (!state->rows)
        return false;
    for (png_uint_32 y = 0; y < h; ++y)
        state->rows[y] = reinterpret_cast<png_bytep>(state->bitmap->Row(static_cast<int>(y)));
    png_read_image(png, state->rows);
    png_read_end(png, nullptr);
    return true;
}

// Bytes alpha, red, green, blue in memory become packed pixels in place.
void PackPixels(RasterMemBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        RasterPixel* row = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            std::uint8_t b[4];
            std::memcpy(b, row + x, 4);
            row[x] = static_cast<RasterPixel>(b[0]) << 24 | static_cast<RasterPixel>(b[1]) << 16 |
                     static_cast<RasterPixel>(b[2]) << 8 | b[3];
        }
    }
}

} // namespace

std::unique_ptr<RasterMemBitmap> DecodePng(const std::uint8_t* data, std::size_t size) {
    if (!data || size < kSignatureBytes || png_sig_cmp(data, 0, kSignatureBytes) != 0)
        return nullptr;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, IgnoreWarning);
    if (!png)
        return nullptr;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }
    DecodeState state{{data, size, 0}};
    const bool ok = DecodeInto(png, info, &state);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(state.rows);
    std::unique_ptr<RasterMemBitmap> bitmap(state.bitmap);
    if (!ok)
        return nullptr;
    PackPixels(*bitmap);
    return bitmap;
}

std::unique_ptr<RasterMemBitmap> LoadPngResource(int resourceId) {
    const auto bytes = resources::FindModuleResourceById(resourceId, "PNG");
    if (bytes.size() < kSignatureBytes)
        return nullptr;
    return DecodePng(bytes.data(), bytes.size());
}

} // namespace vorlunda
