// The PNG decoder on arbitrary bytes: it either refuses them or yields a bitmap of the size the
// header states, within the decoder's limits, every pixel of which can be read.
#include "graphics/PngResource.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorlunda;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bitmap = DecodePng(data, size);
    if (!bitmap)
        return 0;
    if (bitmap->Width() < 1 || bitmap->Height() < 1 || bitmap->Width() > kPngMaxSide ||
        bitmap->Height() > kPngMaxSide ||
        static_cast<std::int64_t>(bitmap->Width()) * bitmap->Height() > kPngMaxPixels)
        std::abort();
    // Touch every pixel, so a short allocation shows under AddressSanitizer.
    RasterPixel sum = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x)
            sum += bitmap->Row(y)[x];
    volatile RasterPixel sink = sum;
    (void)sink;
    return 0;
}
