#include "graphics/RasterMemBitmap.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>

namespace vorlunda {

namespace {

// Bytes for width x height pixels at the row span, or 0 for a non-positive or unreasonably
// large size.
std::size_t PixelBytes(int width, int height, int rowSpan) {
    if (width <= 0 || height <= 0)
        return 0;
    const std::uint64_t bytes =
        static_cast<std::uint64_t>(height) * static_cast<std::uint64_t>(rowSpan) * 4;
    if (bytes > std::numeric_limits<std::size_t>::max() / 2)
        return 0;
    return static_cast<std::size_t>(bytes);
}

} // namespace

RasterMemBitmap::RasterMemBitmap(int w, int h) {
    if (w > 0 && h > 0)
        Resize(w, h);
}

RasterMemBitmap::~RasterMemBitmap() {
    Release();
}

void RasterMemBitmap::Release() {
    std::free(buffer);
    buffer = nullptr;
    pixels = nullptr;
    allocatedBytes = 0;
}

bool RasterMemBitmap::Allocate(std::size_t bytes) {
    buffer = static_cast<unsigned char*>(std::malloc(bytes + kAlign - 1));
    if (!buffer)
        return false;
    const auto address = reinterpret_cast<std::uintptr_t>(buffer);
    pixels = reinterpret_cast<RasterPixel*>((address + kAlign - 1) & ~std::uintptr_t{kAlign - 1});
    allocatedBytes = bytes;
    return true;
}

bool RasterMemBitmap::Resize(int w, int h) {
    if (w == width && h == height)
        return false;
    const int span = w > 0 ? (w + kRowAlignMask) & ~kRowAlignMask : 0;
    const std::size_t needed = PixelBytes(w, h, span);
    if (needed == 0) {
        Release();
    } else if (!buffer) {
        Allocate(needed);
    } else if (allocatedBytes < needed) {
        // Grow with room to spare, so a bitmap resized a little at a time is not reallocated
        // each time; when that much is not available, settle for the exact size.
        Release();
        if (!Allocate(needed / 4 * 5 + 4))
            Allocate(needed);
    }
    if (pixels) {
        width = w;
        height = h;
    } else {
        width = height = 0;
    }
    return true;
}

} // namespace vorlunda
