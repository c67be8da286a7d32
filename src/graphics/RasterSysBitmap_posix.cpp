// Off Windows the surface is a plain 32-bit pixel buffer that the X11 window layer shows; there
// is no system drawing context, so a non-null token stands in for it (the bitmap "has" a
// context, and the generic resize rules apply unchanged).
#include "graphics/RasterSysBitmap.h"

#include <cstdint>
#include <cstdlib>

namespace vorlunda {

namespace {

char contextToken = 0;

} // namespace

void RasterSysBitmap::CreateContext() {
    deviceContext = &contextToken;
}

void RasterSysBitmap::DestroyContext() {
    deviceContext = nullptr;
}

RasterDeviceContext RasterSysBitmap::DeviceContext() const {
    return nullptr;
}

bool RasterSysBitmap::CreatePixels(int allocWidth, int allocHeight) {
    const std::uint64_t bytes =
        static_cast<std::uint64_t>(allocWidth) * static_cast<std::uint64_t>(allocHeight) * 4;
    if (bytes > (std::uint64_t{1} << 31))
        return false;
    // 64-byte aligned rows start, like the memory bitmaps.
    section = std::aligned_alloc(64, (static_cast<std::size_t>(bytes) + 63) & ~std::size_t{63});
    pixels = static_cast<RasterPixel*>(section);
    return pixels != nullptr;
}

void RasterSysBitmap::ReleasePixels() {
    std::free(section);
    section = nullptr;
    pixels = nullptr;
    allocatedWidth = allocatedHeight = 0;
}

} // namespace vorlunda
