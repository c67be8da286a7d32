// The group kernel with four voices to an AVX2 register, and the oscillator's inner loops with
// four samples to a register. Only this file is compiled with AVX2
// (and -ffp-contract=off, so nothing becomes a fused multiply-add); it is reached only through
// the dispatch in VoiceGroupRenderer, after the processor reported AVX2.
#include "engine/OscillatorWideKernel.h"
#include "engine/VoiceGroupKernel.h"

namespace vorlunda {

#if defined(__AVX2__)
const VoiceGroupKernels* Avx2GroupKernels() {
    static constexpr VoiceGroupKernels kernels = MakeGroupKernels<4>();
    return &kernels;
}
const OscillatorKernels* Avx2OscillatorKernels() {
    static constexpr OscillatorKernels kernels = MakeWideOscillatorKernels();
    return &kernels;
}
#else
const VoiceGroupKernels* Avx2GroupKernels() {
    return nullptr;
}
const OscillatorKernels* Avx2OscillatorKernels() {
    return nullptr;
}
#endif

} // namespace vorlunda
