// A stand-in plug-in library for the renderer's tests, built four times. Its entry point
// answers an effect instead of an instrument (FAKE_KIND 0), a record with the wrong magic (1),
// no record at all (2), or a "click" instrument (3) that shows what the host delivered: the
// left output holds velocity/127 at the sample offset of each note-on of the block, the right
// output's first four samples hold the host's quarter-note position, tempo, bar start and
// time-signature numerator at the block start.
#include "vst2/VstAbi.h"

#include <array>

#if defined(_WIN32)
#define FAKE_EXPORT __declspec(dllexport)
#else
#define FAKE_EXPORT __attribute__((visibility("default")))
#endif

using namespace vorlunda::vst;

namespace {

struct Click {
    Int32 offset;
    float level;
};

HostCallback host = nullptr;
std::array<Click, 256> clicks{};
int clickCount = 0;
AEffect record{};

void Collect(const VstEvents* events) {
    VstEvent* const* list = events->events;
    for (Int32 i = 0; i < events->numEvents; ++i) {
        const auto* e = reinterpret_cast<const VstMidiEvent*>(list[i]);
        const bool noteOn = (e->midiData[0] & 0xF0) == 0x90 && e->midiData[2] != 0;
        if (e->type == kVstMidiType && noteOn && clickCount < static_cast<int>(clicks.size()))
            clicks[clickCount++] = {e->deltaFrames, e->midiData[2] / 127.0f};
    }
}

IntPtr VORLUNDA_VST_CALL Dispatch(AEffect*, Int32 opcode, Int32, IntPtr, void* ptr, float) {
    if (opcode == effProcessEvents && ptr) {
        Collect(static_cast<const VstEvents*>(ptr));
        return 1;
    }
    return 0;
}

void VORLUNDA_VST_CALL Process(AEffect* effect, float**, float** outputs, Int32 frames) {
    for (Int32 i = 0; i < frames; ++i)
        outputs[0][i] = outputs[1][i] = 0.0f;
    for (int c = 0; c < clickCount; ++c)
        if (clicks[c].offset >= 0 && clicks[c].offset < frames)
            outputs[0][clicks[c].offset] = clicks[c].level;
    clickCount = 0;
    const auto* time =
        reinterpret_cast<const VstTimeInfo*>(host(effect, audioMasterGetTime, 0, 0, nullptr, 0));
    if (time && frames >= 4) {
        outputs[1][0] = static_cast<float>(time->ppqPos);
        outputs[1][1] = static_cast<float>(time->tempo);
        outputs[1][2] = static_cast<float>(time->barStartPos);
        outputs[1][3] = static_cast<float>(time->timeSigNumerator);
    }
}

} // namespace

extern "C" FAKE_EXPORT AEffect* VORLUNDA_VST_CALL VSTPluginMain(HostCallback callback) {
    if (FAKE_KIND == 2)
        return nullptr;
    host = callback;
    record.magic = FAKE_KIND == 1 ? 0x12345678 : kEffectMagic;
    record.dispatcher = &Dispatch;
    record.processReplacing = &Process;
    record.numOutputs = 2;
    record.numPrograms = 1;
    record.flags = effFlagsCanReplacing | (FAKE_KIND == 3 ? effFlagsIsSynth : 0);
    return &record;
}
