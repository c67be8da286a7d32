#pragma once

namespace vorlunda {

// The widest group of voices rendered side by side: eight, one per lane of an AVX-512 register of
// doubles (four in AVX2, two in SSE2).
inline constexpr int kMaxGroupLanes = 8;

// One of a voice's two envelopes, per lane, as the group kernel steps it. Lanes whose envelope
// is idle when the chunk starts carry level 0, coefficient 0 and scale 0, so a step leaves them
// at 0 without a branch; their envelopes are not written back.
struct EnvelopeLanes {
    double level[kMaxGroupLanes];
    double target[kMaxGroupLanes];
    double coefficient[kMaxGroupLanes];
    double output[kMaxGroupLanes];
    double scale[kMaxGroupLanes]; // (velocity - 1) * level velocity amount + 1
    double stage[kMaxGroupLanes]; // 0 idle, 1 attack, 2 decay/sustain, 3 release
    double decayCoefficient[kMaxGroupLanes];
    double sustain[kMaxGroupLanes];
};

// One voice filter per lane: the coefficients of this tick and the states of both channels.
struct FilterLanes {
    double g[kMaxGroupLanes];
    double g4[kMaxGroupLanes];
    double m[kMaxGroupLanes];
    double k[kMaxGroupLanes];
    double normaliser[kMaxGroupLanes];
    double left[4][kMaxGroupLanes]; // s1..s4
    double right[4][kMaxGroupLanes];
    double biasLeft[kMaxGroupLanes];  // the left channel's bias at the chunk's first sample
    double biasRight[kMaxGroupLanes]; // the right channel's, which starts where the left ends
};

// Everything a group kernel reads and writes for one render chunk. The oscillator output comes
// in lane after lane, sample i of lane v at [v * samples + i] (readable up to `lanes` doubles past
// the last lane's chunk); the voices' contributions to the mix (filtered sample times amplitude
// envelope) go out interleaved, sample i of lane v at [i * lanes + v].
struct VoiceGroupLanes {
    FilterLanes filter;
    EnvelopeLanes filterEnvelope;
    EnvelopeLanes ampEnvelope;
    const double* inLeft = nullptr;
    const double* inRight = nullptr;
    double* outLeft = nullptr;
    double* outRight = nullptr;
    int samples = 0;
};

// Renders one chunk of a group: filter, envelope steps (none at sample 0, which belongs to the
// control tick) and the products for the mix, lane by lane the operations of the one-voice code.
using VoiceGroupKernel = void (*)(VoiceGroupLanes&);

// The kernels of one instruction set, for lowpass (1) or highpass (0) and poles 0..3.
struct VoiceGroupKernels {
    int lanes;
    VoiceGroupKernel run[2][4];
};

// SSE2, two voices to a register: every build.
const VoiceGroupKernels& Sse2GroupKernels();
// AVX2, four voices to a register; null where the build has none. Call only on a processor that
// has AVX2.
const VoiceGroupKernels* Avx2GroupKernels();
// AVX-512 (F, VL, DQ): eight voices to a register, and the four-lane kernel built with the 32
// registers of AVX-512; null where the build has none. Call only on a processor that has those.
const VoiceGroupKernels* Avx512GroupKernels();
const VoiceGroupKernels* Avx512QuadGroupKernels();

} // namespace vorlunda
