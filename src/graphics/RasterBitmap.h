#pragma once

#include <cstdint>

namespace vorlunda {

// One pixel: alpha << 24 | red << 16 | green << 8 | blue, colours not premultiplied by alpha
// (in little-endian memory the bytes read blue, green, red, alpha).
using RasterPixel = std::uint32_t;

// A system drawing context (a Windows device context); none for memory bitmaps and off Windows.
using RasterDeviceContext = void*;

// A 32-bit bitmap: rows top to bottom, consecutive rows RowSpan() pixels apart (the span can
// exceed the width). A bitmap without pixels has Pixels() == nullptr and every drawing operation
// on it does nothing. Not thread-safe: used on the editor's thread.
class RasterBitmap {
public:
    virtual ~RasterBitmap() = default;

    // The first pixel of the top row, or none.
    virtual RasterPixel* Pixels() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Pixels from one row to the next.
    virtual int RowSpan() const = 0;
    // Rows stored bottom to top: false for both bitmap classes here.
    virtual bool BottomUp() const { return false; }
    // Answers whether the size changed (see the classes for the details).
    virtual bool Resize(int width, int height) = 0;
    virtual RasterDeviceContext DeviceContext() const { return nullptr; }
    virtual std::intptr_t ExtendedQuery(int /*id*/, void* /*data*/) { return 0; }

    // Row y (0 = top) of a bitmap that has pixels; y must lie within 0..Height()-1.
    RasterPixel* Row(int y) const { return Pixels() + static_cast<std::intptr_t>(y) * RowSpan(); }
    bool HasPixels() const { return Pixels() != nullptr && Width() > 0 && Height() > 0; }
};

} // namespace vorlunda
