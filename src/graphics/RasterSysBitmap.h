#pragma once

#include "graphics/RasterBitmap.h"

namespace vorlunda {

// The drawing surface: a bitmap the window layer can show. On Windows it is a 32-bit top-down
// device-independent bitmap section selected into a memory device context compatible with the
// screen, so the system can draw text into it and the window layer can copy from it. Elsewhere
// it is a plain 32-bit pixel buffer with the same layout and no device context. The allocated
// width (the row span) is the width rounded up to a multiple of 4. Never throws.
class RasterSysBitmap : public RasterBitmap {
public:
    RasterSysBitmap();
    RasterSysBitmap(int width, int height);
    ~RasterSysBitmap() override;
    RasterSysBitmap(const RasterSysBitmap&) = delete;
    RasterSysBitmap& operator=(const RasterSysBitmap&) = delete;

    RasterPixel* Pixels() const override { return pixels; }
    int Width() const override { return pixels ? width : 0; }
    int Height() const override { return pixels ? height : 0; }
    int RowSpan() const override { return allocatedWidth; }
    // Equal size: false. A size that fits the allocation only changes width and height (true).
    // Otherwise the pixels are made anew (contents not kept): a width or height below 1 leaves
    // no pixels and answers false; a failed allocation leaves no pixels and answers true.
    bool Resize(int width, int height) override;
    // Windows: the memory device context holding the section; none elsewhere.
    RasterDeviceContext DeviceContext() const override;

private:
    // Per-OS: create and release the context and the pixel store.
    void CreateContext();
    void DestroyContext();
    bool CreatePixels(int allocWidth, int allocHeight);
    void ReleasePixels();

    RasterDeviceContext deviceContext = nullptr; // off Windows a token: ready for pixels
    void* section = nullptr;        // Windows: the bitmap section; elsewhere the pixel buffer
    void* previousObject = nullptr; // Windows: what the context held before the section
    RasterPixel* pixels = nullptr;
    int width = 0;
    int height = 0;
    int allocatedWidth = 0;
    int allocatedHeight = 0;
};

} // namespace vorlunda
