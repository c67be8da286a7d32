#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorlunda {

// A PNG decoded from memory into 8-bit RGBA pixels, rows top to bottom. Every PNG colour type
// and bit depth is expanded (palette, grey, transparency, 16-bit) to that one layout.
class PngImage {
public:
    // Answers false, leaving the image empty, for anything that is not a readable PNG.
    bool Decode(const std::uint8_t* data, std::size_t size);

    int Width() const { return width; }
    int Height() const { return height; }
    const std::vector<std::uint8_t>& Pixels() const { return pixels; } // R, G, B, A per pixel

private:
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

} // namespace vorlunda
