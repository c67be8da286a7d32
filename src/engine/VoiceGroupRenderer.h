#pragma once

#include "engine/OscillatorKernels.h"
#include "engine/Voice.h"
#include "engine/VoiceGroupLanes.h"

#include <array>
#include <vector>

namespace vorlunda {

// How the voices of a render chunk are computed. All three give the same output bit for bit.
enum class SimdPath : int {
    Scalar = 0, // one voice after the other (the reference)
    Sse2 = 1,   // two voices side by side
    Avx2 = 2,   // four voices side by side
    Avx512 = 3, // eight voices side by side (AVX-512)
};

// Renders sounding voices in groups, one voice per SIMD lane: the oscillators write their
// output interleaved, then one kernel runs the groups' filters, envelope steps and mix products
// together, and the products are added into the mix voice by voice, in voice order. The lanes
// hide the long chain of dependent operations in each voice's filter behind each other.
//
// Threads: Prepare on the host's thread (allocates); Begin, Add and Flush on the audio thread
// (no allocation, no lock).
class VoiceGroupRenderer {
public:
    // The fastest path this processor supports, decided once per process (thread-safe; the
    // first call reads the processor's features).
    static SimdPath DetectedPath();
    // The path renders use: the detected one, or a slower one forced for tests. A path the
    // processor lacks is never used.
    static SimdPath ActivePath();
    // Test-only: forces `path` for every instance of the process (Scalar included); ResetPath
    // returns to the detected one.
    static void ForcePath(SimdPath path);
    static void ResetPath();

    // Sizes the interleaved buffers for chunks of up to `maxSamples`.
    void Prepare(int maxSamples);

    // Starts a chunk of `samples` (<= the prepared size) that adds into mixLeft/mixRight, on
    // `path` (not Scalar).
    void Begin(SimdPath path, double* mixLeft, double* mixRight, int samples);
    // Whether a sounding voice can share a group: not while Repeat may retrigger it inside the
    // chunk, and only with the idle-envelope state the kernel assumes.
    static bool Accepts(const Voice& v);
    // Queues a voice (Accepts(v) holds); renders the group when it is full or when the voice's
    // filter type differs from the queued ones'.
    void Add(Voice& v);
    // Renders the queued voices. Run before a voice that renders alone, and at the chunk's end.
    void Flush();

private:
    void Render(const VoiceGroupKernels& kernels);
    void LoadVoice(int lane, const Voice& v);
    void StoreVoice(int lane, Voice& v) const;
    void LoadIdleLane(int lane);
    static void LoadEnvelope(EnvelopeLanes& e, int lane, const Envelope& env, bool& live);
    static void LoadIdleEnvelope(EnvelopeLanes& e, int lane);
    static void StoreEnvelope(const EnvelopeLanes& e, int lane, Envelope& env);

    std::vector<double> inLeft, inRight, outLeft, outRight; // samples x lanes
    int capacity = 0;                                       // samples
    VoiceGroupLanes lanesData{};
    std::array<Voice*, kMaxGroupLanes> queued{};
    std::array<bool, kMaxGroupLanes> filterEnvelopeLive{};
    std::array<bool, kMaxGroupLanes> ampEnvelopeLive{};
    int count = 0;
    int samples = 0;
    double* mixLeft = nullptr;
    double* mixRight = nullptr;
    const VoiceGroupKernels* wide = nullptr;   // the path's kernels
    const VoiceGroupKernels* middle = nullptr; // four lanes, for groups of three or four voices
    const VoiceGroupKernels* narrow = nullptr; // two lanes, for groups of one or two voices
    const OscillatorKernels* oscillatorKernels = nullptr; // the path's oscillator loops
};

} // namespace vorlunda
