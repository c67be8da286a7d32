// The editor's layout: its 79 controls in drawing order, their classes, geometry and gearing, the
// images they draw from, and which parameter each one edits.
#include "EditorRig.h"

#include "editor/EditorImages.h"
#include "editor/ITKFaderHControl.h"
#include "editor/ITKFaderVControl.h"
#include "editor/ITKOptionMenu.h"
#include "editor/ITKPresetMenu.h"
#include "editor/ITKSettingsControl.h"
#include "editor/ITKSwitchMidiLearn.h"
#include "editor/ITKUtilityKick.h"
#include "editor/ITKVoiceControl.h"
#include "engine/ParameterTable.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/ISwitchPopUpControl.h"
#include "graphics/ITextControl.h"
#include "graphics/RasterBitmap.h"

#include <gtest/gtest.h>

#include <set>

namespace vorlunda::test {
namespace {

bool SameRect(const ScreenRect& r, int left, int top, int right, int bottom) {
    return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

TEST(EditorLayout, SeventyNineControlsWithTheBackgroundFirstAndEveryOtherInsideTheEditor) {
    EditorRig rig;
    ASSERT_EQ(rig.graphics->ControlCount(), 79);
    EXPECT_EQ(rig.graphics->Width(), 1080);
    EXPECT_EQ(rig.graphics->Height(), 396);
    auto* back = dynamic_cast<IBitmapControl*>(rig.Control(1));
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(SameRect(back->Rect(), 0, 0, 1080, 396));
    EXPECT_EQ(back->ParamIndex(), -1);
    EXPECT_EQ(back->FrameForValue(), 1);
    for (int n = 2; n <= 79; ++n) {
        const ScreenRect& r = rig.Control(n)->Rect();
        EXPECT_FALSE(r.IsEmpty()) << "control " << n;
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 1080 && r.bottom <= 396)
            << "control " << n << " at " << r.left << ", " << r.top << ", " << r.right << ", "
            << r.bottom;
    }
}

TEST(EditorLayout, KnobsAndRotarySwitchesOccupyOneFrameOfTheirImageAtTheirPosition) {
    EditorRig rig;
    const std::vector<IControl*> portamento = rig.ControlsOf(kPortamento);
    ASSERT_EQ(portamento.size(), 1u);
    EXPECT_TRUE(SameRect(portamento[0]->Rect(), 17, 127, 81, 191)); // large knob, 64 x 64
    const std::vector<IControl*> volume = rig.ControlsOf(kVolume);
    ASSERT_EQ(volume.size(), 1u);
    EXPECT_TRUE(SameRect(volume[0]->Rect(), 10, 29, 40, 59)); // small knob, 30 x 30
    const std::vector<IControl*> poles = rig.ControlsOf(kFilterPoles);
    ASSERT_EQ(poles.size(), 1u);
    EXPECT_TRUE(SameRect(poles[0]->Rect(), 136, 247, 200, 311)); // four-way rotary, 64 x 64
}

TEST(EditorLayout, FadersTakeTheirGeometryFromTheirPosition) {
    EditorRig rig;
    // Horizontal at (373, 107): (x - 8, y - 1, x + 72, y - 1 + 20), 80 pixels of travel.
    auto* delay = dynamic_cast<ITKFaderHControl*>(rig.ControlsOf(kLfoDelay).at(0));
    ASSERT_NE(delay, nullptr);
    EXPECT_TRUE(SameRect(delay->Rect(), 365, 106, 445, 126));
    // Vertical at x 767: (x + 3, 238, x + 3 + 27, 373), 135 pixels of travel.
    auto* eq100 = dynamic_cast<ITKFaderVControl*>(rig.ControlsOf(kEq100).at(0));
    ASSERT_NE(eq100, nullptr);
    EXPECT_TRUE(SameRect(eq100->Rect(), 770, 238, 797, 373));
    // At 0 dB (the middle) the 23-pixel handle sits int(112 x 0.5) = 56 below the top.
    rig.graphics->ApplyParameterValue(kEq100, 0.5, true);
    EXPECT_TRUE(SameRect(eq100->HandleRect(), 770, 294, 797, 317));
    rig.graphics->ApplyParameterValue(kLfoDelay, 1.0, true);
    EXPECT_TRUE(SameRect(delay->HandleRect(), 425, 106, 445, 126));
}

TEST(EditorLayout, ControlsAreOfTheirClassesInDrawingOrder) {
    EditorRig rig;
    EXPECT_NE(dynamic_cast<ITKPresetMenu*>(rig.Control(2)), nullptr);
    auto* previous = dynamic_cast<ITKUtilityKick*>(rig.Control(3));
    auto* next = dynamic_cast<ITKUtilityKick*>(rig.Control(4));
    ASSERT_TRUE(previous && next);
    EXPECT_EQ(previous->ParamIndex(), -82);
    EXPECT_EQ(next->ParamIndex(), -83);
    EXPECT_EQ(rig.Control(5)->ParamIndex(), -85);
    EXPECT_NE(dynamic_cast<ITKOptionMenu*>(rig.Control(5)), nullptr);
    auto* version = dynamic_cast<ITextControl*>(rig.Control(6));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->Text(), "2.0.2");
    EXPECT_NE(dynamic_cast<ITKVoiceControl*>(rig.Control(7)), nullptr);
    EXPECT_EQ(rig.Control(8)->ParamIndex(), -81);
    EXPECT_NE(dynamic_cast<ITKSettingsControl*>(rig.Control(8)), nullptr);
    auto* learn = dynamic_cast<ITKSwitchMidiLearn*>(rig.Control(9));
    ASSERT_NE(learn, nullptr);
    EXPECT_EQ(learn->ParamIndex(), -86);
    EXPECT_TRUE(SameRect(learn->Rect(), 1028, 59, 1059, 73));
    EXPECT_TRUE(learn->LearnImage());
    EXPECT_EQ(learn->Value(), 0.0);
    EXPECT_EQ(rig.plugin->presetMenu, rig.Control(2));
    EXPECT_EQ(rig.plugin->learnSwitch, rig.Control(9));
    // Popup switches: the two LFO shapes and the sync selector.
    for (int p : {kLfoOscShape, kLfoFilterShape, kOscSync})
        EXPECT_NE(dynamic_cast<ISwitchPopUpControl*>(rig.ControlsOf(p).at(0)), nullptr) << p;
    // The last 20 controls are the footage buttons, saw first.
    EXPECT_EQ(rig.Control(60)->ParamIndex(), kSaw16);
    EXPECT_EQ(rig.Control(64)->ParamIndex(), kSquare16);
    EXPECT_EQ(rig.Control(79)->ParamIndex(), kMulti2);
    EXPECT_TRUE(SameRect(rig.Control(61)->Rect(), 48, 353, 80, 373));
}

TEST(EditorLayout, KnobsGearFourExceptTheRotarySwitchesWhichGearOne) {
    EditorRig rig;
    int knobs = 0;
    for (int i = 0; i < rig.graphics->ControlCount(); ++i) {
        auto* knob = dynamic_cast<IKnobMultiControl*>(rig.graphics->Control(i));
        if (!knob)
            continue;
        ++knobs;
        const bool rotary = knob->ParamIndex() == kRepeat || knob->ParamIndex() == kFilterPoles;
        EXPECT_EQ(knob->Gearing(), rotary ? 1.0 : 4.0) << "parameter " << knob->ParamIndex();
    }
    EXPECT_EQ(knobs, 28); // 6 small, 20 large, 2 rotary switches
}

TEST(EditorLayout, EveryParameterHasExactlyOneControlExceptThoseOfTheMenuAndTheHost) {
    EditorRig rig;
    const std::set<int> withoutControl = {kBendRange,        kSyncRate,      kWheelToFm,
                                          kWheelToFilterMod, kWheelToCutoff, kChorusLfo1,
                                          kChorusLfo2,       kChorusDepth};
    for (int p = 0; p < Vorlunda2::kParameterCount; ++p) {
        const std::size_t expected = withoutControl.count(p) ? 0u : 1u;
        EXPECT_EQ(rig.ControlsOf(p).size(), expected) << "parameter " << p;
    }
}

TEST(EditorLayout, AllNineteenImagesAreLoadedWithTheirSizes) {
    EditorRig rig;
    for (const EditorImage& image : kEditorImages) {
        const BitmapStrip strip = rig.graphics->LoadEditorBitmap(image.id, image.name);
        ASSERT_NE(strip.bitmap, nullptr) << image.name;
        EXPECT_EQ(strip.width, image.width) << image.name;
        EXPECT_EQ(strip.height, image.height) << image.name;
        EXPECT_EQ(strip.height % image.frames, 0) << image.name;
    }
}

TEST(EditorLayout, ControlsShowTheCurrentProgramOnceAttached) {
    EditorRig rig;
    for (int i = 0; i < rig.graphics->ControlCount(); ++i) {
        IControl* c = rig.graphics->Control(i);
        if (c->ParamIndex() < 0)
            continue;
        IPluginBase::Lock lock(rig.plugin->Mutex());
        EXPECT_NEAR(c->Value(), rig.plugin->Parameter(c->ParamIndex())->ToNormalised(), 1e-12)
            << "parameter " << c->ParamIndex();
    }
}

} // namespace
} // namespace vorlunda::test
