// Text drawn by the editor: the format flags and rectangles handed to the font, measuring, the
// text control, and one line drawn with a real font.
#include "EditorTestSupport.h"

#include "graphics/IBitmapControl.h"
#include "graphics/ITextControl.h"
#include "graphics/RasterFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vorlunda {
namespace {

using test::EditorFixture;
using test::TestStrip;

// A font that records what it is asked to draw and measures every character 7 x 11 pixels.
class RecordingFont : public RasterFont {
public:
    void SetSystemFont(RasterSystemFontHandle, int) override {}
    RasterPixel SetTextColour(RasterPixel argb) override {
        const RasterPixel old = colour;
        colour = argb;
        return old;
    }
    RasterPixel SetBackgroundColour(RasterPixel) override { return 0; }
    RasterPixel SetEffectColour(RasterPixel) override { return 0; }
    int SetBackgroundMode(int) override { return 1; }
    void SetCombineMode(int, float) override {}
    int RenderText(RasterBitmap* bitmap, const char* text, int, ScreenRect* rect,
                   std::uint32_t format) override {
        calls.push_back({text, *rect, format, colour, bitmap});
        if (format & kTextMeasure) {
            rect->right = rect->left + 7 * static_cast<int>(std::string(text).size());
            rect->bottom = rect->top + 11;
        }
        return 11;
    }
    int RenderTextInColour(RasterBitmap* bitmap, const char* text, int length, ScreenRect* rect,
                           std::uint32_t format, RasterPixel inColour) override {
        const RasterPixel old = SetTextColour(inColour);
        const int height = RenderText(bitmap, text, length, rect, format);
        SetTextColour(old);
        return height;
    }
    RasterPixel TextColour() const override { return colour; }
    RasterSystemFontHandle SystemFont() const override { return nullptr; }
    int LineHeight() const override { return 11; }

    struct Call {
        std::string text;
        ScreenRect rect;
        std::uint32_t format;
        RasterPixel colour;
        RasterBitmap* bitmap;
    };
    std::vector<Call> calls;
    RasterPixel colour = 0;
};

TEST(LabelText, FormatFollowsAlignmentAndColourAlpha) {
    EditorFixture f;
    f.Attach();
    RecordingFont font;
    TextStyle style;
    style.cachedFont = &font;

    EXPECT_TRUE(f.graphics->DrawLabelText(style, "Centre", {10, 20, 110, 40}));
    style.align = TextStyle::kFar;
    style.colour = {224, 255, 255, 255};
    EXPECT_TRUE(f.graphics->DrawLabelText(style, "Far", {10, 20, 110, 40}));
    style.align = TextStyle::kNear;
    style.colour = {255, 64, 96, 192};
    EXPECT_TRUE(f.graphics->DrawLabelText(style, "Near", {10, 20, 110, 40}));
    EXPECT_TRUE(f.graphics->DrawLabelText(style, "", {10, 20, 110, 40})); // nothing drawn
    EXPECT_TRUE(f.graphics->DrawLabelText(style, nullptr, {10, 20, 110, 40}));

    ASSERT_EQ(font.calls.size(), 3u);
    EXPECT_EQ(font.calls[0].format, kTextNoClip | kTextCentre);
    EXPECT_EQ(font.calls[0].colour, 0xFF000000u);
    EXPECT_EQ(font.calls[0].rect, (ScreenRect{10, 20, 110, 40}));
    EXPECT_EQ(font.calls[0].bitmap, f.graphics->SurfaceBitmap());
    EXPECT_EQ(font.calls[1].format, kTextNoClip | kTextRight | kTextUseColourAlpha);
    EXPECT_EQ(font.calls[1].colour, 0xE0FFFFFFu);
    EXPECT_EQ(font.calls[2].format, kTextNoClip);
    EXPECT_EQ(font.calls[2].colour, 0xFF4060C0u);
}

TEST(LabelText, MeasuringMovesTheRectangleToFitTheText) {
    EditorFixture f;
    f.Attach();
    RecordingFont font;
    TextStyle style;
    style.cachedFont = &font;
    ScreenRect r{100, 20, 200, 40};
    ASSERT_TRUE(f.graphics->MeasureLabelText(style, "abcd", r)); // 28 x 11
    EXPECT_EQ(r, (ScreenRect{136, 20, 164, 31}));                // centred: 150 - 14
    EXPECT_EQ(font.calls.back().format, kTextNoClip | kTextMeasure);
    style.align = TextStyle::kFar;
    r = {100, 20, 200, 40};
    f.graphics->MeasureLabelText(style, "abcd", r);
    EXPECT_EQ(r, (ScreenRect{172, 20, 200, 31}));
    style.align = TextStyle::kNear;
    r = {100, 20, 200, 40};
    f.graphics->MeasureLabelText(style, "abcd", r);
    EXPECT_EQ(r, (ScreenRect{100, 20, 128, 31}));
}

TEST(LabelText, TextControlRedrawsOnlyWhenItsTextChanges) {
    EditorFixture f;
    RecordingFont font;
    TextStyle style;
    style.cachedFont = &font;
    auto* t = f.Add<ITextControl>(ScreenRect{654, 12, 750, 26}, style, "2.0.2");
    f.Attach();
    f.PaintAll();
    ASSERT_EQ(font.calls.size(), 1u);
    EXPECT_EQ(font.calls[0].text, "2.0.2");
    t->SetText("2.0.2");
    EXPECT_FALSE(t->NeedsRedraw());
    t->SetText("");
    EXPECT_TRUE(t->NeedsRedraw());
    f.PaintAll();
    EXPECT_EQ(font.calls.size(), 1u); // an empty text draws nothing
}

TEST(LabelText, RealFontDrawsInsideItsArea) {
    EditorFixture f;
    TestStrip back = TestStrip::Plain(1080, 396, 0xFF000000u);
    f.Add<IBitmapControl>(0, 0, -1, back.strip);
    TextStyle style;
    style.SetFace("Arial");
    style.size = 14;
    style.colour = {255, 255, 255, 255};
    style.align = TextStyle::kFar;
    f.Add<ITextControl>(ScreenRect{654, 12, 750, 26}, style, "2.0.2");
    f.Attach();
    f.PaintAll();
    int lit = 0;
    int outside = 0;
    int leftmost = 1080;
    int rightmost = -1;
    for (int y = 0; y < 60; ++y) {
        for (int x = 600; x < 800; ++x) {
            if (f.Pixel(x, y) == 0xFF000000u)
                continue;
            // Right-aligned in its rectangle; the glyphs' cells may reach a
            // few pixels above and below it (the rectangle is 14 pixels high).
            const bool inside = x >= 654 && x < 750 && y >= 6 && y < 34;
            (inside ? lit : outside) += 1;
            leftmost = std::min(leftmost, x);
            rightmost = std::max(rightmost, x);
        }
    }
    EXPECT_GT(lit, 20);
    EXPECT_EQ(outside, 0);
    // "2.0.2" is about 30 pixels wide: it sits at the right end of its 96 pixels.
    EXPECT_GE(rightmost, 740);
    EXPECT_GT(leftmost, 690);
}

} // namespace
} // namespace vorlunda
