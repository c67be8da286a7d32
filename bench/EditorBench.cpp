// The editor's core on a 1080 x 396 editor of 80 controls laid out like the instrument's (a
// background, 64-frame knobs of two sizes, switches, faders and a text): a timer tick with nothing
// to redraw, a tick after the host moved one parameter, and a full repaint.
#include "graphics/IBitmapControl.h"
#include "graphics/IFaderControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/ISwitchControl.h"
#include "graphics/ITextControl.h"
#include "graphics/RasterMemBitmap.h"
#include "vst2/IPluginVST.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace vorlunda;

namespace {

constexpr int kParameters = 79;

class BenchPlugin : public IPluginVST {
public:
    BenchPlugin() : IPluginVST(Identity()) {
        for (int i = 0; i < kParameters; ++i)
            Parameter(i)->InitContinuous("P", 0.5, 0.0, 1.0, 0.001);
    }
    static PluginIdentity Identity() {
        PluginIdentity id;
        id.parameterCount = kParameters;
        id.programCount = 1;
        id.channelConfigs = "0-2";
        return id;
    }
};

// Frames stacked top to bottom; soft round edges, so every blend path is taken.
std::unique_ptr<RasterMemBitmap> Strip(int w, int h, int frames) {
    auto b = std::make_unique<RasterMemBitmap>(w, h * frames);
    for (int y = 0; y < h * frames; ++y) {
        for (int x = 0; x < w; ++x) {
            const int dx = 2 * x - w;
            const int dy = 2 * (y % h) - h;
            const int d = dx * dx + dy * dy;
            const int r2 = w * w;
            const RasterPixel alpha = d < r2 * 3 / 4 ? 255u : d < r2 ? 128u : 0u;
            b->Row(y)[x] = alpha << 24 | static_cast<RasterPixel>((x * 5 + y) & 0xFF) << 8 | 0x30u;
        }
    }
    return b;
}

BitmapStrip StripOf(const RasterMemBitmap& b, int frames) {
    BitmapStrip s;
    s.bitmap = const_cast<RasterMemBitmap*>(&b);
    s.width = b.Width();
    s.height = b.Height();
    s.frames = frames;
    return s;
}

struct Editor {
    BenchPlugin plugin;
    IGraphics* graphics = nullptr;
    std::unique_ptr<RasterMemBitmap> back = Strip(1080, 396, 1);
    std::unique_ptr<RasterMemBitmap> bigKnob = Strip(64, 64, 64);
    std::unique_ptr<RasterMemBitmap> smallKnob = Strip(30, 30, 64);
    std::unique_ptr<RasterMemBitmap> switch2 = Strip(30, 64, 2);
    std::unique_ptr<RasterMemBitmap> handle = Strip(27, 23, 1);

    Editor() {
        auto owned = std::make_unique<IGraphics>(plugin);
        graphics = owned.get();
        for (int y = 0; y < 396; ++y)
            for (int x = 0; x < 1080; ++x)
                back->Row(y)[x] |= 0xFF000000u; // the background is opaque
        graphics->MakeControl<IBitmapControl>(&plugin, 0, 0, -1, StripOf(*back, 1));
        int p = 0;
        // 40 large knobs, 15 small ones, 16 switches, 7 faders, 1 text: 79 controls.
        for (int i = 0; i < 40; ++i, ++p) {
            const int x = 10 + (i % 14) * 75;
            const int y = 100 + (i / 14) * 80;
            graphics->MakeControl<IKnobMultiControl>(&plugin, ScreenRect{x, y, x + 64, y + 64}, p,
                                                     StripOf(*bigKnob, 64));
        }
        for (int i = 0; i < 15; ++i, ++p) {
            const int x = 10 + i * 50;
            graphics->MakeControl<IKnobMultiControl>(&plugin, ScreenRect{x, 29, x + 30, 59}, p,
                                                     StripOf(*smallKnob, 64));
        }
        for (int i = 0; i < 16; ++i, ++p)
            graphics->MakeControl<ISwitchControl>(&plugin, 13 + i * 35, 330, p,
                                                  StripOf(*switch2, 2));
        for (int i = 0; i < 7; ++i, ++p) {
            const int x = 770 + i * 43;
            graphics->MakeControl<IFaderControl>(&plugin, ScreenRect{x, 238, x + 27, 373}, p,
                                                 StripOf(*handle, 1), 135, 23, IControl::kVertical,
                                                 true);
        }
        TextStyle style;
        style.SetFace("Arial");
        style.size = 14;
        style.colour = {224, 255, 255, 255};
        style.align = TextStyle::kFar;
        graphics->MakeControl<ITextControl>(&plugin, ScreenRect{654, 12, 750, 26}, style, "2.0.2");
        plugin.AttachEditor(owned.release());
        RepaintAll();
    }
    void RepaintAll() {
        ScreenRect area;
        for (int i = 0; i < graphics->ControlCount(); ++i)
            graphics->Control(i)->MarkDirty(false);
        graphics->FindDirtyArea(area);
        graphics->PaintRegion(area);
    }
};

void BM_TimerTickNothingDirty(benchmark::State& state) {
    Editor editor;
    for (auto _ : state)
        editor.graphics->TimerTick();
    state.counters["controls"] = editor.graphics->ControlCount();
}
BENCHMARK(BM_TimerTickNothingDirty);

// The host moves one parameter between ticks: the tick takes it and repaints that knob (twice
// over two ticks, as every changed control is drawn twice).
void BM_TickAfterHostMovedOneKnob(benchmark::State& state) {
    Editor editor;
    ScreenRect area;
    double v = 0.0;
    for (auto _ : state) {
        v = v > 0.9 ? 0.0 : v + 0.01;
        editor.plugin.SetParameterNormalised(3, static_cast<float>(v));
        if (editor.graphics->FindDirtyArea(area))
            editor.graphics->PaintRegion(area);
    }
}
BENCHMARK(BM_TickAfterHostMovedOneKnob);

void BM_FullRepaint(benchmark::State& state) {
    Editor editor;
    for (auto _ : state)
        editor.RepaintAll();
    state.counters["controls"] = editor.graphics->ControlCount();
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

} // namespace
