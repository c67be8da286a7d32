#include "graphics/RasterFontScratch.h"

#include "graphics/RasterSysBitmap.h"

#include <algorithm>
#include <new>

namespace vorlunda {

namespace {

struct ScratchState {
    std::mutex lock;
    RasterSysBitmap* glyphs = nullptr;
    RasterSysBitmap* native = nullptr;
    int liveFonts = 0;
};

// Destroyed when the library is unloaded (a host that loads and unloads it leaks nothing). The
// font cache makes it before its own state, so it outlives the cached fonts that release their
// share of it while the cache goes.
ScratchState& State() {
    static ScratchState state;
    return state;
}

RasterSysBitmap* AtLeast(RasterSysBitmap*& bitmap, int width, int height) {
    if (!bitmap)
        bitmap = new (std::nothrow) RasterSysBitmap;
    if (!bitmap)
        return nullptr;
    if (bitmap->Width() < width || bitmap->Height() < height)
        bitmap->Resize(std::max(width, bitmap->Width()), std::max(height, bitmap->Height()));
    if (bitmap->Width() < width || bitmap->Height() < height)
        return nullptr;
    return bitmap;
}

} // namespace

std::mutex& RasterFontScratch::Lock() {
    return State().lock;
}

RasterSysBitmap* RasterFontScratch::Glyphs(int width, int height) {
    // Never smaller than 256 x 256, so most fonts never grow it.
    return AtLeast(State().glyphs, std::max(width, 256), std::max(height, 256));
}

RasterSysBitmap* RasterFontScratch::Native(int width, int height) {
    return AtLeast(State().native, width, height);
}

void RasterFontScratch::AddFont() {
    std::lock_guard<std::mutex> hold(State().lock);
    ++State().liveFonts;
}

void RasterFontScratch::ReleaseFont() {
    ScratchState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    if (--s.liveFonts > 0)
        return;
    s.liveFonts = 0;
    delete s.glyphs;
    delete s.native;
    s.glyphs = s.native = nullptr;
}

int RasterFontScratch::LiveFonts() {
    std::lock_guard<std::mutex> hold(State().lock);
    return State().liveFonts;
}

} // namespace vorlunda
