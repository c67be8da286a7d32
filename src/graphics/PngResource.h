#pragma once

#include "graphics/RasterMemBitmap.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vorlunda {

// Largest image the decoder accepts: 8192 pixels a side and 4 Mi pixels (16 MB) in all; the
// editor's largest image, the background, has 0.43 Mi.
constexpr int kPngMaxSide = 8192;
constexpr std::int64_t kPngMaxPixels = std::int64_t{1} << 22;

// Decodes a PNG in memory of any colour type, bit depth and interlacing into a bitmap of packed
// ARGB pixels. None for anything that is not a readable PNG within the limits. Never throws.
std::unique_ptr<RasterMemBitmap> DecodePng(const std::uint8_t* data, std::size_t size);

// The module's resource of type "PNG" with numeric id `resourceId`, decoded; none when it is
// missing, 7 bytes or shorter, or undecodable.
std::unique_ptr<RasterMemBitmap> LoadPngResource(int resourceId);

} // namespace vorlunda
