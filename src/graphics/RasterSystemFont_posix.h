#pragma once

#include "graphics/RasterBitmap.h"

#include <string>

namespace vorlunda {

// A system font off Windows: one FreeType face at the requested cell height, with the
// emboldening or slant the request asked for and the face itself lacks. Made and deleted by
// RasterSystemFont; used by RasterCachedFont on the editor's thread.
class RasterFreeTypeFont {
public:
    virtual ~RasterFreeTypeFont() = default;

    // Cell height in pixels (ascent + descent), as a Windows font of that height reports it.
    virtual int LineHeight() const = 0;
    // Draws `code` white on black into `target` with the pen at (penX, penY), the top of the
    // line; pixels outside the target are skipped. Answers the advance and the rightmost
    // column (exclusive) it touched relative to the pen, or false when the face cannot load it.
    virtual bool DrawGlyph(int code, RasterBitmap& target, int penX, int penY, int* advance,
                           int* right) = 0;
    virtual const std::string& FaceFile() const = 0;
};

} // namespace vorlunda
