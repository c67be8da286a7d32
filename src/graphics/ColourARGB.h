#pragma once

#include <cstdint>

namespace vorlunda {

// An editor colour: alpha, red, green and blue, each 0..255. The bitmap layer takes colours
// packed into one pixel value, alpha << 24 | red << 16 | green << 8 | blue (not premultiplied).
struct ColourARGB {
    int alpha = 255;
    int red = 0;
    int green = 0;
    int blue = 0;

    constexpr std::uint32_t Packed() const {
        return static_cast<std::uint32_t>(alpha & 0xFF) << 24 |
               static_cast<std::uint32_t>(red & 0xFF) << 16 |
               static_cast<std::uint32_t>(green & 0xFF) << 8 |
               static_cast<std::uint32_t>(blue & 0xFF);
    }
    static constexpr ColourARGB FromPacked(std::uint32_t argb) {
        return {static_cast<int>(argb >> 24), static_cast<int>((argb >> 16) & 0xFF),
                static_cast<int>((argb >> 8) & 0xFF), static_cast<int>(argb & 0xFF)};
    }
    friend constexpr bool operator==(const ColourARGB&, const ColourARGB&) = default;
};

} // namespace vorlunda
