#pragma once

#include <cstdint>

namespace vorlunda::validate {

// The SSE floating-point control and status register (MXCSR) of the calling thread: rounding
// mode, exception masks, flush-to-zero and denormals-are-zero. A plug-in that changes it and
// does not restore it changes the arithmetic of the host and of every plug-in after it.
struct FloatControl {
    static constexpr std::uint32_t kFlushToZero = 0x8000;
    static constexpr std::uint32_t kDenormalsAreZero = 0x0040;
    // The six sticky exception flags, which any arithmetic may raise; not part of the mode.
    static constexpr std::uint32_t kStatusFlags = 0x003F;

    static bool Available();
    static std::uint32_t Read();
    static void Write(std::uint32_t value);
    // The control part only (status flags masked off).
    static std::uint32_t Mode() { return Read() & ~kStatusFlags; }
};

} // namespace vorlunda::validate
