// The group kernel with two voices to an SSE2 register: the baseline of every build (the
// 32-bit Windows build is compiled with -msse2 -mfpmath=sse).
#include "engine/VoiceGroupKernel.h"

namespace vorlunda {

const VoiceGroupKernels& Sse2GroupKernels() {
    static constexpr VoiceGroupKernels kernels = MakeGroupKernels<2>();
    return kernels;
}

} // namespace vorlunda
