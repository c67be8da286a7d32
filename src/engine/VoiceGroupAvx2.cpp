// The group kernel with four voices to an AVX2 register. Only this file is compiled with AVX2
// (and -ffp-contract=off, so nothing becomes a fused multiply-add); it is reached only through
// the dispatch in VoiceGroupRenderer, after the processor reported AVX2.
#include "engine/VoiceGroupKernel.h"

namespace vorlunda {

#if defined(__AVX2__)
const VoiceGroupKernels* Avx2GroupKernels() {
    static constexpr VoiceGroupKernels kernels = MakeGroupKernels<4>();
    return &kernels;
}
#else
const VoiceGroupKernels* Avx2GroupKernels() {
    return nullptr;
}
#endif

} // namespace vorlunda
