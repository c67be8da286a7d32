// The group kernels for processors with AVX-512 (F, VL, DQ): eight voices to a 512-bit register,
// and the four-voice kernel of the AVX2 build with 32 registers instead of 16, so that the states
// of four filters and two envelopes stay in registers for the whole chunk. Only this file is
// compiled with AVX-512 (and -ffp-contract=off); it is reached only through the dispatch in
// VoiceGroupRenderer, after the processor reported those features.
#include "engine/VoiceGroupKernel.h"

namespace vorlunda {

#if defined(__AVX512F__) && defined(__AVX512VL__) && defined(__AVX512DQ__)
const VoiceGroupKernels* Avx512GroupKernels() {
    static constexpr VoiceGroupKernels kernels = MakeGroupKernels<8>();
    return &kernels;
}
const VoiceGroupKernels* Avx512QuadGroupKernels() {
    static constexpr VoiceGroupKernels kernels = MakeGroupKernels<4>();
    return &kernels;
}
#else
const VoiceGroupKernels* Avx512GroupKernels() {
    return nullptr;
}
const VoiceGroupKernels* Avx512QuadGroupKernels() {
    return nullptr;
}
#endif

} // namespace vorlunda
