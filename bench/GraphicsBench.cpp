// The editor's drawing at its three common sizes: the whole 1080 x 396 surface blended from a
// bitmap with alpha, one 64 x 64 knob frame from its strip, and a 20-character label from the
// glyph cache.
#include "graphics/RasterBlit.h"
#include "graphics/RasterCachedFont.h"
#include "graphics/RasterFontCache.h"
#include "graphics/RasterMemBitmap.h"
#include "graphics/RasterSysBitmap.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

using namespace vorlunda;

namespace {

constexpr int kSurfaceWidth = 1080;
constexpr int kSurfaceHeight = 396;

// A picture with every kind of alpha the editor's images have: opaque areas, fully transparent
// ones and soft edges between them.
void Paint(RasterBitmap& b, bool opaque) {
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            const int band = (x / 16 + y / 16) % 4;
            const RasterPixel alpha = opaque      ? 255
                                      : band == 0 ? 0
                                      : band == 1 ? 255
                                                  : (x * 7 + y) & 0xFF;
            b.Row(y)[x] = alpha << 24 | static_cast<RasterPixel>(x & 0xFF) << 16 |
                          static_cast<RasterPixel>(y & 0xFF) << 8 |
                          static_cast<RasterPixel>((x ^ y) & 0xFF);
        }
    }
}

void FullSurfaceBlit(benchmark::State& state, bool opaque) {
    RasterSysBitmap surface(kSurfaceWidth, kSurfaceHeight);
    RasterMemBitmap picture(kSurfaceWidth, kSurfaceHeight);
    Paint(surface, true);
    Paint(picture, opaque);
    for (auto _ : state) {
        BlitBitmap(&surface, &picture, 0, 0, nullptr, 1.0f, kBlitCopy | kBlitUseSourceAlpha);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSurfaceWidth * kSurfaceHeight);
}

void BM_FullSurfaceAlphaBlit(benchmark::State& state) {
    FullSurfaceBlit(state, false);
}
void BM_FullSurfaceOpaqueSourceAlphaBlit(benchmark::State& state) {
    FullSurfaceBlit(state, true);
}

void BM_FullSurfaceAlphaBlitGreyed(benchmark::State& state) {
    RasterSysBitmap surface(kSurfaceWidth, kSurfaceHeight);
    RasterMemBitmap picture(kSurfaceWidth, kSurfaceHeight);
    Paint(surface, true);
    Paint(picture, false);
    for (auto _ : state) {
        BlitBitmap(&surface, &picture, 0, 0, nullptr, 0.25f, kBlitCopy | kBlitUseSourceAlpha);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSurfaceWidth * kSurfaceHeight);
}

// A knob strip of 64 frames, 64 x 64 each: a disc with a soft edge on a transparent ground.
void BM_KnobFrameBlit(benchmark::State& state) {
    RasterSysBitmap surface(kSurfaceWidth, kSurfaceHeight);
    Paint(surface, true);
    RasterMemBitmap strip(64, 64 * 64);
    for (int y = 0; y < strip.Height(); ++y) {
        for (int x = 0; x < 64; ++x) {
            const double r = std::hypot(x - 31.5, (y % 64) - 31.5);
            const int alpha = r < 28 ? 255 : r < 30 ? static_cast<int>((30 - r) * 127) : 0;
            strip.Row(y)[x] = static_cast<RasterPixel>(alpha) << 24 | 0x606870u;
        }
    }
    const ScreenRect frame{0, 30 * 64, 64, 31 * 64};
    for (auto _ : state) {
        BlitBitmap(&surface, &strip, 402, 170, &frame, 1.0f, kBlitCopy | kBlitUseSourceAlpha);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 64 * 64);
}

// A label of 20 characters drawn from the glyph cache (glyphs rendered before timing).
void BM_GlyphCacheString(benchmark::State& state) {
    RasterSysBitmap surface(kSurfaceWidth, kSurfaceHeight);
    Paint(surface, true);
    RasterCachedFont* font = RasterFontCache::FontFor(14, 0, 0, 0, "Arial");
    if (!font) {
        state.SkipWithError("no font");
        return;
    }
    font->SetTextColour(0xE0FFFFFFu);
    const char text[] = "Filter Cutoff 12.5 %"; // 20 characters
    ScreenRect rect{100, 100, 400, 120};
    // The colour's alpha below 255 keeps the call on the glyph cache on every platform.
    const std::uint32_t format = kTextSingleLine | kTextNoClip | kTextUseColourAlpha;
    font->RenderText(&surface, text, 20, &rect, format);
    for (auto _ : state) {
        ScreenRect r = rect;
        benchmark::DoNotOptimize(font->RenderText(&surface, text, 20, &r, format));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 20);
}

} // namespace

BENCHMARK(BM_FullSurfaceAlphaBlit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullSurfaceOpaqueSourceAlphaBlit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullSurfaceAlphaBlitGreyed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KnobFrameBlit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GlyphCacheString)->Unit(benchmark::kMicrosecond);
