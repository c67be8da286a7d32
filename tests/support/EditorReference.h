#pragma once
// The editor's committed picture (docs/editor.png: a fresh instance, program 0 of factory bank 2)
// as a reference for pictures of the editor drawn elsewhere: headless, in an X11 window, or by
// the Windows DLL under wine. Header only and free of project types, so the Windows test host
// uses it as well as the unit tests.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace vorlunda::test {

constexpr int kReferenceWidth = 1080;
constexpr int kReferenceHeight = 396;

// Where text is drawn: the version, the polyphony display and the program number and name.
// Antialiased text may differ by a few levels with another FreeType, and entirely with the
// system's text renderer under Windows.
struct ReferenceArea {
    int left, top, right, bottom;
};
inline constexpr ReferenceArea kReferenceTextAreas[] = {
    {654, 12, 750, 26}, {92, 10, 169, 20}, {822, 44, 840, 62}, {848, 44, 1004, 62}};
// Glyphs reach outside their rectangles (no clipping): 14-pixel text in a 10-pixel box.
constexpr int kTextSideMargin = 8; // pixels
constexpr int kTextTopMargin = 4;
constexpr int kTextBottomMargin = 10;

inline bool InReferenceTextArea(int x, int y) {
    for (const ReferenceArea& r : kReferenceTextAreas) {
        if (x >= r.left - kTextSideMargin && x < r.right + kTextSideMargin &&
            y >= r.top - kTextTopMargin && y < r.bottom + kTextBottomMargin)
            return true;
    }
    return false;
}

// The largest difference of the red, green and blue levels of two 0xAARRGGBB pixels.
inline int ChannelDifference(std::uint32_t a, std::uint32_t b) {
    int most = 0;
    for (int shift : {16, 8, 0})
        most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                       static_cast<int>((b >> shift) & 0xFF)));
    return most;
}

struct ReferenceDifference {
    long long panelOff = 0; // pixels outside the text areas more than 2 levels away
    double textMean = 0.0;  // mean channel difference inside the text areas
};

// Compares two pictures of kReferenceWidth x kReferenceHeight pixels, rows of `stride` pixels.
inline ReferenceDifference CompareWithReference(const std::uint32_t* picture, int pictureStride,
                                                const std::uint32_t* reference,
                                                int referenceStride) {
    ReferenceDifference result;
    long long textSum = 0, textPixels = 0;
    for (int y = 0; y < kReferenceHeight; ++y) {
        for (int x = 0; x < kReferenceWidth; ++x) {
            const int d = ChannelDifference(picture[y * pictureStride + x],
                                            reference[y * referenceStride + x]);
            if (InReferenceTextArea(x, y)) {
                textSum += d;
                ++textPixels;
            } else if (d > 2) {
                ++result.panelOff;
            }
        }
    }
    result.textMean =
        textPixels ? static_cast<double>(textSum) / static_cast<double>(textPixels) : 0.0;
    return result;
}

} // namespace vorlunda::test
