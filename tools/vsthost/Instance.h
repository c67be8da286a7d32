#pragma once

#include "vst2/VstAbi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorlunda::vsthost {

// Brackets every call into a plug-in instance: a host's own watch over what the plug-in does
// (the validator checks the floating-point mode and feeds its real-time monitor here).
class CallWatch {
public:
    // Before the call; the answer is handed back to AfterCall.
    virtual std::uint32_t BeforeCall() = 0;
    // `what` names the call; `opcode` is the dispatcher's opcode, or -1 for other calls.
    virtual void AfterCall(std::uint32_t token, const char* what, vst::Int32 opcode) = 0;

protected:
    ~CallWatch() = default;
};

// The calls a host makes into one plug-in instance, each passed through the watch when there is
// one. The audio-thread calls (events, the three process callbacks) run in an AudioCallScope.
class Instance {
public:
    Instance() = default;
    Instance(vst::AEffect* effect, CallWatch* watch) : effect(effect), watch(watch) {}

    vst::AEffect* Effect() const { return effect; }

    vst::IntPtr Dispatch(vst::Int32 opcode, vst::Int32 index = 0, vst::IntPtr value = 0,
                         void* ptr = nullptr, float opt = 0.0f);
    // effOpen, then the sample rate and the largest block size.
    void Open(double sampleRate, int blockSize);
    // Processing on: effMainsChanged(1), then effStartProcess.
    void Resume();
    // Processing off: effStopProcess, then effMainsChanged(0).
    void Suspend();
    void Close(); // effClose

    void ProcessEvents(vst::VstEvents* events);
    void ProcessReplacing(float** inputs, float** outputs, int frames);
    void ProcessDoubleReplacing(double** inputs, double** outputs, int frames);
    void Accumulate(float** inputs, float** outputs, int frames); // the old `process`
    void SetParameter(int index, float value);
    float GetParameter(int index);

    // A copy of the program (or bank) chunk; empty when the plug-in answers none.
    std::vector<unsigned char> GetChunk(bool bank);
    vst::IntPtr SetChunk(const void* data, std::size_t size, bool bank);

private:
    std::uint32_t Before() { return watch ? watch->BeforeCall() : 0; }
    void After(std::uint32_t token, const char* what, vst::Int32 opcode) {
        if (watch)
            watch->AfterCall(token, what, opcode);
    }

    vst::AEffect* effect = nullptr;
    CallWatch* watch = nullptr;
};

} // namespace vorlunda::vsthost
