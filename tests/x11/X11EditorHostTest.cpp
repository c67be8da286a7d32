// The editor in a Linux host, end to end, with the project's host library (tools/vsthost)
// answering the plug-in. Most tests load the built plug-in library and open its real 1080 x 396
// editor in a parent window the way Linux hosts do: "Flt Frq" is the big knob (64 x 64) whose top
// left is at (250, 247), parameter 28; "Saw 8" the footage switch (32 x 20) at (48, 353),
// parameter 61. Tests that need a test editor of their own (a popup switch, a value-entry knob,
// the plug-in's mutex) make the instance in-process through the same host. Input goes through
// XTEST; automation and edit gestures arrive through the host's hooks.
#include <gtest/gtest.h> // before the X11 headers, which define None

#include "Instance.h"
#include "PluginLibrary.h"
#include "engine/ParameterTable.h"
#include "graphics/IGraphics.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/ISwitchControl.h"
#include "graphics/ISwitchPopUpControl.h"
#include "graphics/PngResource.h"
#include "graphics/RasterBlit.h"
#include "graphics/RasterMemBitmap.h"
#include "graphics/RasterSysBitmap.h"
#include "support/BuiltPlugin.h"
#include "support/EditorReference.h"
#include "support/TestHost.h"
#include "vst2/IPluginVST.h"
#include "vst2/PluginEntry.h"
#include "vst2/VstAbi.h"

// Last: the X11 headers define macros (None, Bool, Status) that clash with other names.
#include "graphics/X11EditorWindow_x11.h"
#include "x11/X11TestHost.h"

#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorlunda {
namespace {

using test::X11TestHost;

constexpr int kWidth = 1080;
constexpr int kHeight = 396;

// The project's test host, read from the test's thread while the editor calls back from its own.
class RecordingHost : public test::TestHost {
public:
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex);
        automated.clear();
        edits.clear();
    }
    std::vector<float> ValuesOf(int index) {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<float> values;
        for (auto [i, v] : automated)
            if (i == index)
                values.push_back(v);
        return values;
    }
    // audioMasterBeginEdit / audioMasterEndEdit as (opcode, index), in order.
    std::vector<std::pair<int, int>> Gestures() {
        std::lock_guard<std::mutex> lock(mutex);
        return edits;
    }
};

// A background that fills its rectangle and writes a caption through the raster layer's fonts.
class TestBackground : public IControl {
public:
    TestBackground(IPluginBase* plug) : IControl(plug, ScreenRect{0, 0, kWidth, kHeight}) {
        style.SetFace("Arial");
        style.size = 14;
        style.colour = ColourARGB{255, 230, 230, 240};
    }
    bool Render(IGraphics& g) override {
        const ScreenRect& r = g.DrawRect();
        FillRectangle(g.SurfaceBitmap(), r.left, r.top, r.Width(), r.Height(), 0xFF30384A, 1.0f,
                      kBlitCopy);
        g.DrawLabelText(style, "Vorlunda2 on X11", ScreenRect{400, 20, 680, 40});
        return true;
    }
};

// A strip of `frames` frames of w x h stacked, frame k a shade of its own with a marker.
std::unique_ptr<RasterMemBitmap> MakeStrip(int w, int h, int frames, RasterPixel base) {
    auto strip = std::make_unique<RasterMemBitmap>(w, h * frames);
    for (int k = 0; k < frames; ++k) {
        const auto shade = static_cast<RasterPixel>(40 + 200 * k / std::max(frames - 1, 1));
        FillRectangle(strip.get(), 0, k * h, w, h, base | shade << 8 | shade, 1.0f, kBlitCopy);
        FillRectangle(strip.get(), k * (w - 4) / std::max(frames - 1, 1), k * h + h / 2 - 2, 4, 4,
                      0xFFFFFFFF, 1.0f, kBlitCopy);
    }
    return strip;
}

// A host thread that sends idle requests until the scope ends.
class IdleThread {
public:
    explicit IdleThread(std::function<void()> idle)
        : thread([this, idle] {
              while (!stop) {
                  idle();
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              }
          }) {}
    ~IdleThread() {
        stop = true;
        thread.join();
    }

private:
    std::atomic<bool> stop{false};
    std::thread thread;
};

// A parent window of the host's, one instance answered by the project's host, and the requests a
// Linux host sends to it.
class EditorHostFixture : public ::testing::Test {
protected:
    void TearDown() override {
        if (effect)
            Dispatch(vst::effClose);
        if (parent)
            host.DestroyParent(parent);
    }

    // Starts the instance made by `entry`, its record naming `plugHost`.
    void Start(vst::EntryPointProc entry) {
        ASSERT_TRUE(host.Ready());
        parent = host.CreateParent(0, 0, 1200, 500);
        effect = plugHost.Create(entry);
        ASSERT_NE(effect, nullptr);
        calls = vsthost::Instance(effect, nullptr);
        calls.Open(48000.0, 512);
    }

    vst::IntPtr Dispatch(vst::Int32 opcode, vst::Int32 index = 0, vst::IntPtr value = 0,
                         void* ptr = nullptr, float opt = 0.0f) {
        return calls.Dispatch(opcode, index, value, ptr, opt);
    }
    float Parameter(int index) { return calls.GetParameter(index); }

    // The host's editor-idle request.
    void Idle() { Dispatch(vst::effEditIdle); }

    bool Wait(const std::function<bool()>& done) {
        return X11TestHost::WaitUntil(done, std::chrono::milliseconds(3000), [&] { Idle(); });
    }

    // effEditOpen with the parent window; answers whether the plug-in said yes.
    bool RequestEditor() {
        // Some hosts pass their Display* in value: it must not be used.
        const vst::IntPtr bogusDisplay = 0x1234;
        return Dispatch(vst::effEditOpen, 0, bogusDisplay, host.AsHandle(parent)) == 1;
    }

    X11TestHost host;
    ::Window parent = 0;
    RecordingHost plugHost;
    vst::AEffect* effect = nullptr;
    vsthost::Instance calls;
};

// The built plug-in library, loaded once, with its real editor.
class X11EditorHostTest : public EditorHostFixture {
protected:
    // Centres of "Flt Frq" (64 x 64 at (250, 247)) and "Saw 8" (32 x 20 at (48, 353)).
    static constexpr int kFltFrqX = 250 + 32, kFltFrqY = 247 + 32;
    static constexpr int kSaw8X = 48 + 16, kSaw8Y = 353 + 10;
    static constexpr double kKnobHeight = 64.0; // pixels
    static constexpr double kKnobGearing = 4.0; // drag pixels per knob pixel

    void SetUp() override {
        vsthost::PluginLibrary& library = test::HostedPlugin::Module();
        ASSERT_TRUE(library.IsOpen()) << test::BuiltPluginPath() << ": " << library.SystemReason();
        Start(library.Entry());
        plugHost.Clear();
    }

    // The editor's window: the parent's child once the plug-in's connection has created it.
    ::Window OpenEditor() {
        if (!RequestEditor())
            return 0;
        std::vector<::Window> children;
        X11TestHost::WaitUntil([&] {
            children = host.Children(parent);
            return !children.empty();
        });
        return children.empty() ? 0 : children.back();
    }
};

// An instance made in-process, served by the same host, with a test editor of controls the
// library's editor cannot give: a popup switch, a knob with value entry, and the plug-in itself.
class X11TestEditorHostTest : public EditorHostFixture {
protected:
    void SetUp() override {
        Start(&CreateEffect);
        if (HasFatalFailure())
            return;
        plugin = IPluginVST::FromEffect(effect);
        knobStrip = MakeStrip(50, 50, 64, 0xFF800000);
        switchStrip = MakeStrip(20, 20, 2, 0xFF008000);
        popupStrip = MakeStrip(40, 20, 4, 0xFF000080);
        editor = new IGraphics(*plugin, std::make_unique<X11EditorWindow>());
        AddControls(*editor);
        plugin->AttachEditor(editor);
        plugHost.Clear();
    }

    void AddControls(IGraphics& g) {
        g.MakeControl<TestBackground>(plugin);
        knob =
            g.MakeControl<IKnobMultiControl>(plugin, ScreenRect{225, 222, 275, 272}, kFilterCutoff,
                                             BitmapStrip{knobStrip.get(), 50, 50 * 64, 64, false});
        knob->promptDisabled = false;
        g.MakeControl<ISwitchControl>(plugin, 38, 343, kSaw8,
                                      BitmapStrip{switchStrip.get(), 20, 40, 2, false});
        g.MakeControl<ISwitchPopUpControl>(plugin, 600, 100, kFilterPoles,
                                           BitmapStrip{popupStrip.get(), 40, 80, 4, false});
    }

    ::Window OpenEditor() {
        if (!RequestEditor())
            return 0;
        return static_cast<::Window>(reinterpret_cast<std::uintptr_t>(editor->WindowHandle()));
    }

    // The same controls drawn by a core without a window, for comparison.
    std::vector<RasterPixel> HeadlessPicture() {
        IGraphics headless(*plugin);
        AddControls(headless);
        for (int p : {static_cast<int>(kFilterCutoff), static_cast<int>(kSaw8),
                      static_cast<int>(kFilterPoles)})
            headless.UpdateParameterControls(p, Parameter(p), true);
        headless.ApplyPendingParameterValues();
        headless.PrepareSurface();
        headless.PaintRegion(ScreenRect{0, 0, kWidth, kHeight});
        std::vector<RasterPixel> pixels;
        const RasterSysBitmap* s = headless.SurfaceBitmap();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                pixels.push_back(s->Row(y)[x] | 0xFF000000u);
        return pixels;
    }

    static int Mismatches(const std::vector<RasterPixel>& a, const std::vector<RasterPixel>& b) {
        if (a.size() != b.size())
            return -1;
        int count = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            for (int shift : {0, 8, 16}) {
                const int d = static_cast<int>((a[i] >> shift) & 0xFF) -
                              static_cast<int>((b[i] >> shift) & 0xFF);
                if (std::abs(d) > 2) {
                    ++count;
                    break;
                }
            }
        }
        return count;
    }

    IPluginVST* plugin = nullptr;
    IGraphics* editor = nullptr;
    IKnobMultiControl* knob = nullptr;
    std::unique_ptr<RasterMemBitmap> knobStrip, switchStrip, popupStrip;
};

TEST_F(X11EditorHostTest, TheLibrarysEditorOpensAt1080By396InTheParent) {
    vst::ERect* rect = nullptr;
    ASSERT_EQ(Dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, kWidth);
    EXPECT_EQ(rect->bottom - rect->top, kHeight);
    const ::Window w = OpenEditor();
    ASSERT_NE(w, 0u);
    EXPECT_EQ(host.Children(parent).size(), 1u);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(host.Get(), w, &attributes));
    EXPECT_EQ(attributes.width, kWidth);
    EXPECT_EQ(attributes.height, kHeight);
    EXPECT_TRUE(Wait([&] { return host.Viewable(w); }));
    // A fresh instance shows program 0 of factory bank 2: the README's picture, drawn with the
    // same images and fonts, so only antialiased text edges may differ.
    std::ifstream in(VORLUNDA_EDITOR_REFERENCE, std::ios::binary);
    const std::vector<std::uint8_t> png((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
    const std::unique_ptr<RasterMemBitmap> reference = DecodePng(png.data(), png.size());
    ASSERT_NE(reference, nullptr) << VORLUNDA_EDITOR_REFERENCE;
    std::vector<RasterPixel> shot;
    test::ReferenceDifference d;
    Wait([&] {
        shot = host.Screenshot(w, ScreenRect{0, 0, kWidth, kHeight});
        if (shot.size() != static_cast<std::size_t>(kWidth * kHeight))
            return false;
        d = test::CompareWithReference(shot.data(), kWidth, reference->Row(0),
                                       reference->RowSpan());
        return d.panelOff == 0 && d.textMean <= 6.0;
    });
    X11TestHost::SavePng(test::ScreenshotFolder() + "editor-library.png", shot, kWidth, kHeight);
    EXPECT_EQ(d.panelOff, 0);
    EXPECT_LE(d.textMean, 6.0);
}

TEST_F(X11TestEditorHostTest, OpensAt1080By396AndShowsTheHeadlessPicture) {
    vst::ERect* rect = nullptr;
    ASSERT_EQ(Dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, kWidth);
    EXPECT_EQ(rect->bottom - rect->top, kHeight);
    const ::Window w = OpenEditor();
    ASSERT_NE(w, 0u);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(host.Get(), w, &attributes));
    EXPECT_EQ(attributes.width, kWidth);
    EXPECT_EQ(attributes.height, kHeight);
    const auto expected = HeadlessPicture();
    std::vector<RasterPixel> shot;
    // Allowed: a few pixels (text edges) may differ by rounding; nothing else.
    const int tolerance = kWidth * kHeight / 1000;
    Wait([&] {
        shot = host.Screenshot(w, ScreenRect{0, 0, kWidth, kHeight});
        const int m = Mismatches(shot, expected);
        return m >= 0 && m <= tolerance;
    });
    X11TestHost::SavePng(test::ScreenshotFolder() + "editor.png", shot, kWidth, kHeight);
    X11TestHost::SavePng(test::ScreenshotFolder() + "editor-headless.png", expected, kWidth,
                         kHeight);
    const int mismatches = Mismatches(shot, expected);
    EXPECT_GE(mismatches, 0);
    EXPECT_LE(mismatches, tolerance);
}

TEST_F(X11EditorHostTest, DragOnFltFrqAndClickOnSaw8ReachTheHostAsAutomation) {
    ASSERT_NE(OpenEditor(), 0u);
    // The host idles from a thread of its own, not the one that opened the editor.
    IdleThread hostGui([&] { Idle(); });
    const float before = Parameter(kFilterCutoff);
    host.MoveTo(parent, kFltFrqX, kFltFrqY);
    host.Button(1, true);
    for (int dy = 5; dy <= 40; dy += 5)
        host.MoveTo(parent, kFltFrqX, kFltFrqY - dy);
    host.Button(1, false);
    ASSERT_TRUE(X11TestHost::WaitUntil([&] {
        for (auto [op, i] : plugHost.Gestures())
            if (op == vst::audioMasterEndEdit && i == kFilterCutoff)
                return true;
        return false;
    }));
    const auto values = plugHost.ValuesOf(kFilterCutoff);
    ASSERT_FALSE(values.empty());
    // 40 pixels up on a 64-pixel knob with gearing 4: 40 / (4 x 64) of the range.
    const double expected = std::min(1.0, before + 40.0 / (kKnobGearing * kKnobHeight));
    EXPECT_NEAR(values.back(), expected, 0.011);
    EXPECT_EQ(plugHost.Gestures().front(),
              (std::pair<int, int>{vst::audioMasterBeginEdit, kFilterCutoff}));

    plugHost.Clear();
    const float saw = Parameter(kSaw8);
    host.Click(parent, kSaw8X, kSaw8Y);
    ASSERT_TRUE(X11TestHost::WaitUntil([&] { return !plugHost.ValuesOf(kSaw8).empty(); }));
    EXPECT_FLOAT_EQ(plugHost.ValuesOf(kSaw8).back(), saw < 0.5f ? 1.0f : 0.0f);
}

TEST_F(X11EditorHostTest, WheelAndFineWheelMoveFltFrq) {
    ASSERT_NE(OpenEditor(), 0u);
    const float before = Parameter(kFilterCutoff);
    host.MoveTo(parent, kFltFrqX, kFltFrqY);
    host.Button(4, true);
    host.Button(4, false);
    ASSERT_TRUE(Wait([&] { return plugHost.ValuesOf(kFilterCutoff).size() == 1; }));
    EXPECT_NEAR(plugHost.ValuesOf(kFilterCutoff).back(), before + 0.01f, 1e-4f);
    host.Key(XK_Shift_L, true);
    host.Button(5, true);
    host.Button(5, false);
    host.Key(XK_Shift_L, false);
    ASSERT_TRUE(Wait([&] { return plugHost.ValuesOf(kFilterCutoff).size() == 2; }));
    EXPECT_NEAR(plugHost.ValuesOf(kFilterCutoff).back(), before + 0.01f - 0.001f, 1e-4f);
}

TEST_F(X11TestEditorHostTest, ValueEntryCommitsWithEnterAndCancelsWithEscape) {
    const ::Window w = OpenEditor();
    ASSERT_NE(w, 0u);
    auto* window = static_cast<X11EditorWindow*>(editor->Window());
    auto fieldOpen = [&] { return window->TextFieldWindow() != 0; };
    // Right click opens the field over the knob; typing replaces the selected value.
    host.Click(parent, 250, 247, 3);
    ASSERT_TRUE(Wait(fieldOpen));
    host.Type("440");
    host.TypeKey(XK_Return);
    ASSERT_TRUE(Wait([&] { return !fieldOpen() && !plugHost.ValuesOf(kFilterCutoff).empty(); }));
    // "Flt Frq" shows hertz, and what is typed is read in hertz.
    auto display = [&] {
        char text[64] = {};
        Dispatch(vst::effGetParamDisplay, kFilterCutoff, 0, text);
        std::string shown(text);
        shown.erase(0, shown.find_first_not_of(' '));
        return shown;
    };
    EXPECT_EQ(display(), "440");
    const float typed = Parameter(kFilterCutoff);

    plugHost.Clear();
    host.Click(parent, 250, 247, 3);
    ASSERT_TRUE(Wait(fieldOpen));
    host.Type("9000");
    host.TypeKey(XK_Escape);
    ASSERT_TRUE(Wait([&] { return !fieldOpen(); }));
    for (int i = 0; i < 5; ++i)
        Idle();
    EXPECT_TRUE(plugHost.ValuesOf(kFilterCutoff).empty());
    EXPECT_EQ(Parameter(kFilterCutoff), typed);

    // A click in the editor outside the field commits what was typed on the next tick.
    host.Click(parent, 250, 247, 3);
    ASSERT_TRUE(Wait(fieldOpen));
    host.Type("1000");
    host.Click(parent, 700, 300);
    ASSERT_TRUE(Wait([&] { return !fieldOpen() && !plugHost.ValuesOf(kFilterCutoff).empty(); }));
    EXPECT_EQ(display(), "1000");
}

TEST_F(X11TestEditorHostTest, PopupSwitchChoiceSetsTheParameter) {
    ASSERT_NE(OpenEditor(), 0u);
    std::atomic<bool> stop{false};
    std::thread responder([&] {
        X11TestHost other;
        if (!X11TestHost::WaitUntil([&] { return other.FindTopLevel("Vorlunda2 menu") != 0; }))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // "6", "12", "18", "24": the second choice.
        for (KeySym k : {XK_Down, XK_Down, XK_Return})
            other.TypeKey(k);
    });
    host.Click(parent, 610, 110);
    const bool chosen = Wait([&] { return !plugHost.ValuesOf(kFilterPoles).empty(); });
    stop = true;
    responder.join();
    ASSERT_TRUE(chosen);
    EXPECT_NEAR(plugHost.ValuesOf(kFilterPoles).back(), 1.0f / 3.0f, 1e-4f);
}

TEST_F(X11EditorHostTest, OpenCloseFiftyTimesAndCloseAtOddTimes) {
    for (int i = 0; i < 50; ++i) {
        ASSERT_NE(OpenEditor(), 0u) << "round " << i;
        // Now and then long enough for events and a paint to happen in between.
        for (int k = 0; k < (i % 7 == 0 ? 8 : 1); ++k) {
            Idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(i % 7 == 0 ? 10 : 0));
        }
        ASSERT_EQ(Dispatch(vst::effEditClose), 1);
    }
    EXPECT_TRUE(host.Children(parent).empty());
    // Close twice, idle without an editor, open twice in a row, no parent: harmless.
    Dispatch(vst::effEditClose);
    Idle();
    ASSERT_NE(OpenEditor(), 0u);
    ASSERT_NE(OpenEditor(), 0u);
    EXPECT_EQ(host.Children(parent).size(), 1u);
    EXPECT_EQ(Dispatch(vst::effEditOpen, 0, 0, nullptr), 0);
    // The plug-in closed with its editor still open.
    Dispatch(vst::effClose);
    effect = nullptr;
}

TEST_F(X11TestEditorHostTest, CloseWhileTheEditorWaitsForThePluginMutexDoesNotDeadlock) {
    ASSERT_NE(OpenEditor(), 0u);
    // The audio thread holds the plug-in mutex for a while. Meanwhile the host asks to close the
    // editor (and waits for the mutex first), and a drag makes the editor's own timer thread wait
    // for the mutex inside a parameter change while it holds the editor lock. When the audio
    // thread lets go, the close must not keep the mutex while it waits for the editor lock, or
    // neither thread could go on.
    std::atomic<bool> audioHolds{false};
    std::atomic<bool> audioRelease{false};
    std::thread audio([&] {
        plugin->Mutex().lock();
        audioHolds = true;
        X11TestHost::WaitUntil([&] { return audioRelease.load(); });
        plugin->Mutex().unlock();
    });
    X11TestHost::WaitUntil([&] { return audioHolds.load(); });
    std::atomic<bool> closed{false};
    std::thread hostGui([&] {
        Dispatch(vst::effEditClose);
        closed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the close waits for the mutex
    host.MoveTo(parent, 250, 247);
    host.Button(1, true);
    host.MoveTo(parent, 250, 230);
    std::this_thread::sleep_for(std::chrono::milliseconds(150)); // the timer thread waits too
    audioRelease = true;
    const bool finished =
        X11TestHost::WaitUntil([&] { return closed.load(); }, std::chrono::milliseconds(5000));
    host.Button(1, false);
    audio.join();
    if (!finished) {
        hostGui.detach(); // deadlocked: nothing else can be done
        effect = nullptr; // and the plug-in cannot be closed either
        FAIL() << "effEditClose deadlocked";
    }
    hostGui.join();
    EXPECT_EQ(editor->WindowHandle(), nullptr);
}

TEST_F(X11EditorHostTest, AnEditorThatCannotOpenLeavesThePluginPlaying) {
    const ::Window gone = host.CreateParent(10, 10, 40, 40);
    host.DestroyParent(gone);
    EXPECT_EQ(Dispatch(vst::effEditOpen, 0, 0, host.AsHandle(gone)), 0);
    Dispatch(vst::effMainsChanged, 0, 1);
    std::vector<float> left(512), right(512);
    float* outputs[2] = {left.data(), right.data()};
    calls.ProcessReplacing(nullptr, outputs, 512);
    EXPECT_NE(OpenEditor(), 0u);
}

} // namespace
} // namespace vorlunda
