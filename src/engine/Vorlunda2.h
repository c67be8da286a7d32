#pragma once

#include "engine/Chorus.h"
#include "engine/ControlSmoother.h"
#include "engine/Drive.h"
#include "engine/EqBand.h"
#include "engine/Lfo.h"
#include "engine/Voice.h"
#include "synth/Synth.h"

#include <array>
#include <vector>

namespace vorlunda {

// The instrument: a 64-voice subtractive synthesizer. Renders in chunks of at most one control
// block ((integer sample rate) / 1000 samples); at each control tick it handles the MIDI that is
// due, steps the smoothers and modulators and updates the voices, then renders the voices into a
// stereo mix that passes volume, drive, equaliser and chorus.
class Vorlunda2 : public Synth {
public:
    static constexpr int kParameterCount = 79;
    static constexpr int kProgramCount = 64;
    static constexpr int kMaxVoices = 64;

    // With `buildEditor` the instrument gets its editor (built after the parameters, before the
    // programs load); without one it has none, as in tools and engine tests.
    explicit Vorlunda2(const EditorBuilder& buildEditor = {});
    ~Vorlunda2() override;

    // Host thread, mutex held: prepares the engine for the host's sample rate.
    void RestartProcessing() override;
    // Audio thread, mutex held by the host layer: MIDI is queued with its sample offset, except
    // all-notes-off controllers and program changes, which act at once.
    void HandleMidiMessage(const MidiEvent& event) override;
    // Audio thread, mutex held: renders `frames` stereo samples into outputs[0], outputs[1].
    void RenderBlock(double** inputs, double** outputs, int frames) override;
    // Releases every voice; they fade through their release stages.
    void KillAllNotes() override;
    void InitParameterTable() override;
    // Applies a changed parameter to the engine and the voices. Callers hold the mutex.
    void ParameterChanged(int index) override;

    // Program state: the "Vorlunda2_2.0.0" header, program index and name (left out while
    // `factoryLoad` is set), then the 79 plain values. Any thread; takes the mutex.
    bool WriteState(StateChunk& chunk) override;
    // Reads either layout (the older one has no header); answers the position after the state
    // or -1. Every parameter is set and applied, even when the data runs out.
    int ReadState(const StateChunk& chunk, int position) override;
    static bool HasStateHeader(const StateChunk& chunk, int position);
    // Program and bank files, with fallbacks that also take the 60-parameter programs of
    // version 1. Editor thread; a refused file changes nothing and answers false.
    bool LoadProgramFile(const char* path);
    bool LoadBankFile(const char* path);
    bool LoadLegacyProgram(const StateChunk& image);
    bool LoadLegacyBank(const StateChunk& image);
    // Set only while the factory bank loads at start-up: states are written without header.
    bool factoryLoad = false;
    // The constructor's last step: the startup bank, or factory bank 2 when that fails.
    void LoadStartupPrograms();

    // Engine values tests and tools may observe.
    double PitchBendSmoothed() const { return pitchBendSmoothed; }
    double ModWheelSmoothed() const { return modWheelSmoothed; }
    double PitchBendRaw() const { return pitchBendRaw; }
    double ModWheelRaw() const { return modWheelRaw; }
    int ControlSamplesLeft() const { return controlSamplesLeft; }
    int PendingMidiEvents() const { return midiQueue.Pending(); }
    int Polyphony() const { return polyphony; }
    const Voice& VoiceAt(int i) const { return voices[static_cast<std::size_t>(i)]; }
    int CutoffPitch() const { return cutoffPitch; }
    double SyncPeriod() const { return syncPeriod; }
    double Tempo() const { return tempo; }
    // Control ticks run since construction.
    long long ControlTickCount() const { return controlTicks; }

protected:
    // Hooks of the note handling, run at the control tick that the event is due.
    virtual void NoteOn(int note, int velocity);
    virtual void NoteOff(int note);
    virtual void SustainPedal(bool down);
    // Called once for every handled event (tests observe the tick an event lands on).
    virtual void EventHandled(const MidiEvent&) {}
    // The pitch (1/128 semitone) a note starts at: the tuning master's frequency for the note
    // when one is active (read here only, at note start and at retriggers), else note * 128.
    virtual int NoteToPitch(int note, int velocity, int age);

protected:
    void ControlTick();
    void DrainMidiQueue();
    void ProcessMidiEvent(const MidiEvent& event);

    void StartVoice(Voice& v, int note, int velocity, int age, double elapsed);
    void SetupVoiceNote(Voice& v, int note, int velocity, int age);
    void ReleaseVoice(Voice& v);
    void UpdateVoiceControl(Voice& v);
    void RenderVoice(Voice& v, int n);
    void StepRepeat(Voice& v);
    void ResetVoice(Voice& v, double rate);
    void ApplyVoiceParameter(Voice& voice, int index, double value);
    void SetRepeatPeriod(double period);
    void UpdateRepeatPeriods();
    void FixRepeatPhase(Voice& v);
    void LfoWrapStep();
    void SyncBoundaryStep();
    void HostTempoStep();

    std::array<Voice, kMaxVoices> voices;
    Lfo lfo;
    Drive drive;
    std::array<EqBand, 7> equaliser;
    std::array<double, 7> equaliserGain{}; // dB, last applied per band
    Chorus chorus;

    long long controlTicks = 0;
    int polyphony = 0; // set by the first application of "Voices"
    int noteCounter = 0;
    double sampleRate = -1.0; // Hz the engine was last prepared for
    std::vector<double> mixLeft, mixRight;
    double pitchBendRaw = 0.0; // -1 .. +8191/8192
    double modWheelRaw = 0.0;  // 0..1
    double pitchBendSmoothed = 0.0;
    double modWheelSmoothed = 0.0;
    ControlSmoother bendSmoother;
    ControlSmoother wheelSmoother;
    double cutoffValue = 0.0; // normalised "Flt Frq"
    double cutoffStep = 0.0;
    int cutoffStepsLeft = 0; // ticks
    int cutoffPitch = 0;     // 1/128 semitone
    double masterGain = 0.5;
    int repeatMode = 0;
    double lastBeatPosition = 0.0;
    double syncPeriod = 0.0;       // samples
    double songPosition = 0.0;     // samples
    double nextSyncBoundary = 0.0; // samples
    double lfoRate = 5.5;          // Hz
    double syncFactor = 0.25;      // beats per retrigger
    double tempo = 120.0;          // BPM
    double lfoPeriodSamples = 0.0; // samples
};

} // namespace vorlunda
