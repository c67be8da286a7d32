#pragma once

#include "core/IPluginBase.h"

namespace vorlunda {

// The plug-in base bound to the VST 2.4 host interface. Until a host is connected every
// host-facing operation answers neutrally, so the engine can run on its own (tests, tools).
class IPluginVST : public IPluginBase {
public:
    static constexpr int kDefaultBlockSize = 1024; // samples, until the host says otherwise

    explicit IPluginVST(const PluginIdentity& identity);
    ~IPluginVST() override;

    void BeginParameterGesture(int index) override;
    void NotifyHostOfParameter(int index, double normalised) override;
    void EndParameterGesture(int index) override;
    void NotifyHostOfProgramChange() override;
    double HostSamplePosition() override;
    double HostTempo() override;
    void HostTimeSignature(int* numerator, int* denominator) override;
    bool QueryHostTime(HostTimeInfo& info) override;
    void EditorSizeChanged() override;
    bool SendMidiMessage(const MidiEvent& event) override;
};

} // namespace vorlunda
