#include "vst2/IPluginVST.h"

namespace vorlunda {

IPluginVST::IPluginVST(const PluginIdentity& identity) : IPluginBase(identity) {
    SetOutputChannelsConnected(0, OutputChannelCount(), false);
    StoreBlockSize(kDefaultBlockSize);
}

IPluginVST::~IPluginVST() = default;

void IPluginVST::BeginParameterGesture(int) {}
void IPluginVST::NotifyHostOfParameter(int, double) {}
void IPluginVST::EndParameterGesture(int) {}
void IPluginVST::NotifyHostOfProgramChange() {}
double IPluginVST::HostSamplePosition() {
    return 0.0;
}
double IPluginVST::HostTempo() {
    return 0.0;
}

void IPluginVST::HostTimeSignature(int* numerator, int* denominator) {
    if (numerator)
        *numerator = 4;
    if (denominator)
        *denominator = 4;
}

bool IPluginVST::QueryHostTime(HostTimeInfo&) {
    return false;
}
void IPluginVST::EditorSizeChanged() {}
bool IPluginVST::SendMidiMessage(const MidiEvent&) {
    return false;
}

} // namespace vorlunda
