#pragma once

#include "graphics/RasterFont.h"

namespace vorlunda {

// What a system font is made from: height in pixels, escapement and orientation in tenths of a
// degree, weight (400 normal, 700 bold), italic, quality (0 default, 1 non-antialiased,
// 2 antialiased, 3 ClearType) and the face name.
struct RasterFontRequest {
    int height = 12;
    int escapement = 0;
    int orientation = 0;
    int weight = 400;
    bool italic = false;
    int quality = 0;
    const char* face = "";
};

// Creating and deleting system fonts. On Windows a GDI font (CreateFont); elsewhere a FreeType
// face found through a private fontconfig configuration: "Arial" resolves to a metric-compatible
// face and "OCR A Extended" to an OCR-A face; a face that cannot be found falls back to
// fontconfig's default. Any thread; never throws.
class RasterSystemFont {
public:
    // None when no font can be made.
    static RasterSystemFontHandle Create(const RasterFontRequest& request);
    static void Delete(RasterSystemFontHandle font);
    // The file of the face a font uses ("" on Windows, where the system chooses).
    static const char* FaceFile(RasterSystemFontHandle font);
    // Makes the state every system font shares (nothing on Windows). The font cache calls it
    // before it makes its own state, so that this state is destroyed after the cached fonts when
    // the library is unloaded.
    static void MakeSharedState();
};

} // namespace vorlunda
