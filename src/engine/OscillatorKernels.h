#pragma once
// The inner loops of Oscillator::Render as a table of functions, so that a build for a wider
// instruction set (VoiceGroupAvx2.cpp) can supply its own: the baseline ones (Oscillator.cpp)
// run two samples to an SSE2 register, the AVX2 ones four. Every table computes the same
// doubles with the same IEEE operations in the same order per sample, so the choice never
// changes a bit of the output.
//
// Only plain data and function pointers here: the kernels themselves have internal linkage in
// the files that build them, so no inline function compiled for AVX2 is shared with code that
// runs on processors without it.
#include "engine/Oscillator.h"

#include <array>
#include <cstdint>

namespace vorlunda {

// How the enabled saw, square and pulse of one footage reach the centre, left and right sums.
enum class OscillatorLayout : int {
    Plain,       // oscillator 0 into the centre
    Stack,       // multi: oscillators 0, 1, 2 into centre, left, right
    SyncedStack, // multi with oscillator 0 silenced: 1 and 2 into left and right
};

// The waves of a footage as bits, so that a kernel can be chosen for each combination.
inline constexpr int kOscillatorSawBit = 1;
inline constexpr int kOscillatorSquareBit = 2;
inline constexpr int kOscillatorPulseBit = 4;
inline constexpr int kOscillatorWaveCombinations = 8;

// What one footage reads during a render: each oscillator's table at its level for this
// footage (the interleaved one, saw, square and pulse of index x at [4x], [4x + 1], [4x + 2]; or
// the quartered one for kernels that ask for it), and which waves sound. No member initialisers:
// a render keeps four of them on the stack and fills only those that sound, and `{}` still
// zeroes one.
struct OscillatorFootage {
    std::array<const double*, Oscillator::kOscillators> tables;
    int footage; // 0..3: 16' .. 2'
    OscillatorLayout layout;
    int waves;     // kOscillatorSawBit | kOscillatorSquareBit | kOscillatorPulseBit
    bool interval; // oscillator 3's square
};

// A chunk's phases and its centre, left and right sums, summed footage by footage.
struct OscillatorChunk {
    // Without sync the phase of oscillator k at sample i is start[k] + i * step[k] (modulo 2^32,
    // then masked to 28 bits); `phase` lists them only when `listed` (with sync, or for
    // kernels that read the lists).
    std::array<std::uint32_t, Oscillator::kOscillators> start{};
    std::array<std::uint32_t, Oscillator::kOscillators> step{};
    bool listed = true;
    Oscillator::PhaseChunk phase;
    std::array<double, Oscillator::kChunk> c;
    std::array<double, Oscillator::kChunk> l;
    std::array<double, Oscillator::kChunk> r;
};

struct OscillatorKernels {
    // Adds one footage to the sums of the chunk's first n samples.
    using Footage = void (*)(const OscillatorFootage&, OscillatorChunk&, int n);
    // Noise, stereo spread and gain of the chunk's first n samples, written `stride` doubles
    // apart; `seed` is the shared noise generator's state, advanced once per sample with noise.
    using Mix = void (*)(const OscillatorChunk&, double* left, double* right, int stride, int n,
                         std::uint32_t& seed, double noiseMix, double stereoSpread, double gain);

    // [layout][waves + 8 when the interval sounds]
    Footage footage[3][2 * kOscillatorWaveCombinations];
    Mix noise;  // noise mix above 0
    Mix sides;  // left and right sums without noise
    Mix centre; // left and right sums +0, no noise, finite spread: the centre alone
    // Whether the footage loops compute unsynced phases from start and step themselves.
    bool computesPhases;
    // Whether the footage loops read the quartered saw tables instead of the interleaved ones.
    bool readsQuartered;
};

// Two samples to a register: every build, and the one-voice reference.
const OscillatorKernels& BaseOscillatorKernels();
// Four samples to an AVX2 register; null where the build has none. Use only on a processor with
// AVX2.
const OscillatorKernels* Avx2OscillatorKernels();

} // namespace vorlunda
