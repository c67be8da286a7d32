#include "graphics/RasterSysBitmap.h"

namespace vorlunda {

RasterSysBitmap::RasterSysBitmap() {
    CreateContext();
}

RasterSysBitmap::RasterSysBitmap(int w, int h) {
    CreateContext();
    Resize(w, h);
}

RasterSysBitmap::~RasterSysBitmap() {
    ReleasePixels();
    DestroyContext();
}

bool RasterSysBitmap::Resize(int w, int h) {
    if (!deviceContext)
        return false;
    if (w == width && h == height)
        return false;
    if (pixels && w >= 1 && h >= 1 && w <= allocatedWidth && h <= allocatedHeight) {
        width = w;
        height = h;
        return true;
    }
    ReleasePixels();
    width = w;
    height = h;
    if (w < 1 || h < 1) {
        width = height = 0;
        return false;
    }
    const int allocWidth = (w + 3) & ~3;
    if (!CreatePixels(allocWidth, h))
        return true;
    allocatedWidth = allocWidth;
    allocatedHeight = h;
    return true;
}

} // namespace vorlunda
