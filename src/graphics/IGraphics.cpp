#include "graphics/IGraphics.h"

#include "core/IPluginBase.h"
#include "graphics/IControl.h"
#include "graphics/PngResource.h"
#include "graphics/PopupMenu.h"
#include "graphics/RasterBitmapCache.h"
#include "graphics/RasterBlit.h"
#include "graphics/RasterFontCache.h"
#include "graphics/RasterMemBitmap.h"
#include "graphics/RasterSysBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vorlunda {

namespace {

// Both non-empty and overlapping by the editor's rule (right and bottom edges inclusive on the
// first rectangle's side).
bool Meets(const ScreenRect& a, const ScreenRect& b) {
    return !a.IsEmpty() && !b.IsEmpty() && a.right >= b.left && a.left < b.right &&
           a.bottom >= b.top && a.top < b.bottom;
}

ScreenRect Intersection(const ScreenRect& a, const ScreenRect& b) {
    if (!Meets(a, b))
        return {};
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool EndsInPng(const char* name) {
    const char* dot = name ? std::strrchr(name, '.') : nullptr;
    if (!dot)
        return false;
    const char* ext = dot + 1;
    return std::strlen(ext) == 3 && (ext[0] | 0x20) == 'p' && (ext[1] | 0x20) == 'n' &&
           (ext[2] | 0x20) == 'g';
}

} // namespace

IGraphics::IGraphics(IPluginBase& plugArg, std::unique_ptr<EditorWindow> windowArg)
    : plug(plugArg), window(std::move(windowArg)), mailbox(plugArg.ParameterCount()) {
    // The list grows in steps of a page of pointers.
    controls.reserve(4096 / sizeof(void*));
}

IGraphics::~IGraphics() {
    // A host that never closed the editor still gets its window destroyed.
    CloseEditorWindow();
    controls.clear();
    surface.reset();
    scratch.reset();
}

// --- Window operations ---

bool IGraphics::ShowRegion(const ScreenRect& rect) {
    if (!window || !window->Handle() || !surface)
        return false;
    window->ShowRegion(*surface, rect);
    return true;
}

namespace {

// The style's font from the process-wide cache (kept in the style after the first lookup); none
// when no font can be made. The font is shared: the style's colour goes with each draw call.
RasterFont* StyleFont(TextStyle& style) {
    if (!style.cachedFont)
        style.cachedFont = RasterFontCache::FontFor(style.size, style.orientation, style.style,
                                                    style.quality, style.face);
    return style.cachedFont;
}

} // namespace

bool IGraphics::MeasureLabelText(TextStyle& style, const char* text, ScreenRect& rect) {
    if (!text || !*text)
        return true;
    RasterFont* font = StyleFont(style);
    if (!font)
        return false;
    std::uint32_t format = kTextNoClip | kTextMeasure;
    if (style.colour.alpha != 255)
        format |= kTextUseColourAlpha;
    ScreenRect measured;
    font->RenderTextInColour(surface.get(), text, -1, &measured, format, style.colour.Packed());
    const int w = measured.Width();
    const int h = measured.Height();
    if (style.align == TextStyle::kCentre) {
        rect.left = (rect.left + rect.right) / 2 - w / 2;
        rect.right = rect.left + w;
    } else if (style.align == TextStyle::kFar) {
        rect.left = rect.right - w;
    } else {
        rect.right = rect.left + w;
    }
    rect.bottom = rect.top + h;
    return true;
}

void IGraphics::CancelValueEntry() {
    if (TextEntryOpen())
        entryState = EntryState::kCancel;
}

void IGraphics::SetEditorSize(int w, int h) {
    if (w < 1 || h < 1)
        return;
    if (w == width && h == height && surface)
        return;
    width = w;
    height = h;
    ReleaseCapture();
    // The field's control is about to go.
    CloseTextEntry();
    controls.clear();
    surface.reset();
    scratch.reset();
    PrepareSurface();
    if (window && window->Handle()) {
        window->Resize(width, height);
        window->Invalidate(WholeEditor());
    }
    plug.EditorSizeChanged();
}

const char* IGraphics::GraphicsApiName() const {
    return window ? window->ApiName() : "";
}

int IGraphics::ShowMessage(const char* text, const char* caption, int type) {
    if (!window)
        return kAnswerNone;
    return window->ShowMessage(text ? text : "", caption ? caption : "", type);
}

PopupMenu* IGraphics::ShowPopupMenu(PopupMenu& menu, const ScreenRect& rect) {
    ReleaseCapture();
    menu.ClearChoice();
    if (!window || !window->Handle())
        return nullptr;
    // Command 0 means "nothing chosen" to the window layers.
    menu.AssignCommands(1);
    const int command = window->TrackPopupMenu(menu, rect);
    PopupMenu* holder = command > 0 ? menu.Choose(command) : nullptr;
    // The menu covered part of the editor.
    window->Invalidate(WholeEditor());
    return holder;
}

void IGraphics::HostFolder(std::string& out) {
    out = window ? window->Folder(EditorFolder::kHost) : std::string();
}

void IGraphics::PluginFolder(std::string& out) {
    out = window ? window->Folder(EditorFolder::kPlugin) : std::string();
}

void IGraphics::DesktopFolder(std::string& out) {
    out = window ? window->Folder(EditorFolder::kDesktop) : std::string();
}

void IGraphics::AppDataFolder(std::string& out, bool system) {
    out = window
              ? window->Folder(system ? EditorFolder::kSystemAppData : EditorFolder::kUserAppData)
              : std::string();
}

bool IGraphics::ChooseFile(std::string& file, int action, std::string& folder,
                           const char* extensions) {
    if (!window || !window->Handle()) {
        file.clear();
        return false;
    }
    return window->ChooseFile(file, action, folder, extensions ? extensions : "");
}

bool IGraphics::ChooseColour(ColourARGB& colour, const char* prompt) {
    if (!window || !window->Handle())
        return false;
    return window->ChooseColour(colour, prompt ? prompt : "");
}

bool IGraphics::OpenLink(const char* url, const char* caption, const char* confirmation,
                         const char* failure) {
    if (!url || !window)
        return false;
    if (confirmation && *confirmation &&
        ShowMessage(confirmation, caption, kMessageYesNo) != kAnswerYes)
        return false;
    if (window->OpenLink(url))
        return true;
    if (failure && *failure)
        ShowMessage(failure, caption, kMessageOk);
    return false;
}

namespace {

// Holds the window layer's editor lock for one host request.
class EditorLockGuard {
public:
    explicit EditorLockGuard(EditorWindow& window) : window(window) { window.LockEditor(); }
    ~EditorLockGuard() { window.UnlockEditor(); }
    EditorLockGuard(const EditorLockGuard&) = delete;
    EditorLockGuard& operator=(const EditorLockGuard&) = delete;

private:
    EditorWindow& window;
};

} // namespace

void* IGraphics::OpenEditorWindow(void* parent) {
    if (!window)
        return nullptr;
    EditorLockGuard guard(*window);
    void* handle = window->Open(*this, parent, width, height, fps);
    if (!handle)
        return nullptr;
    ApplyPendingParameterValues();
    // The first paint draws everything.
    for (auto& control : controls)
        control->MarkDirty(false);
    return handle;
}

void IGraphics::CloseEditorWindow() {
    if (!window)
        return;
    EditorLockGuard guard(*window);
    // The field lives in the window: an unfinished entry is dropped with it.
    CloseTextEntry();
    ReleaseCapture();
    windowHasCapture = false;
    window->Close();
}

void* IGraphics::WindowHandle() const {
    return window ? window->Handle() : nullptr;
}

bool IGraphics::ClipboardText(std::string& out) {
    out.clear();
    return window && window->ClipboardText(out);
}

void IGraphics::HidePointer() {
    if (window)
        window->HidePointer();
}

void IGraphics::RestorePointer() {
    if (window)
        window->RestorePointer();
}

std::unique_ptr<RasterBitmap> IGraphics::LoadBitmapByName(int id, const char* name) {
    if (!EndsInPng(name))
        return nullptr;
    return LoadPngResource(id & 0xFFFF);
}

// --- Controls ---

IControl* IGraphics::AddControl(std::unique_ptr<IControl> control) {
    if (!control)
        return nullptr;
    control->SetGraphics(this);
    controls.push_back(std::move(control));
    return controls.back().get();
}

IControl* IGraphics::Control(int index) const {
    if (index < 0 || index >= ControlCount())
        return nullptr;
    return controls[static_cast<std::size_t>(index)].get();
}

BitmapStrip IGraphics::LoadEditorBitmap(int id, const char* name, int frames, bool sideBySide) {
    RasterBitmap* bitmap = RasterBitmapCache::Find(id);
    if (!bitmap) {
        if (std::unique_ptr<RasterBitmap> loaded = LoadBitmapByName(id, name))
            bitmap = RasterBitmapCache::Insert(id, std::move(loaded));
    }
    BitmapStrip strip;
    strip.frames = std::max(frames, 1);
    strip.sideBySide = sideBySide;
    if (bitmap && bitmap->HasPixels()) {
        strip.bitmap = bitmap;
        strip.width = bitmap->Width();
        strip.height = bitmap->Height();
    }
    return strip;
}

// --- Drawing ---

void IGraphics::PrepareSurface() {
    surface = std::make_unique<RasterSysBitmap>(width, height);
    scratch = std::make_unique<RasterMemBitmap>();
}

bool IGraphics::FindDirtyArea(ScreenRect& area) {
    ApplyPendingParameterValues();
    area = {};
    bool found = false;
    for (const auto& control : controls) {
        if (control->NeedsRedraw()) {
            area = Union(area, control->Rect());
            found = true;
        }
    }
    if (found) {
        idleTicks = 0;
        return true;
    }
    if (++idleTicks > kIdleTicksPerHook) {
        plug.IdleTick();
        idleTicks = 0;
    }
    return false;
}

bool IGraphics::PaintRegion(const ScreenRect& rect) {
    if (controls.empty())
        return true;
    drawRect = rect;
    for (const auto& control : controls) {
        if (!control->IsHidden() && Meets(rect, control->Rect()))
            control->Render(*this);
        control->MarkClean();
    }
    return ShowRegion(rect);
}

bool IGraphics::DrawBitmapRegion(const RasterBitmap* bitmap, const ScreenRect& dest, int srcX,
                                 int srcY, const BlendSpec* blend) {
    const ScreenRect clip = Intersection(dest, drawRect);
    if (clip.IsEmpty() || !bitmap || !surface)
        return true;
    const int sx = srcX + (clip.left - dest.left);
    const int sy = srcY + (clip.top - dest.top);
    const ScreenRect source{sx, sy, sx + clip.Width(), sy + clip.Height()};
    BlitBitmap(surface.get(), bitmap, clip.left, clip.top, &source, BlitWeightFor(blend),
               BlitModeFor(blend));
    return true;
}

bool IGraphics::DrawFrame(const BitmapStrip& strip, const ScreenRect& dest, int frame,
                          const BlendSpec* blend) {
    const int offset = strip.FrameOffset(frame);
    return DrawBitmapRegion(strip.bitmap, dest, strip.sideBySide ? offset : 0,
                            strip.sideBySide ? 0 : offset, blend);
}

bool IGraphics::DrawLabelText(TextStyle& style, const char* text, const ScreenRect& rect) {
    if (!text || !*text)
        return true;
    RasterFont* font = StyleFont(style);
    if (!font)
        return false;
    std::uint32_t format = kTextNoClip;
    if (style.align == TextStyle::kCentre)
        format |= kTextCentre;
    else if (style.align == TextStyle::kFar)
        format |= kTextRight;
    if (style.colour.alpha != 255)
        format |= kTextUseColourAlpha;
    ScreenRect r = rect;
    font->RenderTextInColour(surface.get(), text, -1, &r, format, style.colour.Packed());
    return true;
}

const RasterBitmap* IGraphics::Surface() const {
    return surface.get();
}

// --- Parameters ---

void IGraphics::UpdateParameterControls(int index, double value, bool isNormalized) {
    if (!isNormalized) {
        // The parameter's range and shape do not change once the plug-in is built, so reading
        // them here, on whatever thread, is safe.
        const PlugParam* param = plug.Parameter(index);
        if (!param || std::isnan(value))
            return;
        value = param->ToNormalised(value);
    }
    mailbox.Post(index, value);
}

void IGraphics::ApplyPendingParameterValues() {
    mailbox.Take([this](int index, double normalised) {
        for (auto& control : controls) {
            if (control->ParamIndex() == index)
                control->ApplyHostValue(normalised);
        }
    });
}

void IGraphics::ApplyParameterValue(int index, double value, bool isNormalized) {
    UpdateParameterControls(index, value, isNormalized);
    ApplyPendingParameterValues();
}

} // namespace vorlunda
