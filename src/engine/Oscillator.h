#pragma once

#include "engine/OscillatorTables.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace vorlunda {

struct OscillatorKernels;

// The per-tick pitch modulation sources, read by value at each pitch update instead of being
// referenced, so the oscillator knows nothing of the voice or the instrument.
struct PitchModulation {
    double bend = 0.0;     // smoothed pitch bend, -1..1
    double lfo = 0.0;      // the voice's faded LFO-to-pitch amount, -1..1
    double envelope = 0.0; // the voice's filter-envelope output, 0..1
};

// One voice's oscillator block: four 28-bit phase accumulators reading the shared band-limited
// wavetables at four footages (16', 8', 4', 2' = index 0..3, one octave apart). Oscillator 0 is
// the main one, 1 and 2 the detuned pair of the multi stacks, 3 plays the interval square.
//
// Threads: the setters and Prepare run wherever parameters are applied (under the plug-in
// lock); UpdatePitch, Render and AdvanceIdle run on the audio thread and never allocate, lock
// or throw. Prepare allocates (it may build a table) and must not run during Render.
class Oscillator {
public:
    static constexpr int kFootages = 4;
    static constexpr int kOscillators = 4;
    static constexpr int kSyncModes = 9; // 0 off, 1..4 "16'+".."2'+", 5..8 "16'".."2'"

    // Increments start at 44100 Hz. The shared wavetables are taken (built by the first one)
    // at Prepare, which a render needs first; a render without it takes them itself.
    Oscillator();

    // Parameter application. Footage indices outside 0..3 are ignored.
    void SetBendRange(int pitchUnits) { bendRange = pitchUnits; } // 1/128 semitone per full bend
    void SetMasterTune(int units);                                // 1/128 semitone
    void SetDetune(int units);                                    // 1/128 semitone
    void SetIntervalTune(int units);                              // 1/128 semitone
    void SetSaw(int footage, bool on);
    void SetSquare(int footage, bool on);
    void SetPulse(int footage, bool on);
    void SetInterval(int footage, bool on);
    void SetMulti(int footage, bool on);
    void SetSyncMode(int mode); // clamped to 0..8
    void SetStereoSpread(double spread) { stereoSpread = spread; }
    void SetNoiseMix(double mix) { noiseMix = mix; }
    void SetLfoDepth(double depth) { lfoDepth = depth; }           // 1/128 semitone at LFO 1
    void SetEnvelopeDepth(double depth) { envelopeDepth = depth; } // 1/128 semitone at env 1

    // Takes the wavetables and the increment table for `sampleRate` (Hz; a non-positive or
    // non-finite rate keeps the current one) and forgets the cached pitches, so the next
    // UpdatePitch recomputes every increment. Phases keep their values.
    void Prepare(double sampleRate);

    // Once per control tick while the voice is active: recomputes the increments and table
    // levels of the oscillators whose pitch changed. `glidePitch` in 1/128 semitone.
    void UpdatePitch(double glidePitch, const PitchModulation& mod);

    // Writes min(left.size(), right.size()) samples into both buffers (they are overwritten,
    // not added to), reading the flags and table levels as they are now.
    void Render(std::span<double> left, std::span<double> right);

    // The same samples written `stride` doubles apart: sample i to left[i * stride] and
    // right[i * stride], so that several voices' outputs can lie interleaved, one voice per
    // lane of a register. `stride` >= 1.
    void Render(double* left, double* right, int samples, int stride);
    // The same with the inner loops of `kernels` (a wider instruction set's, which the caller
    // has checked the processor supports); every set gives the same output bit for bit.
    void Render(double* left, double* right, int samples, int stride,
                const OscillatorKernels& kernels);

    // The idle voice's phase advance for a chunk of `samples`: the phases keep running so that
    // a restarted note continues where they are.
    void AdvanceIdle(int samples);

    // Read access (inspection and tests).
    int Phase(int osc) const { return static_cast<int>(phases[osc]); }
    int Increment(int osc) const { return static_cast<int>(increments[osc]); }
    int CachedPitch(int osc) const { return cachedPitches[osc]; }
    int PitchOffset(int osc) const { return pitchOffsets[osc]; }
    int TableLevel(int osc, int footage) const { return tableLevels[osc][footage]; }
    double SampleRate() const { return incrementTable->sampleRate; }

    // The process-wide noise generator's state (shared by all voices, initially 1).
    static std::int32_t NoiseSeed();
    // Restarts the shared noise generator, so that a render with noise can be repeated exactly
    // whatever ran before it in the process. Not for the audio path of a running plug-in: other
    // instances share the generator.
    static void SetNoiseSeed(std::int32_t seed);

    // Render works through its buffers in chunks of this many samples, in arrays on the stack.
    static constexpr int kChunk = 64;
    // The phase of each oscillator at each sample of a chunk, before that sample's advance.
    using PhaseChunk = std::array<std::array<std::uint32_t, kChunk>, kOscillators>;

private:
    using FootageFlags = std::array<bool, kFootages>;

    void UpdateOffsets();
    void SetIncrement(int osc, int pitch);
    void ForgetPitches();
    static void SetFlag(FootageFlags& flags, int footage, bool on);
    // `read`: bit k set when oscillator k's phases are read in this render.
    void RunPhases(PhaseChunk& out, int n, unsigned read);

    const WavetableSet* waves = nullptr; // shared; taken at the first Prepare
    std::shared_ptr<const IncrementTable> incrementTable;

    int bendRange = 0;  // 1/128 semitone per full bend
    int masterTune = 0; // 1/128 semitone
    int detune = 0;     // 1/128 semitone
    int intervalTune = 0;
    FootageFlags saw{};
    FootageFlags square{};
    FootageFlags pulse{};
    FootageFlags multi{};
    FootageFlags interval{};
    int syncMode = 0;
    double stereoSpread = 0.0;
    double noiseMix = 0.0;
    double lfoDepth = 0.0;      // 1/128 semitone
    double envelopeDepth = 0.0; // 1/128 semitone

    std::array<int, kOscillators> cachedPitches{};
    std::array<int, kOscillators> pitchOffsets{};
    std::array<std::array<int, kFootages>, kOscillators> tableLevels{};
    std::array<std::uint32_t, kOscillators> phases{};     // 0 .. 2^28 - 1
    std::array<std::uint32_t, kOscillators> increments{}; // per sample at 16'
};

} // namespace vorlunda
