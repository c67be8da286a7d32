#pragma once

#include "graphics/ColourARGB.h"

namespace vorlunda {

class RasterFont;

// A control's text attributes. The face name holds at most 31 characters.
struct TextStyle {
    enum Style : int { kNormal = 0, kBold = 1, kItalic = 2 };
    enum Align : int { kNear = 0, kCentre = 1, kFar = 2 };
    enum Quality : int { kDefault = 0, kNonAntialiased = 1, kAntialiased = 2, kClearType = 3 };
    static constexpr int kFaceCapacity = 32; // 31 characters and the terminator

    char face[kFaceCapacity] = "Verdana";
    int size = 12; // character height in pixels
    ColourARGB colour{255, 0, 0, 0};
    ColourARGB entryBackground{255, 255, 255, 255};
    ColourARGB entryForeground{255, 0, 0, 0};
    int style = kNormal;
    int align = kCentre;
    int orientation = 0; // degrees counter-clockwise
    int quality = kDefault;
    RasterFont* cachedFont = nullptr; // borrowed from the process-wide font cache

    // Copies at most 31 characters of `name` into face.
    void SetFace(const char* name) {
        int i = 0;
        for (; name && name[i] && i < kFaceCapacity - 1; ++i)
            face[i] = name[i];
        face[i] = '\0';
    }
};

} // namespace vorlunda
