#pragma once

// The VST 2.4 binary interface as hosts and plug-ins exchange it: record layouts, opcode
// numbers, flags and callback signatures. Declared here from the interface's published facts;
// only what this project uses (as plug-in or as test host) is listed. Every record's size and
// field offsets are pinned below for 32-bit and 64-bit builds, because a single misplaced field
// breaks every host silently.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define VORLUNDA_VST_CALL __cdecl
#else
#define VORLUNDA_VST_CALL
#endif

namespace vorlunda::vst {

struct AEffect;

using Int32 = std::int32_t;
using IntPtr = std::intptr_t;

using HostCallback = IntPtr(VORLUNDA_VST_CALL*)(AEffect* effect, Int32 opcode, Int32 index,
                                                IntPtr value, void* ptr, float opt);
using DispatcherProc = IntPtr(VORLUNDA_VST_CALL*)(AEffect* effect, Int32 opcode, Int32 index,
                                                  IntPtr value, void* ptr, float opt);
using ProcessProc = void(VORLUNDA_VST_CALL*)(AEffect* effect, float** inputs, float** outputs,
                                             Int32 frames);
using ProcessDoubleProc = void(VORLUNDA_VST_CALL*)(AEffect* effect, double** inputs,
                                                   double** outputs, Int32 frames);
using SetParameterProc = void(VORLUNDA_VST_CALL*)(AEffect* effect, Int32 index, float value);
using GetParameterProc = float(VORLUNDA_VST_CALL*)(AEffect* effect, Int32 index);
using EntryPointProc = AEffect*(VORLUNDA_VST_CALL*)(HostCallback host);

constexpr Int32 kEffectMagic = 0x56737450; // 'VstP'

struct AEffect {
    Int32 magic;
    DispatcherProc dispatcher;
    ProcessProc process; // accumulating; deprecated by the interface but still called by hosts
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    Int32 numPrograms;
    Int32 numParams;
    Int32 numInputs;
    Int32 numOutputs;
    Int32 flags;
    IntPtr resvd1;
    IntPtr resvd2;
    Int32 initialDelay; // samples
    Int32 realQualities;
    Int32 offQualities;
    float ioRatio;
    void* object; // the plug-in's own object
    void* user;   // the host's
    Int32 uniqueID;
    Int32 version;
    ProcessProc processReplacing;
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum EffectFlags : Int32 {
    effFlagsHasEditor = 1,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsCanDoubleReplacing = 4096,
};

// Host -> plug-in (dispatcher) opcodes.
enum EffectOpcode : Int32 {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditIdle = 19,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetProgramNameIndexed = 29,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effSetSpeakerArrangement = 42,
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effIdle = 53,
    effGetVstVersion = 58,
    effGetMidiKeyName = 66,
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
    effGetSpeakerArrangement = 69,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetProcessPrecision = 77, // value: kVstProcessPrecision32 or 64, sent while suspended
};

constexpr IntPtr kVstProcessPrecision32 = 0;
constexpr IntPtr kVstProcessPrecision64 = 1;

// Plug-in -> host (audioMaster) opcodes.
enum HostOpcode : Int32 {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterIOChanged = 13,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
};

constexpr Int32 kVstProcessLevelOffline = 4;
constexpr Int32 kPlugCategEffect = 1;
constexpr Int32 kPlugCategSynth = 2;
constexpr Int32 kVstVersion = 2400;
constexpr Int32 kIdentifyAnswer = 0x4E764566; // 'NvEf'

// Rectangle of the editor window in pixels.
struct ERect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

enum VstEventType : Int32 { kVstMidiType = 1, kVstSysExType = 6 };

struct VstEvent {
    Int32 type;
    Int32 byteSize;
    Int32 deltaFrames; // samples from the start of the block
    Int32 flags;
    char data[16];
};

struct VstEvents {
    Int32 numEvents;
    IntPtr reserved;
    VstEvent* events[2]; // really numEvents entries
};

struct VstMidiEvent {
    Int32 type;
    Int32 byteSize;
    Int32 deltaFrames;
    Int32 flags;
    Int32 noteLength;
    Int32 noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstMidiSysexEvent {
    Int32 type;
    Int32 byteSize;
    Int32 deltaFrames;
    Int32 flags;
    Int32 dumpBytes;
    IntPtr resvd1;
    char* sysexDump;
    IntPtr resvd2;
};

// Transport; a field is meaningful only when its flag is set.
enum VstTimeInfoFlags : Int32 {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 2,
    kVstTransportCycleActive = 4,
    kVstTransportRecording = 8,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

struct VstTimeInfo {
    double samplePos;  // samples since song start
    double sampleRate; // Hz
    double nanoSeconds;
    double ppqPos; // quarter notes
    double tempo;  // beats per minute
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    Int32 timeSigNumerator;
    Int32 timeSigDenominator;
    Int32 smpteOffset;
    Int32 smpteFrameRate;
    Int32 samplesToNextClock;
    Int32 flags;
};

enum VstPinFlags : Int32 { kVstPinIsActive = 1, kVstPinIsStereo = 2, kVstPinUseSpeaker = 4 };

struct VstPinProperties {
    char label[64];
    Int32 flags;
    Int32 arrangementType;
    char shortLabel[8];
    char future[48];
};

enum VstSpeakerArrangementType : Int32 {
    kSpeakerArrUserDefined = -2,
    kSpeakerArrEmpty = -1,
    kSpeakerArrMono = 0,
    kSpeakerArrStereo = 1,
};

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    Int32 type;
    char future[28];
};

struct VstSpeakerArrangement {
    Int32 type;
    Int32 numChannels;
    VstSpeakerProperties speakers[8];
};

struct MidiKeyName {
    Int32 thisProgramIndex;
    Int32 thisKeyNumber;
    char keyName[64];
    Int32 reserved;
    Int32 flags;
};

// --- Layout pins (the interface packs to natural alignment on both pointer sizes) ---
constexpr bool k64 = sizeof(void*) == 8;
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8);

static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == (k64 ? 8 : 4));
static_assert(offsetof(AEffect, process) == (k64 ? 16 : 8));
static_assert(offsetof(AEffect, setParameter) == (k64 ? 24 : 12));
static_assert(offsetof(AEffect, getParameter) == (k64 ? 32 : 16));
static_assert(offsetof(AEffect, numPrograms) == (k64 ? 40 : 20));
static_assert(offsetof(AEffect, flags) == (k64 ? 56 : 36));
static_assert(offsetof(AEffect, resvd1) == (k64 ? 64 : 40));
static_assert(offsetof(AEffect, initialDelay) == (k64 ? 80 : 48));
static_assert(offsetof(AEffect, ioRatio) == (k64 ? 92 : 60));
static_assert(offsetof(AEffect, object) == (k64 ? 96 : 64));
static_assert(offsetof(AEffect, user) == (k64 ? 104 : 68));
static_assert(offsetof(AEffect, uniqueID) == (k64 ? 112 : 72));
static_assert(offsetof(AEffect, version) == (k64 ? 116 : 76));
static_assert(offsetof(AEffect, processReplacing) == (k64 ? 120 : 80));
static_assert(offsetof(AEffect, processDoubleReplacing) == (k64 ? 128 : 84));
static_assert(offsetof(AEffect, future) == (k64 ? 136 : 88));
static_assert(sizeof(AEffect) == (k64 ? 192 : 144));

static_assert(sizeof(ERect) == 8 && offsetof(ERect, right) == 6);

static_assert(sizeof(VstEvent) == 32);
static_assert(offsetof(VstEvents, reserved) == (k64 ? 8 : 4));
static_assert(offsetof(VstEvents, events) == (k64 ? 16 : 8));
static_assert(sizeof(VstEvents) == (k64 ? 32 : 16));

static_assert(offsetof(VstMidiEvent, deltaFrames) == 8);
static_assert(offsetof(VstMidiEvent, midiData) == 24);
static_assert(offsetof(VstMidiEvent, noteOffVelocity) == 29);
static_assert(sizeof(VstMidiEvent) == 32);

static_assert(offsetof(VstMidiSysexEvent, dumpBytes) == 16);
static_assert(offsetof(VstMidiSysexEvent, resvd1) == (k64 ? 24 : 20));
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == (k64 ? 32 : 24));
static_assert(sizeof(VstMidiSysexEvent) == (k64 ? 48 : 32));

static_assert(offsetof(VstTimeInfo, ppqPos) == 24);
static_assert(offsetof(VstTimeInfo, tempo) == 32);
static_assert(offsetof(VstTimeInfo, cycleEndPos) == 56);
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, flags) == 84);
static_assert(sizeof(VstTimeInfo) == 88);

static_assert(offsetof(VstPinProperties, flags) == 64);
static_assert(offsetof(VstPinProperties, shortLabel) == 72);
static_assert(sizeof(VstPinProperties) == 128);

static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8);
static_assert(sizeof(VstSpeakerArrangement) == 8 + 8 * 112);

static_assert(offsetof(MidiKeyName, keyName) == 8);
static_assert(offsetof(MidiKeyName, flags) == 76);
static_assert(sizeof(MidiKeyName) == 80);

} // namespace vorlunda::vst
