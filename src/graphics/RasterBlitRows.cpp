#include "graphics/RasterBlitRows.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vorlunda {

namespace {

constexpr int Byte(RasterPixel p, int shift) {
    return static_cast<int>(p >> shift & 0xFF);
}

// d' = s + (d - s) x keep / 256 per colour channel (truncating toward zero) and the given alpha.
inline RasterPixel Mix(RasterPixel s, RasterPixel d, int keep, int alpha) {
    const int r = Byte(s, 16) + (Byte(d, 16) - Byte(s, 16)) * keep / 256;
    const int g = Byte(s, 8) + (Byte(d, 8) - Byte(s, 8)) * keep / 256;
    const int b = Byte(s, 0) + (Byte(d, 0) - Byte(s, 0)) * keep / 256;
    return static_cast<RasterPixel>(alpha) << 24 | static_cast<RasterPixel>(r) << 16 |
           static_cast<RasterPixel>(g) << 8 | static_cast<RasterPixel>(b);
}

inline RasterPixel CopySourceAlphaPixel(RasterPixel s, RasterPixel d, int a) {
    const int sa = static_cast<int>(s >> 24);
    if (sa == 0)
        return d;
    const int da = static_cast<int>(d >> 24);
    if (a == 256) {
        if (sa == 255)
            return s;
        return Mix(s, d, 255 - sa, std::min(255, sa + da));
    }
    const int w = a * (sa + 1) / 256;
    return Mix(s, d, 256 - w, std::min(255, w + da));
}

#if defined(__SSE2__)
// Two pixels in 16-bit lanes (blue, green, red, alpha, blue, ...). keep holds each pixel's
// keep factor in all its lanes, alphaOut the alpha result in the alpha lanes (saturated on
// packing). The truncating division of a signed product is done on magnitudes: the positive and
// negative differences are scaled separately, each fitting 16 unsigned bits (255 x 256).
inline __m128i MixLanes(__m128i s, __m128i d, __m128i keep, __m128i alphaOut, __m128i alphaLanes) {
    const __m128i up = _mm_subs_epu16(d, s);
    const __m128i down = _mm_subs_epu16(s, d);
    const __m128i upScaled = _mm_srli_epi16(_mm_mullo_epi16(up, keep), 8);
    const __m128i downScaled = _mm_srli_epi16(_mm_mullo_epi16(down, keep), 8);
    const __m128i colour = _mm_sub_epi16(_mm_add_epi16(s, upScaled), downScaled);
    return _mm_or_si128(_mm_andnot_si128(alphaLanes, colour), _mm_and_si128(alphaLanes, alphaOut));
}

inline __m128i AlphaInAllLanes(__m128i lanes) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(lanes, _MM_SHUFFLE(3, 3, 3, 3)),
                               _MM_SHUFFLE(3, 3, 3, 3));
}

inline __m128i FourPixels(__m128i s, __m128i d, int a) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    __m128i halves[2];
    for (int half = 0; half < 2; ++half) {
        const __m128i s16 = half ? _mm_unpackhi_epi8(s, zero) : _mm_unpacklo_epi8(s, zero);
        const __m128i d16 = half ? _mm_unpackhi_epi8(d, zero) : _mm_unpacklo_epi8(d, zero);
        const __m128i sa = AlphaInAllLanes(s16);
        __m128i keep, alphaOut;
        if (a == 256) {
            keep = _mm_sub_epi16(_mm_set1_epi16(255), sa);
            alphaOut = _mm_add_epi16(sa, d16);
        } else {
            const __m128i w = _mm_srli_epi16(_mm_mullo_epi16(_mm_set1_epi16(static_cast<short>(a)),
                                                             _mm_add_epi16(sa, _mm_set1_epi16(1))),
                                             8);
            keep = _mm_sub_epi16(_mm_set1_epi16(256), w);
            alphaOut = _mm_add_epi16(w, d16);
        }
        halves[half] = MixLanes(s16, d16, keep, alphaOut, alphaLanes);
    }
    const __m128i mixed = _mm_packus_epi16(halves[0], halves[1]);
    // Fully transparent source pixels leave the destination as it was.
    const __m128i transparent =
        _mm_cmpeq_epi32(_mm_and_si128(s, _mm_set1_epi32(static_cast<int>(0xFF000000u))), zero);
    return _mm_or_si128(_mm_and_si128(transparent, d), _mm_andnot_si128(transparent, mixed));
}
#endif

} // namespace

void CopySourceAlphaRowReference(RasterPixel* dest, const RasterPixel* source, int count, int a) {
    for (int i = 0; i < count; ++i)
        dest[i] = CopySourceAlphaPixel(source[i], dest[i], a);
}

void CopySourceAlphaRowFast(RasterPixel* dest, const RasterPixel* source, int count, int a) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; i + 4 <= count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        // Images are mostly opaque or fully transparent: four of a kind skip the arithmetic.
        const __m128i alpha = _mm_and_si128(s, alphaMask);
        const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphaMask));
        const int clear = _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, _mm_setzero_si128()));
        if (clear == 0xFFFF)
            continue;
        if (opaque == 0xFFFF && a == 256) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + i), s);
            continue;
        }
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + i), FourPixels(s, d, a));
    }
#endif
    CopySourceAlphaRowReference(dest + i, source + i, count - i, a);
}

} // namespace vorlunda
