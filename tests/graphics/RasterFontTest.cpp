#include "graphics/RasterCachedFont.h"
#include "graphics/RasterFontCache.h"
#include "graphics/RasterMemBitmap.h"
#include "graphics/RasterSysBitmap.h"
#include "graphics/RasterSystemFont.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vorlunda {
namespace {

constexpr RasterPixel kBackground = 0xFF000000u; // opaque black
constexpr RasterPixel kWhite = 0xFFFFFFFFu;

// A font of its own for each test (glyph cache path), owning its system font.
std::unique_ptr<RasterCachedFont> MakeFont(const char* face, int height, int flags = 0) {
    RasterFontRequest request;
    request.face = face;
    request.height = height;
    RasterSystemFontHandle handle = RasterSystemFont::Create(request);
    if (!handle)
        return nullptr;
    return std::make_unique<RasterCachedFont>(handle, flags | kFontOwnsHandle);
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // inclusive edges
    int changed = 0;
    bool Empty() const { return changed == 0; }
};

// The pixels that differ from the background.
Box ChangedPixels(const RasterBitmap& b) {
    Box box;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if (b.Row(y)[x] == kBackground)
                continue;
            ++box.changed;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

RasterMemBitmap Canvas(int w, int h) {
    RasterMemBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Row(y)[x] = kBackground;
    return b;
}

int DrawText(RasterFont& font, RasterBitmap& b, const std::string& text, ScreenRect rect,
             std::uint32_t format) {
    // Exactly the text's bytes, no terminator: a read past the length shows under ASan.
    std::vector<char> bytes(text.begin(), text.end());
    return font.RenderText(&b, bytes.empty() ? "" : bytes.data(), static_cast<int>(bytes.size()),
                           &rect, format);
}

TEST(RasterFont, FacesResolveAndFallBack) {
    for (const char* face : {"Arial", "OCR A Extended", "No Such Face Anywhere", ""}) {
        auto font = MakeFont(face, 14);
        ASSERT_NE(font, nullptr) << face;
        EXPECT_EQ(font->LineHeight(), 14) << face;
    }
#ifndef _WIN32
    RasterFontRequest request;
    request.face = "Arial";
    RasterSystemFontHandle arial = RasterSystemFont::Create(request);
    EXPECT_NE(std::string(RasterSystemFont::FaceFile(arial)).find("LiberationSans"),
              std::string::npos)
        << RasterSystemFont::FaceFile(arial);
    RasterSystemFont::Delete(arial);
    request.face = "OCR A Extended";
    RasterSystemFontHandle ocr = RasterSystemFont::Create(request);
    EXPECT_NE(std::string(RasterSystemFont::FaceFile(ocr)).find("OCRA"), std::string::npos)
        << RasterSystemFont::FaceFile(ocr);
    RasterSystemFont::Delete(ocr);
#endif
}

TEST(RasterFont, MeasuresWithoutDrawing) {
    auto font = MakeFont("Arial", 14);
    ASSERT_NE(font, nullptr);
    RasterMemBitmap canvas = Canvas(200, 40);
    ScreenRect rect{10, 5, 10, 5};
    const char text[] = "Hello";
    EXPECT_EQ(font->RenderText(&canvas, text, -1, &rect, kTextMeasure | kTextSingleLine), 14);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 5);
    EXPECT_GT(rect.Width(), 20);
    EXPECT_LT(rect.Width(), 60);
    EXPECT_EQ(rect.Height(), 14);
    EXPECT_TRUE(ChangedPixels(canvas).Empty());
    // Two lines are twice as tall; a longer text is wider.
    ScreenRect two{0, 0, 0, 0};
    font->RenderText(nullptr, "Hello\nWorld", -1, &two, kTextMeasure);
    EXPECT_EQ(two.Height(), 28);
    ScreenRect longer{0, 0, 0, 0};
    font->RenderText(nullptr, "Hello, World", -1, &longer, kTextMeasure);
    EXPECT_GT(longer.Width(), rect.Width());
}

TEST(RasterFont, DrawsCoverageOnlyWithinTheRectangle) {
    auto font = MakeFont("Arial", 20);
    ASSERT_NE(font, nullptr);
    font->SetTextColour(kWhite);
    RasterMemBitmap canvas = Canvas(200, 60);
    // A rectangle narrower and lower than the text: clipped on both sides.
    const ScreenRect rect{30, 20, 70, 32};
    const int height = DrawText(*font, canvas, "WWWWWWWWWW", rect, kTextSingleLine);
    EXPECT_EQ(height, 20);
    const Box box = ChangedPixels(canvas);
    ASSERT_FALSE(box.Empty());
    EXPECT_GE(box.left, rect.left);
    EXPECT_LT(box.right, rect.right);
    EXPECT_GE(box.top, rect.top);
    EXPECT_LT(box.bottom, rect.bottom);
    // Without clipping the same text reaches beyond the rectangle.
    RasterMemBitmap free = Canvas(200, 60);
    DrawText(*font, free, "WWWWWWWWWW", rect, kTextSingleLine | kTextNoClip);
    const Box all = ChangedPixels(free);
    EXPECT_GT(all.right, rect.right);
    EXPECT_GT(all.bottom, rect.bottom - 1);
}

TEST(RasterFont, FullCoverageTakesTheTextColourAndAlphaTurnsOpaque) {
    auto font = MakeFont("Arial", 40);
    ASSERT_NE(font, nullptr);
    font->SetTextColour(0xFF20C040u);
    RasterMemBitmap canvas(60, 60);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            canvas.Row(y)[x] = 0x00000000u; // transparent black
    DrawText(*font, canvas, "l", {0, 0, 60, 60}, kTextSingleLine);
    int exact = 0, touched = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 60; ++x) {
            const RasterPixel p = canvas.Row(y)[x];
            if (p == 0)
                continue;
            ++touched;
            exact += p == 0xFF20C040u;
            // Alpha = 255 + (0 - 255) x (255 - g) / 256 is never below 1 where g > 0.
            EXPECT_GT(p >> 24, 0u);
        }
    }
    EXPECT_GT(exact, 20) << "the stem of an l at 40 pixels is fully covered";
    EXPECT_GE(touched, exact);
}

TEST(RasterFont, AlignmentFlagsPlaceTheText) {
    auto font = MakeFont("Arial", 16);
    ASSERT_NE(font, nullptr);
    font->SetTextColour(kWhite);
    ScreenRect measured{0, 0, 0, 0};
    font->RenderText(nullptr, "Wide", -1, &measured, kTextMeasure | kTextSingleLine);
    const ScreenRect rect{20, 10, 220, 110};
    auto boxFor = [&](std::uint32_t format) {
        RasterMemBitmap canvas = Canvas(240, 120);
        DrawText(*font, canvas, "Wide", rect, format | kTextSingleLine);
        return ChangedPixels(canvas);
    };
    const Box left = boxFor(0), centre = boxFor(kTextCentre), right = boxFor(kTextRight);
    const Box vcentre = boxFor(kTextVCentre), bottom = boxFor(kTextBottom);
    ASSERT_FALSE(left.Empty());
    const int slack = 3; // glyph side bearings
    EXPECT_NEAR(left.left, rect.left, slack);
    EXPECT_NEAR(centre.left - left.left, (rect.Width() - measured.Width()) / 2, 1);
    EXPECT_NEAR(right.left - left.left, rect.Width() - measured.Width(), 1);
    EXPECT_LE(right.right, rect.right);
    EXPECT_NEAR(vcentre.top - left.top, (rect.Height() - 16) / 2, 1);
    EXPECT_NEAR(bottom.top - left.top, rect.Height() - 16, 1);
    EXPECT_LE(bottom.bottom, rect.bottom);
}

TEST(RasterFont, CharactersAboveAsciiAndInvalidUtf8) {
    auto font = MakeFont("Arial", 20);
    ASSERT_NE(font, nullptr);
    font->SetTextColour(kWhite);
    auto draw = [&](const std::string& text) {
        RasterMemBitmap canvas = Canvas(300, 40);
        DrawText(*font, canvas, text, {0, 0, 300, 40}, kTextSingleLine);
        return ChangedPixels(canvas);
    };
    // e acute (U+00E9), Euro sign (U+20AC), a 4-byte sequence (drawn as a space).
    EXPECT_FALSE(draw("\xC3\xA9").Empty());
    EXPECT_FALSE(draw("\xE2\x82\xAC").Empty());
    EXPECT_TRUE(draw("\xF0\x9F\x8E\xB9").Empty()) << "a 4-byte sequence is a space";
    // Invalid or cut sequences at the very end of the bytes: each byte stands for itself and
    // nothing is read beyond the length.
    for (const std::string bad :
         {"A\xC3", "A\xE2\x82", "A\xF0\x9F\x8E", "\x80\xBF", "A\xFF", "\xC0\xAF", "\xED\xA0\x80"}) {
        const Box box = draw(bad);
        EXPECT_FALSE(box.Empty());
    }
    // A length that cuts a sequence in two.
    RasterMemBitmap canvas = Canvas(100, 40);
    ScreenRect rect{0, 0, 100, 40};
    EXPECT_EQ(font->RenderText(&canvas, "A\xC3\xA9", 2, &rect, kTextSingleLine), 20);
}

TEST(RasterFont, EmptyTextAndCarriageReturnsDrawNothing) {
    auto font = MakeFont("Arial", 14);
    ASSERT_NE(font, nullptr);
    font->SetTextColour(kWhite);
    RasterMemBitmap canvas = Canvas(50, 20);
    ScreenRect rect{0, 0, 50, 20};
    EXPECT_EQ(font->RenderText(&canvas, "", -1, &rect, 0), 0);
    EXPECT_EQ(font->RenderText(&canvas, "\r\r\r", -1, &rect, 0), 0);
    EXPECT_EQ(font->RenderText(&canvas, "abc", 0, &rect, 0), 0);
    EXPECT_EQ(font->RenderText(&canvas, nullptr, 3, &rect, 0), 0);
    EXPECT_EQ(font->RenderText(&canvas, "abc", 3, nullptr, 0), 0);
    EXPECT_TRUE(ChangedPixels(canvas).Empty());
    RasterMemBitmap none;
    EXPECT_EQ(font->RenderText(&none, "abc", 3, &rect, 0), 0);
}

TEST(RasterFont, ColourAlphaAndCombineAlphaWeakenTheText) {
    auto font = MakeFont("Arial", 40);
    ASSERT_NE(font, nullptr);
    auto strongest = [&](RasterPixel colour, std::uint32_t format, float alpha) {
        font->SetTextColour(colour);
        font->SetCombineMode(0, alpha);
        RasterMemBitmap canvas = Canvas(60, 60);
        DrawText(*font, canvas, "l", {0, 0, 60, 60}, kTextSingleLine | format);
        unsigned best = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x)
                best = std::max(best, canvas.Row(y)[x] >> 16 & 0xFF);
        return best;
    };
    EXPECT_EQ(strongest(kWhite, 0, 1.0f), 255u);
    // a = 128, w = min(256, 128 x 255 / 256) = 127: 255 + (0 - 255) x 129 / 256 = 255 - 128
    // (-128.5 truncated toward zero) = 127.
    EXPECT_EQ(strongest(kWhite, 0, 0.5f), 127u);
    // The colour's alpha 0x80 counts only with the flag: alpha 128 / 255 -> a = 128.
    EXPECT_EQ(strongest(0x80FFFFFFu, 0, 1.0f), 255u);
    EXPECT_EQ(strongest(0x80FFFFFFu, kTextUseColourAlpha, 1.0f), 127u);
}

TEST(RasterFont, TwoThreadsDrawOneFontEachInItsOwnColour) {
    // Cached fonts are shared by every editor of the process; each draw carries its colour.
    auto font = MakeFont("Arial", 24);
    ASSERT_NE(font, nullptr);
    auto draw = [&](RasterPixel colour, int* wrong) {
        for (int n = 0; n < 300; ++n) {
            RasterMemBitmap canvas = Canvas(40, 40);
            ScreenRect rect{0, 0, 40, 40};
            font->RenderTextInColour(&canvas, "W", 1, &rect, kTextSingleLine, colour);
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x) {
                    const RasterPixel p = canvas.Row(y)[x];
                    // Red text never has green in it, green text never red.
                    if (p != kBackground &&
                        (colour == 0xFFFF0000u ? (p >> 8 & 0xFF) != 0 : (p >> 16 & 0xFF) != 0))
                        ++*wrong;
                }
        }
    };
    int wrongRed = 0, wrongGreen = 0;
    std::thread other(draw, 0xFF00FF00u, &wrongGreen);
    draw(0xFFFF0000u, &wrongRed);
    other.join();
    EXPECT_EQ(wrongRed, 0);
    EXPECT_EQ(wrongGreen, 0);
}

TEST(RasterFont, GlyphsAboveAsciiAreKeptInOrder) {
    auto font = MakeFont("Arial", 16);
    ASSERT_NE(font, nullptr);
    RasterMemBitmap canvas = Canvas(40, 40);
    // Drawn in descending order, found again in any order (binary search).
    for (int code : {0x3A9, 0x20AC, 0xE9, 0x100, 0xE9, 0x3A9})
        EXPECT_TRUE(font->DrawGlyph(&canvas, code, 10, 10, nullptr)) << code;
    EXPECT_FALSE(font->DrawGlyph(&canvas, ' ', 10, 10, nullptr)) << "a space shows nothing";
    EXPECT_FALSE(font->DrawGlyph(nullptr, 'A', 0, 0, nullptr));
    const ScreenRect outside{0, 0, 5, 5};
    RasterMemBitmap clean = Canvas(40, 40);
    font->DrawGlyph(&clean, 'A', 10, 10, &outside);
    EXPECT_TRUE(ChangedPixels(clean).Empty()) << "clipped away";
}

TEST(RasterFont, ScratchBitmapsFollowTheLiveFonts) {
    const int before = RasterCachedFont::LiveFontCount();
    {
        auto a = MakeFont("Arial", 12, kFontPrerender);
        auto b = MakeFont("Arial", 13);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(RasterCachedFont::LiveFontCount(), before + 2);
    }
    EXPECT_EQ(RasterCachedFont::LiveFontCount(), before);
}

TEST(RasterFont, NativePathOnlyWhereTheSystemCanAndTheCallAllows) {
    auto font = MakeFont("Arial", 14, kFontPreferNative);
    ASSERT_NE(font, nullptr);
#ifdef _WIN32
    const bool native = !RasterCachedFont::RunningUnderWine();
#else
    const bool native = false;
    EXPECT_FALSE(RasterCachedFont::RunningUnderWine());
#endif
    EXPECT_EQ(font->UsesNativePath(0), native);
    EXPECT_FALSE(font->UsesNativePath(kTextUseColourAlpha));
    EXPECT_FALSE(font->UsesNativePath(kTextCorrectAlpha));
    auto cached = MakeFont("Arial", 14);
    EXPECT_FALSE(cached->UsesNativePath(0)) << "without the preference";
}

TEST(RasterFont, DrawsIntoTheSystemBitmap) {
    auto font = MakeFont("Arial", 14, kFontPreferNative);
    ASSERT_NE(font, nullptr);
    font->SetTextColour(kWhite);
    RasterSysBitmap surface(120, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            surface.Row(y)[x] = kBackground;
    ScreenRect rect{5, 5, 115, 25};
    EXPECT_EQ(font->RenderText(&surface, "Volume", -1, &rect, kTextSingleLine), 14);
    int changed = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            changed += (surface.Row(y)[x] & 0xFFFFFF) != 0;
    EXPECT_GT(changed, 20);
}

TEST(RasterFontCache, OneFontPerKeyWhateverTheQuality) {
    RasterCachedFont* a = RasterFontCache::FontFor(14, 0, 0, 0, "Arial");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(RasterFontCache::FontFor(14, 0, 0, 2, "Arial"), a) << "quality is not in the key";
    EXPECT_NE(RasterFontCache::FontFor(14, 0, 1, 0, "Arial"), a) << "style is";
    EXPECT_NE(RasterFontCache::FontFor(15, 0, 0, 0, "Arial"), a) << "size is";
    EXPECT_NE(RasterFontCache::FontFor(14, 0, 0, 0, "arial"), a) << "the face, case and all";
    EXPECT_EQ(RasterFontCache::Find(14, 0, 0, "Arial"), a);
    EXPECT_EQ(RasterFontCache::Find(14, 90, 0, "Arial"), nullptr);
    EXPECT_EQ(a->LineHeight(), 14);
    EXPECT_NE(a->SystemFont(), nullptr);
    // Insert keeps the first font for a key.
    EXPECT_EQ(RasterFontCache::Insert(14, 0, 0, "Arial", MakeFont("Arial", 14)), a);
}

} // namespace
} // namespace vorlunda
