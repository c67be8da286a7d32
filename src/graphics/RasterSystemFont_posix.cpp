// System fonts off Windows: faces found by fontconfig, rendered by FreeType. One private
// fontconfig configuration and one FreeType library serve every font and are released with the
// last font (fontconfig's process-wide default configuration would stay allocated after the
// library is unloaded).
#include "graphics/RasterSystemFont_posix.h"
#include "graphics/RasterSystemFont.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>

namespace vorlunda {

namespace {

// Windows face names the editor asks for, and the family that stands in for each here. "Arial"
// needs no entry: fontconfig's own rules map it to a metric-compatible face.
struct FaceAlias {
    const char* requested;
    const char* family;
};
constexpr FaceAlias kFaceAliases[] = {
    {"OCR A Extended", "OCRA"},
    {"OCR A", "OCRA"},
};

struct SharedFontState {
    std::mutex lock;
    FcConfig* config = nullptr;
    FT_Library library = nullptr;
    int users = 0;
};

// Destroyed at unload after the cached fonts (see MakeSharedState); the last font releases the
// configuration and the library.
SharedFontState& Shared() {
    static SharedFontState state;
    return state;
}

// With the lock held.
bool Acquire(SharedFontState& s) {
    if (s.users == 0) {
        if (FT_Init_FreeType(&s.library) != 0) {
            s.library = nullptr;
            return false;
        }
        s.config = FcInitLoadConfigAndFonts();
        if (!s.config) {
            FT_Done_FreeType(s.library);
            s.library = nullptr;
            return false;
        }
    }
    ++s.users;
    return true;
}

void Release(SharedFontState& s) {
    if (--s.users > 0)
        return;
    FcConfigDestroy(s.config);
    FT_Done_FreeType(s.library);
    s.config = nullptr;
    s.library = nullptr;
}

// The font file and face index fontconfig picks for the request; its default face when nothing
// matches the name.
bool MatchFace(FcConfig* config, const RasterFontRequest& request, std::string* file, int* index,
               bool* isBold, bool* isItalic) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    const char* face = request.face ? request.face : "";
    if (*face)
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
    for (const FaceAlias& alias : kFaceAliases) {
        if (std::strcmp(alias.requested, face) == 0)
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(alias.family));
    }
    FcPatternAddInteger(pattern, FC_WEIGHT,
                        request.weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8* path = nullptr;
    int faceIndex = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
    if (ok) {
        try {
            *file = reinterpret_cast<const char*>(path);
        } catch (...) {
            ok = false;
        }
    }
    FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &slant);
    FcPatternDestroy(match);
    *index = faceIndex;
    *isBold = weight >= FC_WEIGHT_DEMIBOLD;
    *isItalic = slant != FC_SLANT_ROMAN;
    return ok;
}

class FreeTypeFont final : public RasterFreeTypeFont {
public:
    ~FreeTypeFont() override {
        SharedFontState& s = Shared();
        std::lock_guard<std::mutex> hold(s.lock);
        if (face)
            FT_Done_Face(face);
        Release(s);
    }

    bool Open(SharedFontState& s, const RasterFontRequest& request) {
        int index = 0;
        bool faceBold = false, faceItalic = false;
        if (!MatchFace(s.config, request, &file, &index, &faceBold, &faceItalic))
            return false;
        if (FT_New_Face(s.library, file.c_str(), index, &face) != 0) {
            face = nullptr;
            return false;
        }
        embolden = request.weight >= 600 && !faceBold;
        slant = request.italic && !faceItalic;
        mono = request.quality == 1;
        return SetHeight(request.height);
    }

    int LineHeight() const override { return lineHeight; }
    const std::string& FaceFile() const override { return file; }

    bool DrawGlyph(int code, RasterBitmap& target, int penX, int penY, int* advance,
                   int* right) override {
        FT_Int32 loadFlags = mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
        if (FT_Load_Char(face, static_cast<FT_ULong>(code), loadFlags) != 0)
            return false;
        FT_GlyphSlot slot = face->glyph;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            if (embolden)
                FT_Outline_Embolden(&slot->outline, face->size->metrics.y_ppem * 2);
            if (slant) {
                FT_Matrix shear{0x10000, 0x366A, 0, 0x10000}; // 12 degrees
                FT_Outline_Transform(&slot->outline, &shear);
            }
        }
        if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
            return false;
        *advance = static_cast<int>((slot->advance.x + 32) >> 6) + (embolden ? 1 : 0);
        const FT_Bitmap& bm = slot->bitmap;
        const int left = penX + slot->bitmap_left;
        const int top = penY + ascent - slot->bitmap_top;
        *right = std::max(*advance, slot->bitmap_left + static_cast<int>(bm.width));
        for (unsigned row = 0; row < bm.rows; ++row) {
            const int y = top + static_cast<int>(row);
            if (y < 0 || y >= target.Height())
                continue;
            const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(row) * bm.pitch;
            RasterPixel* dst = target.Row(y);
            for (unsigned col = 0; col < bm.width; ++col) {
                const int x = left + static_cast<int>(col);
                if (x < 0 || x >= target.Width())
                    continue;
                unsigned v = 0;
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                    v = (src[col >> 3] >> (7 - (col & 7)) & 1) ? 255 : 0;
                else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                    v = bm.num_grays > 1 ? src[col] * 255u / (bm.num_grays - 1u) : 0;
                dst[x] = 0xFF000000u | v << 16 | v << 8 | v;
            }
        }
        return true;
    }

private:
    // A Windows font of height h has a cell (ascent + descent) of h pixels: scale the face so.
    bool SetHeight(int height) {
        if (height == 0)
            height = 16;
        height = std::clamp(std::abs(height), 1, 4096);
        double cellUnits = static_cast<double>(face->ascender - face->descender);
        double ascentUnits = face->ascender;
        if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            os2 && os2->usWinAscent + os2->usWinDescent > 0) {
            cellUnits = os2->usWinAscent + os2->usWinDescent;
            ascentUnits = os2->usWinAscent;
        }
        if (!(cellUnits > 0.0) || face->units_per_EM == 0)
            cellUnits = ascentUnits = face->units_per_EM ? face->units_per_EM : 1000;
        const double scale = height / cellUnits; // pixels per font unit
        const int pixelsPerEm =
            std::max(1, static_cast<int>(std::lround(face->units_per_EM * scale)));
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelsPerEm)) != 0)
            return false;
        lineHeight = height;
        ascent = static_cast<int>(std::lround(ascentUnits * scale));
        return true;
    }

    FT_Face face = nullptr;
    std::string file;
    int lineHeight = 0;
    int ascent = 0;
    bool embolden = false;
    bool slant = false;
    bool mono = false;
};

} // namespace

RasterSystemFontHandle RasterSystemFont::Create(const RasterFontRequest& request) {
    SharedFontState& s = Shared();
    FreeTypeFont* font = nullptr;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        if (!Acquire(s))
            return nullptr;
        font = new (std::nothrow) FreeTypeFont;
        if (!font) {
            Release(s);
            return nullptr;
        }
        if (font->Open(s, request))
            return static_cast<RasterFreeTypeFont*>(font);
    }
    delete font; // takes the lock itself to release the shared state
    return nullptr;
}

void RasterSystemFont::Delete(RasterSystemFontHandle font) {
    delete static_cast<RasterFreeTypeFont*>(font);
}

const char* RasterSystemFont::FaceFile(RasterSystemFontHandle font) {
    return font ? static_cast<RasterFreeTypeFont*>(font)->FaceFile().c_str() : "";
}

void RasterSystemFont::MakeSharedState() {
    static_cast<void>(Shared());
}

} // namespace vorlunda
