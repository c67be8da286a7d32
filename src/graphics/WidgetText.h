#pragma once

#include "graphics/RasterBitmap.h"
#include "graphics/ScreenRect.h"

#include <string>

namespace vorlunda {

// Text for the window layer's own widgets (popup menus, message boxes, the value-entry field),
// drawn with the raster layer's fonts from the process-wide font cache. Editor thread.
struct WidgetFont {
    std::string face = "Arial";
    int size = 13; // pixels
    bool bold = false;
    bool italic = false;

    // Width of `text` in pixels; 0 when no font can be made.
    int TextWidth(const std::string& text) const;
    int LineHeight() const;
    // Draws `text` in `colour` (packed ARGB) inside `rect`, vertically centred, horizontally by
    // `align` (0 left, 1 centre, 2 right), clipped to `rect`.
    void Draw(RasterBitmap& bitmap, const std::string& text, const ScreenRect& rect,
              RasterPixel colour, int align) const;
};

} // namespace vorlunda
