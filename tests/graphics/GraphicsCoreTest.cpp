// The editor's core with a headless window: hit-testing, redraw tracking, painting from frame
// strips, values from the plug-in, attaching and bad input.
#include "EditorTestSupport.h"

#include "graphics/IBitmapControl.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/RasterBitmapCache.h"
#include "graphics/RasterBlit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vorlunda {
namespace {

using test::EditorFixture;
using test::EditorTestPlugin;
using test::HeadlessWindow;
using test::RecordingControl;
using test::TestStrip;

TEST(GraphicsHitTest, TopmostOverlappingControlWins) {
    EditorFixture f;
    auto* background = f.Add<RecordingControl>(ScreenRect{0, 0, 1080, 396});
    auto* lower = f.Add<RecordingControl>(ScreenRect{10, 10, 60, 60});
    auto* upper = f.Add<RecordingControl>(ScreenRect{40, 40, 90, 90});
    f.Attach();

    f.window->Press(50, 50); // inside both: the later one is on top
    f.window->Release(50, 50);
    EXPECT_EQ(upper->events, "DU");
    EXPECT_EQ(lower->events, "");

    f.window->Press(20, 20);
    f.window->Release(20, 20);
    EXPECT_EQ(lower->events, "DU");

    f.window->Press(500, 300);
    f.window->Release(500, 300);
    EXPECT_EQ(background->events, "DU");
}

TEST(GraphicsHitTest, HiddenAndGreyedControlsAreSkipped) {
    EditorFixture f;
    auto* lower = f.Add<RecordingControl>(ScreenRect{10, 10, 60, 60});
    auto* upper = f.Add<RecordingControl>(ScreenRect{10, 10, 60, 60});
    f.Attach();

    upper->SetGrayed(true);
    f.window->Press(20, 20);
    EXPECT_EQ(lower->events, "D");
    upper->SetGrayed(false);
    upper->SetHidden(true);
    f.window->Press(20, 20);
    EXPECT_EQ(lower->events, "DD");
    EXPECT_EQ(upper->events, "");
    // The right and bottom edges are outside.
    upper->SetHidden(false);
    f.window->Press(60, 20);
    f.window->Press(20, 60);
    EXPECT_EQ(upper->events, "");
}

TEST(GraphicsHitTest, EventsOutsideTheEditorReachNothing) {
    EditorFixture f;
    auto* wide = f.Add<RecordingControl>(ScreenRect{-50, -50, 2000, 2000});
    f.Attach();
    f.window->Press(-1, 5);
    f.window->Press(5, 396);
    f.window->DoubleClick(1080, 5);
    f.window->Wheel(-3, -3, 1);
    EXPECT_FALSE(f.window->Key(5000, 5, kKeyUp));
    EXPECT_EQ(wide->events, "");
    EXPECT_EQ(f.graphics->CaptureIndex(), -1);
}

TEST(GraphicsRedraw, OnlyDirtyControlsAreRedrawnAndShown) {
    EditorFixture f;
    auto* background = f.Add<RecordingControl>(ScreenRect{0, 0, 1080, 396});
    auto* a = f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50});
    auto* b = f.Add<RecordingControl>(ScreenRect{200, 100, 240, 140});
    auto* c = f.Add<RecordingControl>(ScreenRect{600, 300, 640, 340});
    f.Attach();

    f.PaintAll(); // the first paint draws everything
    EXPECT_EQ(f.window->shown.back(), (ScreenRect{0, 0, 1080, 396}));
    EXPECT_EQ(a->renders, 1);
    EXPECT_EQ(c->renders, 1);

    ScreenRect area;
    EXPECT_FALSE(f.graphics->FindDirtyArea(area));

    b->MarkDirty(false);
    f.PaintAll();
    EXPECT_EQ(f.window->shown.back(), (ScreenRect{200, 100, 240, 140}));
    EXPECT_EQ(b->renders, 2);
    EXPECT_EQ(background->renders, 2); // beneath b
    EXPECT_EQ(a->renders, 1);
    EXPECT_EQ(c->renders, 1);

    // Two dirty controls: the smallest rectangle holding both.
    a->MarkDirty(false);
    b->MarkDirty(false);
    ASSERT_TRUE(f.graphics->FindDirtyArea(area));
    EXPECT_EQ(area, (ScreenRect{10, 10, 240, 140}));
}

TEST(GraphicsRedraw, ValueChangesDrawOnTwoPaints) {
    EditorFixture f;
    auto* a = f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50}, EditorTestPlugin::kLevel);
    f.Attach();
    f.PaintAll();
    a->ApplyHostValue(0.9);
    f.PaintAll();
    f.PaintAll();
    f.PaintAll();
    EXPECT_EQ(a->renders, 3); // first paint, then the change twice
}

TEST(GraphicsRedraw, IdleHookAfterTwentyOneQuietTicks) {
    EditorFixture f;
    f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50});
    f.Attach();
    f.PaintAll();
    for (int i = 0; i < 20; ++i)
        f.window->Tick();
    EXPECT_EQ(f.plugin.idleTicks, 0);
    f.window->Tick();
    EXPECT_EQ(f.plugin.idleTicks, 1);
    EXPECT_EQ(f.graphics->IdleTicks(), 0);
    for (int i = 0; i < 21; ++i)
        f.window->Tick();
    EXPECT_EQ(f.plugin.idleTicks, 2);
}

TEST(GraphicsRedraw, ClosedWindowPaintsNothing) {
    EditorFixture f;
    auto* a = f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50});
    f.Attach(false);
    ScreenRect area;
    EXPECT_TRUE(f.graphics->FindDirtyArea(area));
    EXPECT_TRUE(f.window->shown.empty());
    EXPECT_FALSE(f.graphics->PaintRegion(area)); // drawn, but nothing to show it in
    EXPECT_EQ(a->renders, 1);
}

TEST(GraphicsDrawing, ControlsDrawTheirFrameFromTheStrip) {
    EditorFixture f;
    TestStrip back = TestStrip::Plain(1080, 396, 0xFF101010u);
    TestStrip knob(20, 30, 64);
    TestStrip switchStrip(10, 10, 3, true);
    f.Add<IBitmapControl>(0, 0, -1, back.strip);
    auto* k = f.Add<IKnobMultiControl>(ScreenRect{100, 50, 120, 80}, EditorTestPlugin::kLevel,
                                       knob.strip);
    auto* s = f.Add<IBitmapControl>(300, 40, EditorTestPlugin::kMode, switchStrip.strip);
    f.Attach();
    EXPECT_EQ(s->Rect(), (ScreenRect{300, 40, 310, 50})); // one frame of a side-by-side strip
    f.PaintAll();

    // Level 0.5: frame int(63 x 0.5 + 0.5) + 1 = 33. Mode 1 of 0..2: frame 2.
    EXPECT_EQ(f.Pixel(100, 50), TestStrip::FrameColour(33));
    EXPECT_EQ(f.Pixel(119, 79), TestStrip::FrameColour(33));
    EXPECT_EQ(f.Pixel(305, 45), TestStrip::FrameColour(2));
    EXPECT_EQ(f.Pixel(99, 50), 0xFF101010u);
    EXPECT_EQ(f.Pixel(120, 80), 0xFF101010u);

    k->ApplyHostValue(1.0);
    f.PaintAll();
    EXPECT_EQ(f.Pixel(110, 60), TestStrip::FrameColour(64));
    k->ApplyHostValue(0.0);
    f.PaintAll();
    EXPECT_EQ(f.Pixel(110, 60), TestStrip::FrameColour(1));
}

TEST(GraphicsDrawing, BitmapsAreClippedToTheDrawRectangle) {
    EditorFixture f;
    TestStrip image(40, 40, 2);
    f.Add<RecordingControl>(ScreenRect{0, 0, 1080, 396});
    f.Attach();
    RasterSysBitmap* surface = f.graphics->SurfaceBitmap();
    FillRectangle(surface, 0, 0, 1080, 396, 0u, 1.0f, kBlitCopy);
    f.graphics->PaintRegion({10, 10, 20, 20}); // sets the draw rectangle
    // Frame 2 starts 40 rows down; the part left of and above the clip is cut from the source.
    f.graphics->DrawFrame(image.strip, {5, 5, 45, 45}, 2, nullptr);
    EXPECT_EQ(f.Pixel(10, 10), TestStrip::FrameColour(2));
    EXPECT_EQ(f.Pixel(19, 19), TestStrip::FrameColour(2));
    EXPECT_EQ(f.Pixel(9, 10), 0u);
    EXPECT_EQ(f.Pixel(20, 19), 0u);
    // Completely outside: nothing.
    f.graphics->DrawFrame(image.strip, {100, 100, 140, 140}, 1, nullptr);
    EXPECT_EQ(f.Pixel(110, 110), 0u);
    // Frames 0, 1 and below, and one-frame strips, draw from offset 0.
    f.graphics->PaintRegion({0, 0, 1080, 396});
    f.graphics->DrawFrame(image.strip, {0, 0, 40, 40}, 0, nullptr);
    EXPECT_EQ(f.Pixel(0, 0), TestStrip::FrameColour(1));
    f.graphics->DrawFrame(image.strip, {0, 0, 40, 40}, -7, nullptr);
    EXPECT_EQ(f.Pixel(39, 39), TestStrip::FrameColour(1));
}

TEST(GraphicsDrawing, GreyedControlDrawsAtQuarterWeight) {
    EditorFixture f;
    TestStrip back = TestStrip::Plain(1080, 396, 0xFF000000u);
    TestStrip white = TestStrip::Plain(10, 10, 0xFFFFFFFFu);
    f.Add<IBitmapControl>(0, 0, -1, back.strip);
    auto* c = f.Add<IBitmapControl>(20, 20, -1, white.strip);
    f.Attach();
    c->SetGrayed(true);
    EXPECT_FLOAT_EQ(c->Blend().weight, 0.25f);
    f.PaintAll();
    // Copy with source alpha at weight 64/256: a' = 64 x 256 / 256 = 64;
    // d = 255 + (0 - 255) x (256 - 64) / 256 = 255 - 191 = 64 per colour channel.
    EXPECT_EQ(f.Pixel(25, 25) & 0xFFFFFFu, 0x404040u);
    c->SetGrayed(false);
    f.PaintAll();
    EXPECT_EQ(f.Pixel(25, 25), 0xFFFFFFFFu);
}

class ImageEditor : public IGraphics {
public:
    using IGraphics::IGraphics;
    std::unique_ptr<RasterBitmap> LoadBitmapByName(int id, const char* name) override {
        ++loads;
        if (std::string(name) == "missing.png")
            return nullptr;
        auto b = std::make_unique<RasterMemBitmap>(30, 90 + id % 2);
        return b;
    }
    int loads = 0;
};

TEST(GraphicsImages, LoadedOnceIntoTheProcessCache) {
    EditorTestPlugin plugin;
    ImageEditor editor(plugin);
    const int id = 15001;
    BitmapStrip a = editor.LoadEditorBitmap(id, "knob.png", 3);
    BitmapStrip b = editor.LoadEditorBitmap(id, "knob.png", 3);
    EXPECT_EQ(editor.loads, 1);
    EXPECT_EQ(a.bitmap, b.bitmap);
    EXPECT_EQ(RasterBitmapCache::Find(id), a.bitmap);
    EXPECT_EQ(a.width, 30);
    EXPECT_EQ(a.height, 91);
    EXPECT_EQ(a.frames, 3);
    // An image that cannot be loaded: a strip without a bitmap, which draws nothing.
    BitmapStrip none = editor.LoadEditorBitmap(15002, "missing.png", 2);
    EXPECT_EQ(none.bitmap, nullptr);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
}

TEST(GraphicsImages, OnlyPngNamesAreLoadedFromResources) {
    EditorTestPlugin plugin;
    IGraphics editor(plugin);
    EXPECT_EQ(editor.LoadBitmapByName(15003, "resources/img/back.bmp"), nullptr);
    EXPECT_EQ(editor.LoadBitmapByName(15003, "noextension"), nullptr);
    // No PNG resource of that id in the test program.
    EXPECT_EQ(editor.LoadBitmapByName(15003, "resources/img/BACK.PNG"), nullptr);
}

TEST(GraphicsParameters, HostValueShowsAtTheNextTickWithoutEcho) {
    EditorFixture f;
    auto* a = f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50}, EditorTestPlugin::kLevel);
    auto* b = f.Add<RecordingControl>(ScreenRect{60, 10, 90, 50}, EditorTestPlugin::kLevel);
    f.Attach();
    f.PaintAll();
    f.plugin.ClearCalls();

    f.plugin.HostSets(EditorTestPlugin::kLevel, 0.75f);
    EXPECT_EQ(a->Value(), 0.5); // not before the tick
    f.PaintAll();
    EXPECT_EQ(a->Value(), 0.75);
    EXPECT_EQ(b->Value(), 0.75); // every control of the parameter
    EXPECT_EQ(a->renders, 2);
    EXPECT_TRUE(f.plugin.Automations().empty()); // nothing went back to the host
    EXPECT_EQ(f.plugin.engineTold, std::vector<int>{EditorTestPlugin::kLevel});
    // The default for double clicks stays the first value.
    EXPECT_EQ(a->DefaultValue(), 0.5);
}

TEST(GraphicsParameters, EditorChangesReachEveryControlOfTheParameter) {
    EditorFixture f;
    TestStrip knob(20, 40, 64);
    auto* a =
        f.Add<IKnobMultiControl>(ScreenRect{10, 10, 30, 50}, EditorTestPlugin::kLevel, knob.strip);
    auto* b = f.Add<RecordingControl>(ScreenRect{60, 10, 90, 50}, EditorTestPlugin::kLevel);
    f.Attach();
    f.window->Wheel(20, 20, 10);
    EXPECT_DOUBLE_EQ(a->Value(), 0.6);
    EXPECT_EQ(b->Value(), 0.5);
    f.PaintAll();
    EXPECT_DOUBLE_EQ(b->Value(), 0.6);
    // A change made on the plug-in's side through the same road (the MIDI controller map).
    f.plugin.SetParameterFromEditor(EditorTestPlugin::kLevel, 0.25);
    f.PaintAll();
    EXPECT_EQ(a->Value(), 0.25);
    EXPECT_EQ(b->Value(), 0.25);
}

TEST(GraphicsParameters, NewestHostValueWins) {
    EditorFixture f;
    auto* a = f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50}, EditorTestPlugin::kLevel);
    f.Attach();
    f.plugin.HostSets(EditorTestPlugin::kLevel, 0.1f);
    f.plugin.HostSets(EditorTestPlugin::kLevel, 0.2f);
    f.plugin.HostSets(EditorTestPlugin::kLevel, 0.3f);
    f.PaintAll();
    EXPECT_FLOAT_EQ(static_cast<float>(a->Value()), 0.3f);
}

TEST(GraphicsParameters, ProgramLoadsShowRealValuesNormalised) {
    EditorFixture f;
    auto* cutoff = f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50}, EditorTestPlugin::kCutoff);
    auto* coarse = f.Add<RecordingControl>(ScreenRect{60, 10, 90, 50}, EditorTestPlugin::kCoarse);
    f.Attach();
    {
        IPluginBase::Lock lock(f.plugin.Mutex());
        f.plugin.Parameter(EditorTestPlugin::kCutoff)->SetReal(20000.0 * 0.125 + 20.0 * 0.875);
        f.plugin.Parameter(EditorTestPlugin::kCoarse)->SetReal(32.0);
        f.plugin.ShowAllParameterValues();
    }
    f.PaintAll();
    // ((v - min) / (max - min))^(1/3) = 0.125^(1/3) = 0.5; (32 + 64) / 128 = 0.75.
    EXPECT_NEAR(cutoff->Value(), 0.5, 1e-12);
    EXPECT_EQ(coarse->Value(), 0.75);
}

TEST(GraphicsParameters, AttachingPushesValuesAndMarksTheEditor) {
    EditorFixture f;
    auto* level = f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50}, EditorTestPlugin::kLevel);
    auto* mode = f.Add<RecordingControl>(ScreenRect{60, 10, 90, 50}, EditorTestPlugin::kMode);
    EXPECT_EQ(f.plugin.Effect()->flags, 4400);
    f.Attach(false);
    EXPECT_EQ(f.plugin.Effect()->flags, 4401);
    EXPECT_EQ(f.plugin.AttachedEditor(), f.graphics);
    // At once, before any tick: these are the double-click defaults.
    EXPECT_EQ(level->Value(), 0.5);
    EXPECT_EQ(level->DefaultValue(), 0.5);
    EXPECT_EQ(mode->DefaultValue(), 0.5);
    ASSERT_NE(f.graphics->SurfaceBitmap(), nullptr);
    EXPECT_EQ(f.graphics->SurfaceBitmap()->Width(), 1080);
    EXPECT_EQ(f.graphics->SurfaceBitmap()->Height(), 396);
    EXPECT_EQ(f.plugin.EditorRect().right, 1080);
    EXPECT_EQ(f.plugin.EditorRect().bottom, 396);

    // The host opens the editor through the dispatcher.
    vst::AEffect* e = f.plugin.Effect();
    EXPECT_EQ(e->dispatcher(e, vst::effEditOpen, 0, 0, reinterpret_cast<void*>(0x77), 0.0f), 1);
    EXPECT_TRUE(f.graphics->IsWindowOpen());
    EXPECT_EQ(f.window->parent, reinterpret_cast<void*>(0x77));
    EXPECT_EQ(f.window->fps, 25);
    EXPECT_STREQ(f.graphics->GraphicsApiName(), "Headless");
    EXPECT_EQ(e->dispatcher(e, vst::effEditClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_FALSE(f.graphics->IsWindowOpen());
    EXPECT_EQ(f.graphics->ControlCount(), 2); // controls stay
}

TEST(GraphicsParameters, BadValuesAndIndicesAreIgnoredOrClamped) {
    EditorFixture f;
    auto* level = f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50}, EditorTestPlugin::kLevel);
    auto* ghost = f.Add<RecordingControl>(ScreenRect{60, 10, 90, 50}, 99);
    f.Attach();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    f.graphics->UpdateParameterControls(99, 0.5, true);
    f.graphics->UpdateParameterControls(-1, 0.5, true);
    f.graphics->UpdateParameterControls(99, 3.0, false);
    f.graphics->UpdateParameterControls(EditorTestPlugin::kLevel, nan, true);
    f.graphics->UpdateParameterControls(EditorTestPlugin::kCutoff, nan, false);
    f.PaintAll();
    EXPECT_EQ(level->Value(), 0.5);
    EXPECT_EQ(ghost->Value(), 0.0);

    f.graphics->UpdateParameterControls(EditorTestPlugin::kLevel, 1.5, true);
    f.PaintAll();
    EXPECT_EQ(level->Value(), 1.0);
    f.graphics->UpdateParameterControls(EditorTestPlugin::kLevel, -inf, true);
    f.PaintAll();
    EXPECT_EQ(level->Value(), 0.0);
    f.graphics->UpdateParameterControls(EditorTestPlugin::kLevel, 1e300, false); // real, clamped
    f.PaintAll();
    EXPECT_EQ(level->Value(), 1.0);
    level->ApplyHostValue(nan);
    level->ApplyUserValue(nan);
    EXPECT_EQ(level->Value(), 1.0);

    // A control of a parameter the plug-in lacks tells the host nothing.
    f.plugin.ClearCalls();
    f.window->Press(70, 20);
    f.window->Release(70, 20);
    ghost->MarkDirty(true);
    EXPECT_TRUE(f.plugin.Calls().empty());
}

TEST(GraphicsResize, NewSizeReplacesControlsAndSurface) {
    EditorFixture f;
    f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50});
    f.Attach();
    f.graphics->SetEditorSize(1080, 396); // the size it has: nothing
    EXPECT_EQ(f.graphics->ControlCount(), 1);
    EXPECT_EQ(f.plugin.resizes, 0);

    f.graphics->SetEditorSize(640, 200);
    EXPECT_EQ(f.graphics->ControlCount(), 0);
    EXPECT_EQ(f.graphics->SurfaceBitmap()->Width(), 640);
    EXPECT_EQ(f.window->width, 640);
    EXPECT_EQ(f.plugin.resizes, 1);
    EXPECT_EQ(f.plugin.EditorRect().right, 640);
    EXPECT_EQ(f.plugin.EditorRect().bottom, 200);
    f.graphics->SetEditorSize(0, 100);
    f.graphics->SetEditorSize(100, -5);
    EXPECT_EQ(f.graphics->Width(), 640);
    // Painting an editor without controls copies nothing.
    EXPECT_TRUE(f.graphics->PaintRegion({0, 0, 640, 200}));
}

TEST(GraphicsWindow, FailedOpenLeavesTheEditorClosed) {
    EditorFixture f;
    f.window->refuseOpen = true;
    f.Attach(false);
    EXPECT_EQ(f.graphics->OpenEditorWindow(nullptr), nullptr);
    vst::AEffect* e = f.plugin.Effect();
    EXPECT_EQ(e->dispatcher(e, vst::effEditOpen, 0, 0, nullptr, 0.0f), 0);
    EXPECT_FALSE(f.graphics->IsWindowOpen());
}

TEST(GraphicsWindow, WithoutAWindowLayerEverythingIsNeutral) {
    EditorTestPlugin plugin;
    IGraphics editor(plugin);
    EXPECT_EQ(editor.OpenEditorWindow(nullptr), nullptr);
    EXPECT_STREQ(editor.GraphicsApiName(), "");
    PopupMenu menu;
    menu.AddItem("a");
    EXPECT_EQ(editor.ShowPopupMenu(menu, {0, 0, 10, 10}), nullptr);
    EXPECT_EQ(editor.ShowMessage("x", "y", kMessageOk), kAnswerNone);
    std::string file = "old", folder;
    EXPECT_FALSE(editor.ChooseFile(file, kFileOpen, folder, "fxp"));
    EXPECT_EQ(file, "");
    EXPECT_FALSE(editor.OpenLink("http://example.invalid/", "c", nullptr, nullptr));
    std::string text = "x";
    EXPECT_FALSE(editor.ClipboardText(text));
    EXPECT_EQ(text, "");
    editor.HostFolder(text);
    EXPECT_EQ(text, "");
}

TEST(GraphicsWindow, LinksAskFirstAndReportFailure) {
    EditorFixture f;
    f.Attach();
    f.window->messageAnswer = kAnswerNo;
    EXPECT_FALSE(f.graphics->OpenLink("https://a/", "Update", "Open the page?", "Failed"));
    EXPECT_TRUE(f.window->links.empty());
    f.window->messageAnswer = kAnswerYes;
    EXPECT_TRUE(f.graphics->OpenLink("https://a/", "Update", "Open the page?", "Failed"));
    ASSERT_EQ(f.window->links.size(), 1u);
    f.window->linkOpens = false;
    f.window->messages.clear();
    EXPECT_FALSE(f.graphics->OpenLink("https://a/", "Update", nullptr, "Failed"));
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text, "Failed");
    EXPECT_EQ(f.window->messages[0].type, kMessageOk);
}

} // namespace
} // namespace vorlunda
