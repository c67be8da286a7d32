#pragma once

#include "core/Channels.h"
#include "core/HostId.h"
#include "core/HostTimeInfo.h"
#include "core/MidiEvent.h"
#include "core/PlugParam.h"
#include "core/PresetSlot.h"
#include "core/StateChunk.h"
#include "platform/RecursiveMutex.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace vorlunda {

class IGraphics;
class ProgramSnapshot;

constexpr std::int32_t FourCC(char a, char b, char c, char d) {
    return static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
        (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
        (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
        static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

// What the instrument hands the plug-in base at construction.
struct PluginIdentity {
    int parameterCount = 0;
    int programCount = 0;
    const char* channelConfigs = "";
    std::int32_t uniqueId = 0;
    std::int32_t makerId = 0;
    std::int32_t version = 0; // bits 16..31 major, 8..15 minor, 0..7 patch
    const char* effectName = "";
    const char* productName = "";
    const char* makerName = "";
    bool stateChunks = true;
    bool isInstrument = true;
    bool doesMidi = true;
};

// The framework's plug-in base: identity, parameters, program slots, channels, sample rate and
// block size, the attached editor and the recursive plug-in mutex. Host layer, editor and
// instrument talk to each other through its virtual operations; base versions do nothing or give
// neutral answers.
//
// Threads: the host calls in from its UI/automation thread (dispatcher, parameters) and its audio
// thread (RenderBlock via the host layer). Every such call holds the plug-in mutex for its whole
// duration, so two host calls never interleave inside the plug-in.
class IPluginBase {
public:
    using Lock = std::lock_guard<RecursiveMutex>;

    explicit IPluginBase(const PluginIdentity& identity);
    IPluginBase(const IPluginBase&) = delete;
    IPluginBase& operator=(const IPluginBase&) = delete;

    // --- Virtual operations, in slot order ---
    virtual ~IPluginBase();
    // After the sample rate or block size changed and when processing is switched off; sizes
    // every buffer the audio path needs. Host thread, mutex held.
    virtual void RestartProcessing();
    // A parameter's real value changed; the engine applies it. Any thread, mutex held.
    virtual void ParameterChanged(int index);
    // Audio thread, mutex held by the host layer. Must not allocate, lock anything else or throw.
    // `frames` is at most the block size. Base: inputs copied to outputs, other outputs zeroed.
    virtual void RenderBlock(double** inputs, double** outputs, int frames);
    virtual void EditorOpened() {}
    virtual void EditorClosing() {}
    virtual void IdleTick() {}
    // Processing switched on or off. Host thread.
    virtual void ActivationChanged(bool active);
    // One short MIDI message before the next audio block. Audio or host thread, mutex held.
    virtual void HandleMidiMessage(const MidiEvent& event);
    virtual void HandleSysExMessage(const SysExEvent& event);
    virtual bool NameOfMidiKey(int note, char* text);
    // The instrument's program state (mutex held by the caller or taken inside).
    virtual bool WriteState(StateChunk& chunk);
    // Answers the position after the state, or -1.
    virtual int ReadState(const StateChunk& chunk, int position);
    virtual bool StateMatches(const StateChunk& chunk, int position);
    virtual void EditorResized() {}
    virtual void HostIdentified() {}
    virtual bool ReservedQuery() { return false; }
    virtual void ReservedNotify() {}
    // A parameter moved by the editor (or the MIDI controller map): store, tell the host, tell the
    // engine, and show it on every editor control of the parameter. Editor or audio thread.
    virtual void SetParameterFromEditor(int index, double normalised);
    virtual void BeginParameterGesture(int index) = 0;
    virtual void NotifyHostOfParameter(int index, double normalised) = 0;
    virtual void EndParameterGesture(int index) = 0;
    virtual void NotifyHostOfProgramChange() = 0;
    virtual bool HostRendersOffline() { return false; }
    virtual std::int32_t HostSamplePosition() = 0; // samples, rounded
    virtual double HostTempo() = 0;                // beats per minute
    virtual void HostTimeSignature(int* numerator, int* denominator) = 0;
    virtual bool QueryHostTime(HostTimeInfo& info) = 0;
    virtual HostId IdentifyHost() { return hostId; }
    virtual int ReservedIdentityField() { return 0; }
    virtual void EditorSizeChanged() = 0;
    virtual void PrepareForHost() {}
    virtual void AttachEditor(IGraphics* editor);
    virtual void SetLatencySamples(int samples) { latency = samples; }
    virtual bool SendMidiMessage(const MidiEvent& event) = 0;
    virtual bool SendSysExMessage(const SysExEvent&) { return false; }
    virtual void ShowAllParameterValues();
    virtual int UnserializePresets(const StateChunk& chunk, int position);
    virtual void ModifyCurrentPreset(const char* name = nullptr);
    virtual void ReservedPresetHook() {}
    virtual void ProgramsChanged() {}
    virtual void StoreSampleRate(double rate) { sampleRate = rate; }
    virtual void StoreBlockSize(int frames);

    // --- Identity and plain reads ---
    bool LegalIO(int inputs, int outputs) const;
    int ParameterCount() const { return static_cast<int>(parameters.size()); }
    PlugParam* Parameter(int index);
    const PlugParam* Parameter(int index) const;
    int InputChannelCount() const { return static_cast<int>(inputChannels.size()); }
    int OutputChannelCount() const { return static_cast<int>(outputChannels.size()); }
    const std::vector<ChannelConfig>& ChannelConfigs() const { return channelConfigs; }
    double SampleRate() const { return sampleRate; }
    int BlockSize() const { return blockSize; }
    int LatencySamples() const { return latency; }
    int TailSize() const { return tailSize; }
    std::int32_t UniqueId() const { return uniqueId; }
    std::int32_t MakerId() const { return makerId; }
    std::int32_t PluginVersion() const { return version; }
    const char* EffectName() const { return effectName; }
    const char* ProductName() const { return productName; }
    const char* MakerName() const { return makerName; }
    bool UsesStateChunks() const { return stateChunks; }
    bool IsInstrument() const { return isInstrument; }
    bool DoesMidi() const { return doesMidi; }
    IGraphics* AttachedEditor() const { return graphics.get(); }
    RecursiveMutex& Mutex() { return mutex; }

    void ApplyAllParameters();
    void ResendAllParameters();

    // --- Programs and chunks ---
    int ProgramCount() const { return static_cast<int>(presets.size()); }
    int CurrentProgram() const { return currentProgram; }
    bool ActivatePreset(int index);
    const char* PresetName(int index) const;
    PresetSlot* Preset(int index);
    void FillEmptyPresets(const char* name, int count);
    bool SerializePresets(StateChunk& chunk);
    // UnserializePresets, storing each program's state either as WriteState writes it now or
    // exactly as the chunk held it (a host's bank then saves back byte for byte as it came).
    enum class SlotBytes { CurrentLayout, AsRead };
    int ReadPresets(const StateChunk& chunk, int position, SlotBytes bytes);
    bool SerializeParams(StateChunk& chunk);
    int UnserializeParams(const StateChunk& chunk, int position);
    static void StartChunkWithHeader(StateChunk& chunk);
    static int ReadChunkHeader(const StateChunk& chunk, int* position);

    // --- Host chunks (the dispatcher's chunk requests), host thread ---
    // Header, current state, current program's name / header and the 64 slots (the current
    // program's edits stored first). Answer whether the chunk was written.
    bool WriteProgramChunk(StateChunk& chunk);
    bool WriteBankChunk(StateChunk& chunk);
    // Reads a program chunk's state and name from `position` into the current slot; answers
    // the position after it, or -1 (what was read so far stays; see ReadHostChunk).
    int ReadProgramChunk(const StateChunk& chunk, int position);
    // Everything effSetChunk reads from the host's data: a bank when `bankForm` and the chunk
    // header says so, else a program; with `retryAsBank`, data a program reading did not consume
    // exactly is tried as a bank. Answers the final position; -1 means refused and then every
    // slot, the current index and every parameter are as they were.
    int ReadHostChunk(const StateChunk& chunk, bool bankForm, bool retryAsBank);

    // --- Program (FXP) and bank (FXB) files, editor thread ---
    // Every change of slots and parameters happens in one step under the plug-in mutex, so no
    // block is rendered from a half-loaded program; the disk is accessed outside it. A load that
    // is refused, or turns out truncated or malformed part-way, changes nothing and answers false.
    bool WriteProgramFile(const char* path);
    bool WriteBankFile(const char* path);
    bool ReadProgramFile(const char* path);
    bool ReadBankFile(const char* path);
    // The same formats built in, or read from, memory.
    bool BuildProgramFileImage(StateChunk& image);
    bool BuildBankFileImage(StateChunk& image);
    bool ReadProgramImage(const StateChunk& image);
    bool ReadBankImage(const StateChunk& image);

    // --- Channels ---
    void SetInputChannelsConnected(int first, int count, bool connected);
    void SetOutputChannelsConnected(int first, int count, bool connected);
    InputChannel& InputChannelAt(int i) { return inputChannels[static_cast<std::size_t>(i)]; }
    OutputChannel& OutputChannelAt(int i) { return outputChannels[static_cast<std::size_t>(i)]; }
    double** InputPointers() { return inputPointers.data(); }
    double** OutputPointers() { return outputPointers.data(); }

    static constexpr std::int32_t kChunkMarker = 0x70666674; // bytes "tffp"
    static constexpr std::int32_t kFrameworkVersion = 0x00010000;

protected:
    // Takes and puts back slots, current index and parameters around a load that may fail.
    friend class ProgramSnapshot;

    HostId hostId = HostId::NotIdentified;
    std::int32_t hostVersion = 0;
    int currentProgram = 0;

private:
    void ParseChannelConfigs(const char* text);

    std::vector<ChannelConfig> channelConfigs;
    RecursiveMutex mutex;
    char effectName[128] = {};
    char productName[128] = {};
    char makerName[128] = {};
    std::int32_t uniqueId = 0;
    std::int32_t makerId = 0;
    std::int32_t version = 0;
    bool stateChunks = true;
    bool isInstrument = true;
    bool doesMidi = true;
    double sampleRate = 44100.0; // Hz
    int blockSize = 0;           // samples
    int latency = 0;             // samples
    int tailSize = 0;            // samples
    std::vector<PlugParam> parameters;
    std::unique_ptr<IGraphics> graphics;
    std::vector<PresetSlot> presets;
    std::vector<double*> inputPointers;
    std::vector<double*> outputPointers;
    std::vector<InputChannel> inputChannels;
    std::vector<OutputChannel> outputChannels;
};

} // namespace vorlunda
