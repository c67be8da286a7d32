#include "FloatControl.h"

#if defined(__SSE__) || defined(_M_X64) || defined(__x86_64__)
#include <xmmintrin.h>
#define VORLUNDA_HAVE_MXCSR 1
#endif

namespace vorlunda::validate {

#if defined(VORLUNDA_HAVE_MXCSR)

bool FloatControl::Available() {
    return true;
}
std::uint32_t FloatControl::Read() {
    return _mm_getcsr();
}
void FloatControl::Write(std::uint32_t value) {
    _mm_setcsr(value);
}

#else

bool FloatControl::Available() {
    return false;
}
std::uint32_t FloatControl::Read() {
    return 0;
}
void FloatControl::Write(std::uint32_t) {}

#endif

} // namespace vorlunda::validate
