#pragma once

#include "vst2/VstAbi.h"

#include <cstddef>
#include <string>

namespace vorlunda::vsthost {

class CallWatch;

// The host side of the VST 2.4 interface, shared by every host of the project (the renderer,
// the validator, the tests): the callback handed to entry points, which finds the host an
// instance belongs to, and the one table of answers. A tool adds its own policy by overriding
// the hooks (the transport it reports, what it records, the events it takes from the plug-in).
//
// Threads: the callback may come from any thread; the answers read only fields the owner sets
// before the plug-in runs, and the hooks guard whatever they record themselves.
class Host {
public:
    static constexpr std::size_t kTextBytes = 64; // the interface's bound for identity strings

    // What the host says about itself (audioMasterGetVendorString and friends).
    std::string vendor;
    std::string product;
    vst::IntPtr vendorVersion = 1;
    std::size_t textBytes = kTextBytes; // room the plug-in's buffer is assumed to have

    Host() = default;
    virtual ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // The callback every instance receives. It serves the host named by the instance's record
    // (`user`), else the host creating an instance on this thread (plug-ins call back before
    // their entry point has answered), else the host named by ServeUnnamed. Without any host
    // only audioMasterVersion is answered.
    static vst::IntPtr VORLUNDA_VST_CALL Callback(vst::AEffect* effect, vst::Int32 opcode,
                                                  vst::Int32 index, vst::IntPtr value, void* ptr,
                                                  float opt);
    // The host for instances whose record names none (instances made in-process, not through an
    // entry point); null for none.
    static void ServeUnnamed(Host* host);

    enum class Refusal { None, NoEffect, BadMagic };
    // Calls the entry point with this host answering; `watch` brackets the call. Answers the new
    // instance, its record naming this host, or null with the reason in `refusal`.
    vst::AEffect* Create(vst::EntryPointProc entry, Refusal* refusal = nullptr,
                         CallWatch* watch = nullptr);

    // Answered to audioMasterGetSampleRate and audioMasterGetBlockSize.
    void SetSampleRate(double rate) { sampleRate = rate; }
    void SetBlockSize(int frames) { blockSize = frames; }
    double SampleRate() const { return sampleRate; }
    int BlockSize() const { return blockSize; }
    // The process level is offline (4) on every thread.
    void SetOffline(bool on) { offline = on; }

protected:
    // The answer table: one case per request a host answers.
    vst::IntPtr Answer(vst::Int32 opcode, vst::Int32 index, vst::IntPtr value, void* ptr,
                       float opt);

    // --- Hooks for a tool's own policy ---
    // Every callback, before it is answered.
    virtual void Called(vst::Int32 /*opcode*/) {}
    // A host that answers 0 to everything, audioMasterVersion included.
    virtual bool Silent() const { return false; }
    // Whether a silent host answers 0 to this request too (by default, every one).
    virtual bool SilentTo(vst::Int32 /*opcode*/) const { return Silent(); }
    // audioMasterAutomate (parameter index, normalised value).
    virtual void Automated(vst::Int32 /*index*/, float /*value*/) {}
    // audioMasterBeginEdit and audioMasterEndEdit.
    virtual void Edited(vst::Int32 /*opcode*/, vst::Int32 /*index*/) {}
    // The transport for audioMasterGetTime (`mask`: the fields the plug-in wants); null for none.
    virtual vst::VstTimeInfo* Time(vst::IntPtr /*mask*/) { return nullptr; }
    // audioMasterProcessEvents: the plug-in's MIDI output; answers 1 when taken.
    virtual vst::IntPtr EventsFromPlugin(const vst::VstEvents* /*events*/) { return 1; }
    // audioMasterGetCurrentProcessLevel: offline when set so, else the audio thread (2) inside
    // an audio call (AudioCallScope) and the user-interface thread (1) otherwise.
    virtual vst::IntPtr ProcessLevel() const;

private:
    double sampleRate = 44100.0; // Hz
    int blockSize = 1024;        // samples
    bool offline = false;
};

// Marks the calling thread as inside an audio-thread call to a plug-in while it lives.
class AudioCallScope {
public:
    AudioCallScope();
    ~AudioCallScope();
    AudioCallScope(const AudioCallScope&) = delete;
    AudioCallScope& operator=(const AudioCallScope&) = delete;
    static bool Active();

private:
    bool outer;
};

// Why an entry point's record cannot be played as an instrument.
enum class InstrumentProblem { None, NotInstrument, NoProcessReplacing, NoOutputs };
InstrumentProblem CheckInstrument(const vst::AEffect& effect);

// Copies `text` into a plug-in's buffer of `capacity` bytes, cut to fit and terminated. Answers
// 1, or 0 for a null buffer.
vst::IntPtr CopyHostText(void* buffer, const std::string& text, std::size_t capacity);

// Whether the host answers yes to audioMasterCanDo with this text.
bool HostCanDo(const char* text);

} // namespace vorlunda::vsthost
