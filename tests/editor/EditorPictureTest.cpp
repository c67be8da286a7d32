// The editor as a picture: program 0 of factory bank 2 against the committed docs/editor.png (made
// by tools/editor-picture), and programs at the ends of every range drawn from valid frames.
#include "EditorRig.h"
#include "PngWriter.h"

#include "editor/EditorLayout.h"
#include "engine/ParameterTable.h"
#include "graphics/IFaderControl.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/PngResource.h"
#include "graphics/RasterMemBitmap.h"
#include "support/EditorReference.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>

namespace vorlunda::test {
namespace {

std::unique_ptr<RasterMemBitmap> ReadPng(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    return DecodePng(bytes.data(), bytes.size());
}

TEST(EditorPicture, FactoryBank2Program0MatchesTheReferencePicture) {
    EditorRig rig;
    ASSERT_TRUE(ShowFactoryProgram(*rig.plugin, 2, 0));
    const std::unique_ptr<RasterMemBitmap> picture = DrawEditorPicture(*rig.plugin);
    ASSERT_NE(picture, nullptr);
    const std::unique_ptr<RasterMemBitmap> reference = ReadPng(VORLUNDA_EDITOR_REFERENCE);
    ASSERT_NE(reference, nullptr) << VORLUNDA_EDITOR_REFERENCE;
    ASSERT_EQ(reference->Width(), 1080);
    ASSERT_EQ(reference->Height(), 396);

    const ReferenceDifference d = CompareWithReference(picture->Row(0), picture->RowSpan(),
                                                       reference->Row(0), reference->RowSpan());
    // Everything but text is drawn from the images by our own blits: the same to 2 levels.
    EXPECT_EQ(d.panelOff, 0);
#ifndef _WIN32
    // Text: on average within 6 levels (a different antialiasing moves edge pixels only).
    EXPECT_LE(d.textMean, 6.0);
#endif
    if (::testing::Test::HasFailure())
        WritePng(TemporaryRoot() + "/editor-actual.png", *picture);
}

// Every control draws a frame of its strip, and every fader's handle stays on its track.
void ExpectValidFrames(EditorRig& rig, const char* what) {
    rig.graphics->ApplyPendingParameterValues();
    for (int i = 0; i < rig.graphics->ControlCount(); ++i) {
        IControl* c = rig.graphics->Control(i);
        EXPECT_TRUE(c->Value() >= 0.0 && c->Value() <= 1.0) << what << ", control " << i + 1;
        if (auto* knob = dynamic_cast<IKnobMultiControl*>(c)) {
            // 64-frame knobs, and the three- and four-way rotary switches.
            const int p = knob->ParamIndex();
            const int frames = p == kRepeat ? 3 : (p == kFilterPoles ? 4 : 64);
            EXPECT_GE(knob->FrameForValue(), 1) << what << ", control " << i + 1;
            EXPECT_LE(knob->FrameForValue(), frames) << what << ", control " << i + 1;
        } else if (auto* bitmap = dynamic_cast<IBitmapControl*>(c)) {
            EXPECT_GE(bitmap->FrameForValue(), 1) << what << ", control " << i + 1;
            EXPECT_LE(bitmap->FrameForValue(), bitmap->Strip().frames) << what << ", " << i + 1;
        } else if (auto* fader = dynamic_cast<IFaderControl*>(c)) {
            const ScreenRect h = fader->HandleRect();
            const ScreenRect& r = c->Rect();
            EXPECT_TRUE(h.left >= r.left && h.right <= r.right && h.top >= r.top &&
                        h.bottom <= r.bottom)
                << what << ", fader " << i + 1;
        }
    }
    EXPECT_NE(DrawEditorPicture(*rig.plugin), nullptr);
}

TEST(EditorPicture, AProgramAtTheExtremesDrawsEveryControlAtAValidFrame) {
    EditorRig rig;
    for (const bool highest : {false, true}) {
        {
            IPluginBase::Lock lock(rig.plugin->Mutex());
            for (int p = 0; p < rig.plugin->ParameterCount(); ++p) {
                PlugParam* param = rig.plugin->Parameter(p);
                param->SetReal(highest ? param->Maximum() : param->Minimum());
                rig.plugin->ParameterChanged(p);
            }
            rig.plugin->ShowAllParameterValues();
        }
        ExpectValidFrames(rig, highest ? "maximum" : "minimum");
    }
    // Values from the host beyond the ends, and garbage, are held to the range.
    for (int p = 0; p < rig.plugin->ParameterCount(); ++p) {
        rig.graphics->UpdateParameterControls(p, p % 2 ? 7.5 : -3.0, true);
        rig.graphics->UpdateParameterControls(p, std::numeric_limits<double>::quiet_NaN(), false);
    }
    ExpectValidFrames(rig, "beyond the range");
}

TEST(EditorPicture, TheToolsRendererNeedsAnEditor) {
    Vorlunda2 withoutEditor;
    EXPECT_EQ(DrawEditorPicture(withoutEditor), nullptr);
    EXPECT_FALSE(ShowFactoryProgram(withoutEditor, 3, 0));
    EXPECT_FALSE(ShowFactoryProgram(withoutEditor, 2, 64));
}

} // namespace
} // namespace vorlunda::test
