#pragma once

#include "core/IPluginBase.h"
#include "vst2/VstAbi.h"

#include <cstdint>

namespace vorlunda {

// The plug-in base bound to the VST 2.4 host interface: owns the `AEffect` record handed to the
// host, answers the dispatcher, adapts the host's audio buffers and event lists, and talks back
// through the host callback. Without a host callback (tests, tools) every host-facing operation
// answers neutrally, so the engine can run on its own.
//
// Threads: every entry from the host (dispatcher, audio and parameter callbacks) holds the
// plug-in mutex for its whole duration; the host callback is called with the mutex held.
class IPluginVST : public IPluginBase {
public:
    static constexpr int kDefaultBlockSize = 1024; // samples, until the host says otherwise

    explicit IPluginVST(const PluginIdentity& identity);
    ~IPluginVST() override;

    // The record the entry point hands to the host; its `object` is this plug-in.
    vst::AEffect* Effect() { return &effect; }
    // Connects the host's callback (the entry point does this right after construction).
    void ConnectHost(vst::HostCallback callback) { host = callback; }
    // Recovers the plug-in from the record the host passes back; null for a foreign record.
    static IPluginVST* FromEffect(vst::AEffect* effect);

    // --- Host-facing operations of the base ---
    void BeginParameterGesture(int index) override;
    void NotifyHostOfParameter(int index, double normalised) override;
    void EndParameterGesture(int index) override;
    void NotifyHostOfProgramChange() override;
    bool HostRendersOffline() override;
    std::int32_t HostSamplePosition() override;
    double HostTempo() override;
    void HostTimeSignature(int* numerator, int* denominator) override;
    bool QueryHostTime(HostTimeInfo& info) override;
    HostId IdentifyHost() override;
    void EditorSizeChanged() override;
    void PrepareForHost() override;
    void AttachEditor(IGraphics* editor) override;
    bool SendMidiMessage(const MidiEvent& event) override;
    bool SendSysExMessage(const SysExEvent& event) override;

    // Product string (any letter case) to host id; the first table entry contained wins.
    static HostId HostIdFromProduct(const char* product);
    // Decimal version (major*10000 + minor*100 + patch) to the packed 0xMMMMmmpp form.
    static std::int32_t PackedVersion(std::int32_t decimal);

    // --- Dispatcher operations; the dispatcher holds the mutex around each ---
    std::intptr_t Dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                           float opt);
    // The editor requests: open in the host's `parent` window (1 when a window is open), close
    // (1 whenever an editor is attached). Harmless in any order and with any handle.
    std::intptr_t OpenEditor(void* parent);
    std::intptr_t CloseEditor();
    std::intptr_t GetChunk(void** data, bool bankForm);
    std::intptr_t SetChunk(const void* data, std::intptr_t size, bool bankForm);
    std::intptr_t StringToParameter(int index, const char* text);
    std::intptr_t GetPinProperties(int index, vst::VstPinProperties* pin, bool output);
    std::intptr_t SetSpeakerArrangement(const vst::VstSpeakerArrangement* inputs,
                                        const vst::VstSpeakerArrangement* outputs);
    std::intptr_t VendorSpecific(int index, std::intptr_t value, void* ptr, float opt);
    std::intptr_t CanDo(const char* capability) const;
    std::intptr_t ProcessEvents(const vst::VstEvents* events);

    // --- Audio and parameter callbacks; each holds the mutex ---
    void ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate);
    void ProcessDouble(double** inputs, double** outputs, int frames);
    float GetParameterNormalised(int index);
    void SetParameterNormalised(int index, float value);

    const vst::ERect& EditorRect() const { return editorRect; }
    bool HostUsesProgramChunks();

private:
    std::intptr_t CallHost(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f);
    const vst::VstTimeInfo* HostTime(std::int32_t mask);
    void ConnectFloatBuffers(float** inputs, float** outputs, int offset, int frames);
    std::intptr_t SetEditorRectFromEditor();

    vst::ERect editorRect{};
    vst::HostCallback host = nullptr;
    vst::VstSpeakerArrangement inputArrangement{};
    vst::VstSpeakerArrangement outputArrangement{};
    bool hostInitialised = false;
    StateChunk programChunk;
    StateChunk bankChunk;
    bool editorWindowOpen = false; // between a successful effEditOpen and effEditClose
    bool vendorTestDone = false;
    bool hostUsesProgramChunks = false;
    vst::AEffect effect{};
};

} // namespace vorlunda
