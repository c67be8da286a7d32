#pragma once

#include <cstdint>
#include <string>

namespace vorlunda::validate {

// What a sample is, by its bits: the checks must not depend on the floating-point mode of the
// moment (a flush-to-zero mode would hide subnormals from an ordinary comparison).
enum class SampleKind { Zero, Normal, Subnormal, Infinite, NaN };

SampleKind KindOf(float value);
SampleKind KindOf(double value);

// The bit patterns written into buffers before a call: a quiet NaN that no arithmetic produces
// by chance marks samples the plug-in must overwrite; another marks guard zones it must not
// touch. Compared by bits, never by value.
struct Markers {
    static constexpr std::uint32_t kFloatUnwritten = 0x7FC0A5A5u;
    static constexpr std::uint32_t kFloatGuard = 0x7FC05A5Au;
    static constexpr std::uint64_t kDoubleUnwritten = 0x7FF8A5A5A5A5A5A5ull;
    static constexpr std::uint64_t kDoubleGuard = 0x7FF85A5A5A5A5A5Aull;
};

// Every fault one or more output blocks showed, counted by kind, with the first one described.
struct SampleFaults {
    long unwritten = 0; // samples still holding the marker after the call
    long nan = 0;       // other NaNs
    long infinite = 0;
    long subnormal = 0;
    long outOfRange = 0;  // finite but beyond the allowed peak
    long guardDamage = 0; // samples written before the buffer or past the frame count
    double peak = 0.0;    // largest finite magnitude seen
    // Where the first of the most severe faults was and what it was: a sample not written or a
    // write outside the block, then NaN or infinity, then out of range, then subnormal.
    std::string first;
    int firstSeverity = 0;

    long Total() const { return unwritten + nan + infinite + subnormal + outOfRange + guardDamage; }
    // Every fault but subnormal output, which is judged by its cost (Denormals) only.
    long Severe() const { return Total() - subnormal; }
    // Adds one fault of the kind `counter` counts, found at `where`.
    void Note(long& counter, const std::string& where);
    int Severity(const long& counter) const;
    void Merge(const SampleFaults& other);
    // "2 NaN, 1 written outside the block" (empty when clean), the most severe first.
    std::string Summary() const;
};

// Checks one sample against the output rules; `where` is built only for the first fault.
template <typename Sample>
void CheckSample(Sample value, double limit, SampleFaults& faults, const char* context, int channel,
                 int frame);

} // namespace vorlunda::validate
