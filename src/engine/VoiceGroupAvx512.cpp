// The four-voice group kernel built for processors with AVX-512 (F, VL, DQ): the same operations
// on the same 256-bit registers as the AVX2 build, but with 32 of them, so the states of four
// filters and two envelopes stay in registers for the whole chunk instead of going through the
// stack. Only this file is compiled with AVX-512 (and -ffp-contract=off); it is reached only
// through the dispatch in VoiceGroupRenderer, after the processor reported those features.
#include "engine/VoiceGroupKernel.h"

namespace vorlunda {

#if defined(__AVX512F__) && defined(__AVX512VL__) && defined(__AVX512DQ__)
const VoiceGroupKernels* Avx512GroupKernels() {
    static constexpr VoiceGroupKernels kernels = MakeGroupKernels<4>();
    return &kernels;
}
#else
const VoiceGroupKernels* Avx512GroupKernels() {
    return nullptr;
}
#endif

} // namespace vorlunda
