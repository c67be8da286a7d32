#include "editor/EditorStyles.h"

namespace vorlunda {

namespace {

TextStyle Style(const char* face, int size, const ColourARGB& colour, int align) {
    TextStyle style;
    style.SetFace(face);
    style.size = size;
    style.colour = colour;
    style.align = align;
    return style;
}

constexpr ColourARGB kDisplayWhite{224, 255, 255, 255};
constexpr ColourARGB kProgramBlue{255, 64, 96, 192};

} // namespace

TextStyle VersionTextStyle() {
    return Style("Arial", 14, kDisplayWhite, TextStyle::kFar);
}

TextStyle VoicesTextStyle() {
    return Style("Arial", 14, kDisplayWhite, TextStyle::kFar);
}

TextStyle ProgramTextStyle() {
    return Style("OCR A Extended", 15, kProgramBlue, TextStyle::kNear);
}

} // namespace vorlunda
