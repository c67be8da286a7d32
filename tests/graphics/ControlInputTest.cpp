// Pointer, wheel and key gestures on the standard controls through the editor's dispatch point:
// capture, gearing, fine adjustment, double clicks, switches and what the host is told.
#include "EditorTestSupport.h"

#include "graphics/IFaderControl.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/ISwitchControl.h"
#include "graphics/ISwitchPopUpControl.h"

#include <gtest/gtest.h>

namespace vorlunda {
namespace {

using test::EditorFixture;
using test::EditorTestPlugin;
using test::HeadlessWindow;
using test::RecordingControl;
using test::TestStrip;

constexpr int kBegin = vst::audioMasterBeginEdit;
constexpr int kAutomate = vst::audioMasterAutomate;
constexpr int kEnd = vst::audioMasterEndEdit;

MouseModifiers Shift() {
    MouseModifiers m = HeadlessWindow::Left();
    m.shift = true;
    return m;
}

TEST(ControlCapture, DragLeavingTheControlKeepsIt) {
    EditorFixture f;
    f.Add<RecordingControl>(ScreenRect{0, 0, 1080, 396});
    auto* c = f.Add<RecordingControl>(ScreenRect{100, 100, 140, 140}, EditorTestPlugin::kLevel);
    auto* neighbour = f.Add<RecordingControl>(ScreenRect{140, 100, 180, 140});
    f.Attach();

    f.window->Press(120, 120);
    EXPECT_TRUE(f.window->captured);
    EXPECT_EQ(f.graphics->CaptureIndex(), 1);
    f.window->Drag(160, 125); // over the neighbour
    f.window->Drag(-30, 500); // out of the editor
    f.window->Drag(-30, 500); // no movement: no drag
    EXPECT_EQ(c->events, "DMM");
    EXPECT_EQ(c->lastDX, -190);
    EXPECT_EQ(c->lastDY, 375);
    EXPECT_EQ(neighbour->events, "");
    f.window->Release(-30, 500);
    EXPECT_EQ(c->events, "DMMU");
    EXPECT_FALSE(f.window->captured);
    EXPECT_EQ(f.graphics->CaptureIndex(), -1);
    // Moving without a button reaches nobody.
    f.window->Drag(120, 120);
    EXPECT_EQ(c->events, "DMMU");
}

TEST(ControlCapture, DragsNeedTheWindowsCapture) {
    EditorFixture f;
    auto* c = f.Add<RecordingControl>(ScreenRect{100, 100, 140, 140});
    f.Attach();
    f.window->Press(120, 120);
    f.window->Send(EditorEvent::Simple(EditorEvent::kCaptureLost));
    f.window->Drag(130, 130);
    EXPECT_EQ(c->events, "D");
    f.window->Release(130, 130);
    EXPECT_EQ(c->events, "DU");
}

TEST(ControlCapture, GesturesFrameEveryEditAndOnlyForParameters) {
    EditorFixture f;
    TestStrip knob(20, 40, 64);
    auto* k = f.Add<IKnobMultiControl>(ScreenRect{100, 100, 120, 140}, EditorTestPlugin::kLevel,
                                       knob.strip);
    f.Add<RecordingControl>(ScreenRect{300, 100, 340, 140});
    f.Attach();
    f.plugin.ClearCalls();

    f.window->Press(110, 120);
    f.window->Drag(110, 110);
    f.window->Release(110, 110);
    const auto calls = f.plugin.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].opcode, kBegin);
    EXPECT_EQ(calls[1].opcode, kAutomate);
    EXPECT_FLOAT_EQ(calls[1].value, static_cast<float>(k->Value()));
    EXPECT_EQ(calls[2].opcode, kEnd);
    for (const auto& c : calls)
        EXPECT_EQ(c.index, EditorTestPlugin::kLevel);
    EXPECT_EQ(f.plugin.Real(EditorTestPlugin::kLevel), 0.5625); // 0.5 + 10 / 40 / 4

    // A middle press and release behave like the left button.
    f.plugin.ClearCalls();
    f.window->Press(110, 120, MouseModifiers{});
    f.window->Release(110, 120, MouseModifiers{});
    ASSERT_EQ(f.plugin.Calls().size(), 2u);
    EXPECT_EQ(f.plugin.Calls()[0].opcode, kBegin);
    EXPECT_EQ(f.plugin.Calls()[1].opcode, kEnd);

    // No parameter: no begin, no end.
    f.plugin.ClearCalls();
    f.window->Press(310, 120);
    f.window->Release(310, 120);
    EXPECT_TRUE(f.plugin.Calls().empty());
}

TEST(KnobControl, DragGearingAndFineAdjustment) {
    EditorFixture f;
    TestStrip knob(20, 40, 64);
    auto* k = f.Add<IKnobMultiControl>(ScreenRect{100, 100, 120, 140}, EditorTestPlugin::kLevel,
                                       knob.strip, IControl::kVertical, 4.0);
    f.Attach();
    f.window->Press(110, 120);
    f.window->Drag(110, 110); // 10 px up: 10 / 40 / 4
    EXPECT_DOUBLE_EQ(k->Value(), 0.5 + 0.0625);
    f.window->Drag(110, 100, Shift()); // gearing x 10
    EXPECT_DOUBLE_EQ(k->Value(), 0.5 + 0.0625 + 0.00625);
    f.window->Drag(400, 100); // sideways does nothing to a vertical knob
    EXPECT_DOUBLE_EQ(k->Value(), 0.5 + 0.0625 + 0.00625);
    f.window->Drag(400, 1000); // far down: clamped at 0
    EXPECT_EQ(k->Value(), 0.0);
    f.window->Release(400, 1000);
}

TEST(KnobControl, HorizontalKnobFollowsX) {
    EditorFixture f;
    TestStrip knob(50, 20, 64);
    auto* k = f.Add<IKnobMultiControl>(ScreenRect{100, 100, 150, 120}, EditorTestPlugin::kLevel,
                                       knob.strip, IControl::kHorizontal, 2.0);
    f.Attach();
    f.window->Press(110, 110);
    f.window->Drag(120, 130); // 10 px right: 10 / 50 / 2
    EXPECT_DOUBLE_EQ(k->Value(), 0.6);
}

TEST(KnobControl, WheelStepsAndDoubleClickDefault) {
    EditorFixture f;
    TestStrip knob(20, 40, 64);
    auto* k = f.Add<IKnobMultiControl>(ScreenRect{100, 100, 120, 140}, EditorTestPlugin::kLevel,
                                       knob.strip);
    f.Attach();
    f.plugin.ClearCalls();
    f.window->Wheel(110, 120, 2);
    EXPECT_DOUBLE_EQ(k->Value(), 0.52);
    MouseModifiers control;
    control.control = true;
    f.window->Wheel(110, 120, -3, control);
    EXPECT_DOUBLE_EQ(k->Value(), 0.517);
    EXPECT_EQ(f.plugin.Automations().size(), 2u);
    f.window->Wheel(110, 120, 1000);
    EXPECT_EQ(k->Value(), 1.0);

    f.window->Press(110, 120);
    f.window->Release(110, 120);
    f.window->DoubleClick(110, 120);
    EXPECT_EQ(k->Value(), 0.5); // the first value the plug-in reported
    EXPECT_FLOAT_EQ(f.plugin.Automations().back().value, 0.5f);
}

TEST(KnobControl, DoubleClickBeforeAnyValueDoesNothing) {
    EditorTestPlugin plugin;
    TestStrip knob(20, 40, 64);
    IGraphics editor(plugin);
    auto* k = editor.MakeControl<IKnobMultiControl>(&plugin, ScreenRect{0, 0, 20, 40},
                                                    EditorTestPlugin::kLevel, knob.strip);
    editor.HandleDoubleClick(5, 5, {});
    EXPECT_EQ(k->Value(), 0.0);
    EXPECT_TRUE(plugin.Calls().empty());
}

TEST(KnobControl, FrameForValue) {
    TestStrip knob(20, 40, 64);
    IKnobMultiControl k(nullptr, {0, 0, 20, 40}, -1, knob.strip);
    k.ApplyHostValue(0.5);
    EXPECT_EQ(k.FrameForValue(), 33);
    k.ApplyHostValue(0.0);
    EXPECT_EQ(k.FrameForValue(), 1);
    k.ApplyHostValue(1.0);
    EXPECT_EQ(k.FrameForValue(), 64);
}

TEST(KnobControl, DoubleClickAsClickCapturesLikeAPress) {
    EditorFixture f;
    auto* c = f.Add<RecordingControl>(ScreenRect{100, 100, 140, 140}, EditorTestPlugin::kLevel);
    c->doubleClickAsClick = true;
    f.Attach();
    f.plugin.ClearCalls();
    f.window->DoubleClick(110, 110);
    EXPECT_EQ(c->events, "D");
    EXPECT_TRUE(f.window->captured);
    f.window->Drag(110, 100);
    EXPECT_EQ(c->events, "DM");
    // No begin edit on this path.
    EXPECT_TRUE(f.plugin.Calls().empty());
}

std::vector<double> SwitchValues(int frames) {
    EditorFixture f;
    TestStrip strip(30, 20, frames);
    auto* s = f.Add<ISwitchControl>(10, 10, EditorTestPlugin::kLevel, strip.strip);
    f.Attach();
    s->ApplyUserValue(0.0);
    std::vector<double> seen{s->Value()};
    for (int i = 0; i < frames; ++i) {
        f.window->Press(15, 15, i % 2 ? HeadlessWindow::Right() : HeadlessWindow::Left());
        f.window->Release(15, 15);
        seen.push_back(s->Value());
    }
    return seen;
}

TEST(SwitchControl, StepsThroughItsFramesAndWraps) {
    EXPECT_EQ(SwitchValues(2), (std::vector<double>{0.0, 1.0, 0.0}));
    EXPECT_EQ(SwitchValues(3), (std::vector<double>{0.0, 0.5, 1.0, 0.0}));
    const auto four = SwitchValues(4);
    ASSERT_EQ(four.size(), 5u);
    EXPECT_DOUBLE_EQ(four[1], 1.0 / 3);
    EXPECT_DOUBLE_EQ(four[2], 2.0 / 3);
    EXPECT_EQ(four[3], 1.0); // the last frame: wrapping starts only above 1.001
    EXPECT_EQ(four[4], 0.0);
}

TEST(SwitchControl, FrameFollowsTheValueAndDoubleClickStepsTwice) {
    EditorFixture f;
    TestStrip strip(30, 20, 3);
    auto* s = f.Add<ISwitchControl>(10, 10, EditorTestPlugin::kMode, strip.strip);
    f.Attach();
    f.PaintAll();
    EXPECT_EQ(f.Pixel(20, 20), TestStrip::FrameColour(2)); // "Mid"
    f.window->Press(20, 20);
    f.window->Release(20, 20);
    f.PaintAll();
    EXPECT_EQ(f.Pixel(20, 20), TestStrip::FrameColour(3));
    EXPECT_EQ(f.plugin.Real(EditorTestPlugin::kMode), 2.0);
    f.window->Press(20, 20);
    f.window->Release(20, 20);
    f.window->DoubleClick(20, 20);
    EXPECT_EQ(s->Value(), 0.5); // 1 -> 0 -> 0.5
}

TEST(SwitchPopUpControl, MenuChoiceSetsTheParameter) {
    EditorFixture f;
    TestStrip strip(40, 20, 4);
    auto* s = f.Add<ISwitchPopUpControl>(200, 100, EditorTestPlugin::kWave, strip.strip);
    f.Attach();
    f.plugin.ClearCalls();
    std::vector<std::string> labels;
    std::vector<bool> checked;
    f.window->onMenu = [&](const PopupMenu& menu) {
        for (int i = 0; i < menu.ItemCount(); ++i) {
            labels.push_back(menu.ItemLabel(i));
            checked.push_back(menu.Item(i)->IsChecked());
        }
        return menu.CommandOf(2); // "Pulse"
    };
    f.window->Press(210, 110);
    f.window->Release(210, 110);
    EXPECT_EQ(labels, (std::vector<std::string>{"Saw", "Square", "Pulse", "Noise"}));
    EXPECT_EQ(checked, (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(f.window->menuRect, s->Rect()); // a control with display texts: its own rectangle
    EXPECT_DOUBLE_EQ(s->Value(), 2.0 / 3);
    EXPECT_EQ(f.plugin.Real(EditorTestPlugin::kWave), 2.0);
    const auto calls = f.plugin.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().opcode, kBegin);
    EXPECT_EQ(calls.back().opcode, kEnd);

    // Dismissed: nothing changes.
    f.window->onMenu = [](const PopupMenu&) { return 0; };
    f.window->Press(210, 110);
    f.window->Release(210, 110);
    EXPECT_DOUBLE_EQ(s->Value(), 2.0 / 3);
    EXPECT_EQ(f.window->menusShown, 2);
}

TEST(FaderControl, PressSnapsAndClamps) {
    EditorFixture f;
    TestStrip handle(27, 23, 1);
    // A vertical fader of 135 pixels' travel (handle included) with a 23-pixel handle.
    auto* v = f.Add<IFaderControl>(ScreenRect{770, 238, 797, 373}, EditorTestPlugin::kLevel,
                                   handle.strip, 135, 23, IControl::kVertical, false);
    f.Attach();
    // value = 1 - (y - top - 11) / 112
    f.window->Press(780, 238 + 11 + 28);
    EXPECT_DOUBLE_EQ(v->Value(), 0.75);
    f.window->Drag(780, 238 + 11 + 112);
    EXPECT_DOUBLE_EQ(v->Value(), 0.0);
    f.window->Drag(780, 100); // above the top end
    EXPECT_EQ(v->Value(), 1.0);
    f.window->Release(780, 100);
    EXPECT_EQ(v->HandleRect(), (ScreenRect{770, 238, 797, 261}));
    v->ApplyUserValue(0.0);
    EXPECT_EQ(v->HandleRect(), (ScreenRect{770, 350, 797, 373}));
}

TEST(FaderControl, OnlyHandleIsHitAndWheelSteps) {
    EditorFixture f;
    TestStrip handle(20, 20, 1);
    auto* h = f.Add<IFaderControl>(ScreenRect{365, 106, 445, 126}, EditorTestPlugin::kLevel,
                                   handle.strip, 80, 20, IControl::kHorizontal, true);
    f.Attach();
    // Level 0.5: handle moved right by int(60 x 0.5) = 30.
    EXPECT_EQ(h->HandleRect(), (ScreenRect{395, 106, 415, 126}));
    EXPECT_FALSE(h->HitTest(370, 110));
    EXPECT_TRUE(h->HitTest(395, 110));
    EXPECT_FALSE(h->HitTest(415, 110));
    f.window->Wheel(400, 110, 2);
    EXPECT_DOUBLE_EQ(h->Value(), 0.52);
    MouseModifiers control;
    control.control = true;
    f.window->Wheel(400, 110, 2, control);
    EXPECT_DOUBLE_EQ(h->Value(), 0.522);
    // Drawn at the handle's place.
    f.PaintAll();
    EXPECT_EQ(f.Pixel(h->HandleRect().left, 110), TestStrip::FrameColour(1));
}

TEST(ControlKeys, KeysGoToControlsButNeverToTheBackground) {
    EditorFixture f;
    auto* background = f.Add<RecordingControl>(ScreenRect{0, 0, 1080, 396});
    auto* c = f.Add<RecordingControl>(ScreenRect{100, 100, 140, 140});
    background->takesKeys = true;
    f.Attach();
    EXPECT_FALSE(f.window->Key(10, 10, kKeyUp));
    EXPECT_EQ(background->events, "");
    EXPECT_FALSE(f.window->Key(110, 110, kKeyLetterA)); // taken by nobody: on to the host
    EXPECT_EQ(c->lastKey, kKeyLetterA);
    c->takesKeys = true;
    EXPECT_TRUE(f.window->Key(110, 110, static_cast<KeyCode>(kKeyDigit0 + 7)));
}

TEST(ControlWheel, GoesToTheCapturedControl) {
    EditorFixture f;
    auto* a = f.Add<RecordingControl>(ScreenRect{100, 100, 140, 140});
    auto* b = f.Add<RecordingControl>(ScreenRect{200, 100, 240, 140});
    f.Attach();
    f.window->Press(110, 110);
    f.window->Wheel(210, 110, 3);
    EXPECT_EQ(a->notches, 3);
    EXPECT_EQ(b->notches, 0);
    f.window->Release(110, 110);
    f.window->Wheel(210, 110, -1);
    EXPECT_EQ(b->notches, -1);
}

} // namespace
} // namespace vorlunda
