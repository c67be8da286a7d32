// System fonts on Windows: GDI fonts.
#include "graphics/RasterSystemFont.h"

#include <windows.h>

namespace vorlunda {

namespace {

BYTE QualityFor(int quality) {
    switch (quality) {
    case 1:
        return NONANTIALIASED_QUALITY;
    case 2:
        return ANTIALIASED_QUALITY;
    case 3:
        return CLEARTYPE_QUALITY;
    default:
        return DEFAULT_QUALITY;
    }
}

} // namespace

RasterSystemFontHandle RasterSystemFont::Create(const RasterFontRequest& request) {
    HFONT font =
        CreateFontA(request.height, 0, request.escapement, request.orientation, request.weight,
                    request.italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, QualityFor(request.quality),
                    DEFAULT_PITCH | FF_DONTCARE, request.face ? request.face : "");
    return font;
}

void RasterSystemFont::Delete(RasterSystemFontHandle font) {
    if (font)
        DeleteObject(static_cast<HFONT>(font));
}

const char* RasterSystemFont::FaceFile(RasterSystemFontHandle) {
    return "";
}

void RasterSystemFont::MakeSharedState() {}

} // namespace vorlunda
