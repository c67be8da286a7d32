#pragma once

// The instrument with its editor on the headless window layer, as a host runs it: prepared for a
// sample rate, every host callback about parameters recorded, the window open.
#include "EditorPicture.h"
#include "graphics/HeadlessWindow.h"

#include "engine/Vorlunda2.h"
#include "graphics/IBitmapControl.h"
#include "graphics/IGraphics.h"
#include "vst2/IPluginVST.h"

#include <memory>
#include <vector>

namespace vorlunda::test {

struct HostCall {
    int opcode;
    int index;
    float value;
};

class EditorRig {
public:
    static constexpr int kFactoryBank = 2;

    EditorRig() {
        auto layer = std::make_unique<HeadlessWindow>();
        window = layer.get();
        plugin = MakeInstrumentWithEditor(std::move(layer));
        Recorded().clear();
        plugin->ConnectHost(&HostCallback);
        plugin->StoreSampleRate(48000.0);
        plugin->StoreBlockSize(512);
        plugin->RestartProcessing();
        plugin->ActivationChanged(true);
        graphics = plugin->AttachedEditor();
        graphics->OpenEditorWindow(reinterpret_cast<void*>(0x1234));
        window->Tick();
        Recorded().clear();
    }

    IControl* Control(int number) const { return graphics->Control(number - 1); }
    // The controls bound to parameter `param`, in list order.
    std::vector<IControl*> ControlsOf(int param) const {
        std::vector<IControl*> found;
        for (int i = 0; i < graphics->ControlCount(); ++i) {
            if (graphics->Control(i)->ParamIndex() == param)
                found.push_back(graphics->Control(i));
        }
        return found;
    }
    double Real(int param) {
        IPluginBase::Lock lock(plugin->Mutex());
        return plugin->Parameter(param)->RealValue();
    }
    int Program() {
        IPluginBase::Lock lock(plugin->Mutex());
        return plugin->CurrentProgram();
    }
    void Click(int x, int y, MouseModifiers mods = HeadlessWindow::Left()) {
        window->Press(x, y, mods);
        window->Release(x, y, mods);
    }
    // A controller message as the host delivers it (under the plug-in mutex).
    void Controller(int number, int value) {
        IPluginBase::Lock lock(plugin->Mutex());
        plugin->HandleMidiMessage(MidiEvent{0, 0xB0, static_cast<std::uint8_t>(number),
                                            static_cast<std::uint8_t>(value)});
    }
    static std::vector<HostCall> Calls(int opcode) {
        std::vector<HostCall> out;
        for (const HostCall& c : Recorded()) {
            if (c.opcode == opcode)
                out.push_back(c);
        }
        return out;
    }
    static std::vector<HostCall>& Recorded() {
        static std::vector<HostCall> calls;
        return calls;
    }

    HeadlessWindow* window = nullptr;
    std::unique_ptr<Vorlunda2> plugin;
    IGraphics* graphics = nullptr;

private:
    static vst::IntPtr VORLUNDA_VST_CALL HostCallback(vst::AEffect*, vst::Int32 opcode,
                                                      vst::Int32 index, vst::IntPtr, void*,
                                                      float opt) {
        if (opcode == vst::audioMasterAutomate || opcode == vst::audioMasterBeginEdit ||
            opcode == vst::audioMasterEndEdit)
            Recorded().push_back({opcode, index, opt});
        if (opcode == vst::audioMasterVersion)
            return 2400;
        return 0;
    }
};

// The centre of a control's rectangle.
inline int CentreX(const IControl* c) {
    return (c->Rect().left + c->Rect().right) / 2;
}
inline int CentreY(const IControl* c) {
    return (c->Rect().top + c->Rect().bottom) / 2;
}

} // namespace vorlunda::test
