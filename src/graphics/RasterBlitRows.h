#pragma once

#include "graphics/RasterBitmap.h"

namespace vorlunda {

// The row kernel of the editor's most common blit, copy weighted by the source alpha, with
// weight a (1..256): the plain per-pixel reference and the SSE2 version (the reference where
// the processor has no SSE2). Both give exactly the same pixels; the blit uses the fast one.
void CopySourceAlphaRowReference(RasterPixel* dest, const RasterPixel* source, int count, int a);
void CopySourceAlphaRowFast(RasterPixel* dest, const RasterPixel* source, int count, int a);

} // namespace vorlunda
