// The editor's thread against the host's: automation and program loads arrive on one thread,
// audio blocks on another, while the editor ticks, paints and is dragged. Built on its own under
// ThreadSanitizer as well (ThreadTests.cmake), where any data race fails it.
#include "EditorTestSupport.h"

#include "graphics/IBitmapControl.h"
#include "graphics/IFaderControl.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/ISwitchControl.h"
#include "graphics/ITextControl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

namespace vorlunda {
namespace {

using test::EditorFixture;
using test::EditorTestPlugin;
using test::HeadlessWindow;
using test::TestStrip;

TEST(GraphicsThreads, HostAutomationAndProgramLoadsWhileTheEditorRuns) {
    EditorFixture f;
    TestStrip back = TestStrip::Plain(1080, 396, 0xFF202020u);
    TestStrip knob(20, 40, 64);
    TestStrip switch3(30, 20, 3);
    TestStrip handle(20, 10, 1);
    f.Add<IBitmapControl>(0, 0, -1, back.strip);
    std::vector<IControl*> knobs;
    for (int p = 0; p < EditorTestPlugin::kCount; ++p) {
        IControl* k = f.Add<IKnobMultiControl>(ScreenRect{100 + 40 * p, 100, 120 + 40 * p, 140}, p,
                                               knob.strip);
        k->promptDisabled = false;
        knobs.push_back(k);
    }
    f.Add<ISwitchControl>(400, 200, EditorTestPlugin::kMode, switch3.strip);
    f.Add<IFaderControl>(ScreenRect{500, 200, 520, 300}, EditorTestPlugin::kLevel, handle.strip,
                         100, 10, IControl::kVertical, true);
    f.Add<ITextControl>(ScreenRect{600, 10, 700, 30}, TextStyle{}, "");
    f.Attach();
    f.PaintAll();

    vst::AEffect* e = f.plugin.Effect();
    e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e->dispatcher(e, vst::effSetBlockSize, 0, 64, nullptr, 0.0f);
    e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    std::atomic<bool> stop{false};
    std::atomic<int> hostRounds{0};

    std::thread host([&] {
        std::minstd_rand random(3);
        for (int n = 0; !stop; ++n) {
            e->setParameter(e, static_cast<vst::Int32>(random() % EditorTestPlugin::kCount),
                            static_cast<float>(random() % 1001) / 1000.0f);
            if (n % 16 == 0)
                e->dispatcher(e, vst::effSetProgram, 0, static_cast<vst::IntPtr>(random() % 4),
                              nullptr, 0.0f);
            if (n % 64 == 0) {
                char text[] = "5000";
                e->dispatcher(e, vst::effString2Parameter, EditorTestPlugin::kCutoff, 0, text,
                              0.0f);
            }
            hostRounds = n;
            std::this_thread::yield();
        }
    });
    std::thread audio([&] {
        std::vector<float> l(64), r(64);
        float* outs[2] = {l.data(), r.data()};
        while (!stop)
            e->processReplacing(e, nullptr, outs, 64);
    });

    // The editor's thread: ticks, drags, wheels and typed values, for a while.
    std::minstd_rand random(5);
    for (int round = 0; round < 400; ++round) {
        f.window->Tick();
        const int p = static_cast<int>(random() % EditorTestPlugin::kCount);
        const int x = 110 + 40 * p;
        f.window->Press(x, 120);
        for (int step = 1; step <= 4; ++step)
            f.window->Drag(x + step, 120 - static_cast<int>(random() % 9) + 4);
        f.window->Release(x, 120);
        f.window->Wheel(x, 120, static_cast<int>(random() % 5) - 2);
        f.window->Press(410, 210);
        f.window->Release(410, 210);
        if (round % 25 == 0 && p != EditorTestPlugin::kMode && p != EditorTestPlugin::kWave) {
            f.window->Press(x, 120, HeadlessWindow::Right());
            f.window->fieldText = "1";
            f.window->Field(EditorEvent::kFieldEnter);
            f.window->Tick();
        }
    }
    stop = true;
    host.join();
    audio.join();
    EXPECT_GT(hostRounds.load(), 0);

    f.window->Tick();
    for (int i = 0; i < f.graphics->ControlCount(); ++i) {
        const double v = f.graphics->Control(i)->Value();
        EXPECT_TRUE(v >= 0.0 && v <= 1.0) << i << ": " << v;
    }
    // Continuous parameters: every control ends where its parameter is, whoever wrote last.
    for (int p : {EditorTestPlugin::kLevel, EditorTestPlugin::kCutoff}) {
        double expected = 0.0;
        {
            IPluginBase::Lock lock(f.plugin.Mutex());
            expected = f.plugin.Parameter(p)->ToNormalised();
        }
        EXPECT_NEAR(knobs[static_cast<std::size_t>(p)]->Value(), expected, 1e-6) << p;
    }
}

} // namespace
} // namespace vorlunda
