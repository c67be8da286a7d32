// A stand-in plug-in library for the renderer's refusal tests, built three times: its entry
// point answers an effect instead of an instrument (FAKE_KIND 0), a record with the wrong magic
// (1), or no record at all (2).
#include "vst2/VstAbi.h"

using namespace vorlunda::vst;

namespace {

IntPtr VORLUNDA_VST_CALL Dispatch(AEffect*, Int32, Int32, IntPtr, void*, float) {
    return 0;
}

void VORLUNDA_VST_CALL Process(AEffect*, float**, float**, Int32) {}

AEffect record{};

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(HostCallback) {
    if (FAKE_KIND == 2)
        return nullptr;
    record.magic = FAKE_KIND == 1 ? 0x12345678 : kEffectMagic;
    record.dispatcher = &Dispatch;
    record.processReplacing = &Process;
    record.numOutputs = 2;
    record.flags = effFlagsCanReplacing; // no effFlagsIsSynth: an effect
    return &record;
}
