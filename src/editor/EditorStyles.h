#pragma once

#include "graphics/TextStyle.h"

namespace vorlunda {

// The editor's three text styles, all of normal style with the default entry colours (white field,
// black text).
// The version text: "Arial" 14, near-white, right-aligned.
TextStyle VersionTextStyle();
// The polyphony display: the same.
TextStyle VoicesTextStyle();
// The program number and name: "OCR A Extended" 15, blue, left-aligned.
TextStyle ProgramTextStyle();

} // namespace vorlunda
