#pragma once

// A small plug-in with an editor on a headless window, and frame strips whose frames a test can
// tell apart on the surface.
#include "HeadlessWindow.h"

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "graphics/RasterMemBitmap.h"
#include "graphics/RasterSysBitmap.h"
#include "vst2/IPluginVST.h"

#include <memory>
#include <mutex>
#include <vector>

namespace vorlunda::test {

// Five parameters of every kind the editor treats differently; every host callback it makes is
// recorded, as the host would see it.
class EditorTestPlugin : public IPluginVST {
public:
    enum : int { kLevel = 0, kCoarse = 1, kMode = 2, kCutoff = 3, kWave = 4, kCount = 5 };

    struct HostCall {
        int opcode;
        int index;
        float value;
    };

    EditorTestPlugin() : IPluginVST(Identity()) {
        Parameter(kLevel)->InitContinuous("Level", 0.5, 0.0, 1.0, 0.01);
        Parameter(kCoarse)->InitInteger("Coarse", 0, -64, 64);
        Parameter(kMode)->InitChoice("Mode", 1, 3);
        Parameter(kMode)->AddValueText(0, "Low");
        Parameter(kMode)->AddValueText(1, "Mid");
        Parameter(kMode)->AddValueText(2, "High");
        Parameter(kCutoff)->InitContinuous("Cutoff", 1000.0, 20.0, 20000.0, 0.1, "Hz", "", 3.0);
        Parameter(kWave)->InitChoice("Wave", 0, 4);
        const char* waves[] = {"Saw", "Square", "Pulse", "Noise"};
        for (int i = 0; i < 4; ++i)
            Parameter(kWave)->AddValueText(i, waves[i]);
        ConnectHost(&HostCallback);
    }

    static PluginIdentity Identity() {
        PluginIdentity id;
        id.parameterCount = kCount;
        id.programCount = 4;
        id.channelConfigs = "0-1 0-2";
        id.uniqueId = FourCC('T', 'e', 's', 't');
        id.effectName = "EditorTest";
        return id;
    }

    void IdleTick() override { ++idleTicks; }
    void ParameterChanged(int index) override {
        std::lock_guard<std::mutex> lock(recordLock);
        engineTold.push_back(index);
    }
    void EditorResized() override { ++resizes; }

    std::vector<HostCall> Calls() {
        std::lock_guard<std::mutex> lock(recordLock);
        return calls;
    }
    std::vector<HostCall> Automations() {
        std::vector<HostCall> out;
        for (const HostCall& c : Calls()) {
            if (c.opcode == vst::audioMasterAutomate)
                out.push_back(c);
        }
        return out;
    }
    void ClearCalls() {
        std::lock_guard<std::mutex> lock(recordLock);
        calls.clear();
        engineTold.clear();
    }
    // The host's automation: the setParameter callback, as a host thread calls it.
    void HostSets(int index, float normalised) {
        Effect()->setParameter(Effect(), index, normalised);
    }
    double Real(int index) {
        Lock lock(Mutex());
        return Parameter(index)->RealValue();
    }

    std::mutex recordLock;
    std::vector<HostCall> calls;
    std::vector<int> engineTold;
    int idleTicks = 0;
    int resizes = 0;

private:
    static vst::IntPtr VORLUNDA_VST_CALL HostCallback(vst::AEffect* effect, vst::Int32 opcode,
                                                      vst::Int32 index, vst::IntPtr, void*,
                                                      float opt) {
        auto* self = static_cast<EditorTestPlugin*>(IPluginVST::FromEffect(effect));
        if (!self)
            return 0;
        if (opcode == vst::audioMasterAutomate || opcode == vst::audioMasterBeginEdit ||
            opcode == vst::audioMasterEndEdit) {
            std::lock_guard<std::mutex> lock(self->recordLock);
            self->calls.push_back({opcode, index, opt});
        }
        if (opcode == vst::audioMasterVersion)
            return 2400;
        return 0;
    }
};

// A strip of `frames` frames of w x h pixels stacked (or side by side), frame k (1-based) filled
// with FrameColour(k), so the frame drawn can be read back from the surface.
struct TestStrip {
    std::unique_ptr<RasterMemBitmap> bitmap;
    BitmapStrip strip;

    static RasterPixel FrameColour(int frame) {
        return 0xFF000000u | static_cast<RasterPixel>(frame * 3) << 16 |
               static_cast<RasterPixel>(frame) << 8 | 0x40u;
    }
    TestStrip(int w, int h, int frames, bool sideBySide = false) {
        const int totalW = sideBySide ? w * frames : w;
        const int totalH = sideBySide ? h : h * frames;
        bitmap = std::make_unique<RasterMemBitmap>(totalW, totalH);
        for (int y = 0; y < totalH; ++y) {
            for (int x = 0; x < totalW; ++x) {
                const int k = (sideBySide ? x / w : y / h) + 1;
                bitmap->Row(y)[x] = FrameColour(k);
            }
        }
        strip.bitmap = bitmap.get();
        strip.width = totalW;
        strip.height = totalH;
        strip.frames = frames;
        strip.sideBySide = sideBySide;
    }
    // A one-frame image of one colour.
    static TestStrip Plain(int w, int h, RasterPixel colour) {
        TestStrip s(w, h, 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                s.bitmap->Row(y)[x] = colour;
        return s;
    }
};

// A control that records how it was drawn and which events reached it.
class RecordingControl : public IControl {
public:
    RecordingControl(IPluginBase* plug, const ScreenRect& rect, int paramIndex = -1)
        : IControl(plug, rect, paramIndex) {}
    bool Render(IGraphics&) override {
        ++renders;
        return true;
    }
    void MouseDown(int x, int y, const MouseModifiers& mods) override {
        events.push_back('D');
        IControl::MouseDown(x, y, mods);
    }
    void MouseUp(int, int, const MouseModifiers&) override { events.push_back('U'); }
    void MouseDrag(int x, int y, int dX, int dY, const MouseModifiers&) override {
        events.push_back('M');
        lastX = x;
        lastY = y;
        lastDX = dX;
        lastDY = dY;
    }
    void DoubleClick(int x, int y, const MouseModifiers& mods) override {
        events.push_back('2');
        IControl::DoubleClick(x, y, mods);
    }
    void MouseWheel(int, int, const MouseModifiers&, int n) override {
        events.push_back('W');
        notches += n;
    }
    bool KeyDown(int, int, KeyCode key) override {
        events.push_back('K');
        lastKey = key;
        return takesKeys;
    }
    void AcceptEnteredText(const char* text) override { entered = text; }

    int renders = 0;
    std::string events;
    int lastX = 0, lastY = 0, lastDX = 0, lastDY = 0, notches = 0;
    KeyCode lastKey = kKeySpace;
    bool takesKeys = false;
    std::string entered;
};

// The plug-in with an editor on a headless window: controls are added by the test, then Attach()
// hands the editor to the plug-in and opens its window.
struct EditorFixture {
    EditorTestPlugin plugin;
    HeadlessWindow* window = nullptr;
    IGraphics* graphics = nullptr;
    std::unique_ptr<IGraphics> owned;

    EditorFixture() {
        auto w = std::make_unique<HeadlessWindow>();
        window = w.get();
        owned = std::make_unique<IGraphics>(plugin, std::move(w));
        graphics = owned.get();
    }
    template <typename T, typename... Args>
    T* Add(Args&&... args) {
        return graphics->MakeControl<T>(&plugin, std::forward<Args>(args)...);
    }
    void Attach(bool open = true) {
        plugin.AttachEditor(owned.release());
        if (open)
            graphics->OpenEditorWindow(reinterpret_cast<void*>(0x1234));
    }
    RasterPixel Pixel(int x, int y) const { return graphics->SurfaceBitmap()->Row(y)[x]; }
    // Paints whatever is dirty, as one timer tick does.
    void PaintAll() { window->Tick(); }
};

} // namespace vorlunda::test
