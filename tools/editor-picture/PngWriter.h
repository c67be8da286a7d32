#pragma once

#include <string>

namespace vorlunda {

class RasterBitmap;

// Writes `bitmap` as an 8-bit RGB PNG (alpha dropped: the editor's surface is opaque) with fixed
// settings, so the same pixels always give the same bytes. False when the file cannot be written.
bool WritePng(const std::string& path, const RasterBitmap& bitmap);

} // namespace vorlunda
