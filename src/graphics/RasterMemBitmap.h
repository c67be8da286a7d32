#pragma once

#include "graphics/RasterBitmap.h"

#include <cstddef>

namespace vorlunda {

// A bitmap in plain memory: rows are the width rounded up to a multiple of 4 pixels apart, and
// the first pixel sits on a 64-byte boundary. A zero or negative size allocates nothing; an
// allocation that fails leaves width and height 0. Never throws.
class RasterMemBitmap : public RasterBitmap {
public:
    RasterMemBitmap() = default;
    RasterMemBitmap(int width, int height);
    ~RasterMemBitmap() override;
    RasterMemBitmap(const RasterMemBitmap&) = delete;
    RasterMemBitmap& operator=(const RasterMemBitmap&) = delete;
    // Moving hands the pixels over; the moved-from bitmap is left empty.
    RasterMemBitmap(RasterMemBitmap&& other) noexcept;
    RasterMemBitmap& operator=(RasterMemBitmap&& other) noexcept;

    RasterPixel* Pixels() const override { return pixels; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    int RowSpan() const override { return (width + kRowAlignMask) & ~kRowAlignMask; }
    // Equal size: false. Otherwise true; a non-positive size frees the pixels, a buffer that is
    // too small grows to 5/4 of what is needed. Pixel contents are not kept.
    bool Resize(int width, int height) override;

    std::size_t AllocatedBytes() const { return allocatedBytes; }

private:
    static constexpr int kRowAlignMask = 3;   // row span: multiple of 4 pixels
    static constexpr std::size_t kAlign = 64; // bytes, first pixel's alignment

    bool Allocate(std::size_t bytes);
    void Release();

    unsigned char* buffer = nullptr; // owned, kAlign - 1 bytes larger than allocatedBytes
    RasterPixel* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::size_t allocatedBytes = 0;
};

} // namespace vorlunda
