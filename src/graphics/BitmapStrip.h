#pragma once

namespace vorlunda {

class RasterBitmap;

// An image of one or more frames, side by side (left to right) or stacked (top to bottom). The
// bitmap is borrowed from the process-wide bitmap cache; width and height are the whole image's.
// A strip without a bitmap (an image that could not be loaded) has width and height 0.
struct BitmapStrip {
    RasterBitmap* bitmap = nullptr;
    int width = 0;
    int height = 0;
    int frames = 1;
    bool sideBySide = false;

    // Pixel offset of frame k (1-based) along the frame direction:
    // int(extent x (k - 1) / N + 0.5). Frame numbers below 2 and one-frame strips give 0.
    int FrameOffset(int frame) const {
        if (frames < 2 || frame < 2)
            return 0;
        const int extent = sideBySide ? width : height;
        return static_cast<int>(static_cast<double>(extent) * (frame - 1) / frames + 0.5);
    }
};

} // namespace vorlunda
