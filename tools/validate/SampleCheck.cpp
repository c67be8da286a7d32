#include "SampleCheck.h"

#include <bit>
#include <cmath>

namespace vorlunda::validate {

namespace {

template <typename Bits>
SampleKind Classify(Bits bits, int mantissaBits, Bits exponentMask) {
    const Bits magnitude = bits & ~(Bits{1} << (sizeof(Bits) * 8 - 1));
    const Bits exponent = magnitude & exponentMask;
    const Bits mantissa = magnitude & ((Bits{1} << mantissaBits) - 1);
    if (magnitude == 0)
        return SampleKind::Zero;
    if (exponent == 0)
        return SampleKind::Subnormal;
    if (exponent == exponentMask)
        return mantissa == 0 ? SampleKind::Infinite : SampleKind::NaN;
    return SampleKind::Normal;
}

bool IsUnwritten(float value) {
    return std::bit_cast<std::uint32_t>(value) == Markers::kFloatUnwritten;
}
bool IsUnwritten(double value) {
    return std::bit_cast<std::uint64_t>(value) == Markers::kDoubleUnwritten;
}

} // namespace

SampleKind KindOf(float value) {
    return Classify<std::uint32_t>(std::bit_cast<std::uint32_t>(value), 23, 0x7F800000u);
}

SampleKind KindOf(double value) {
    return Classify<std::uint64_t>(std::bit_cast<std::uint64_t>(value), 52, 0x7FF0000000000000ull);
}

int SampleFaults::Severity(const long& counter) const {
    if (&counter == &unwritten || &counter == &guardDamage)
        return 4;
    if (&counter == &nan || &counter == &infinite)
        return 3;
    if (&counter == &outOfRange)
        return 2;
    return 1; // subnormal
}

void SampleFaults::Note(long& counter, const std::string& where) {
    const int severity = Severity(counter);
    if (severity > firstSeverity) {
        first = where;
        firstSeverity = severity;
    }
    ++counter;
}

void SampleFaults::Merge(const SampleFaults& other) {
    if (other.firstSeverity > firstSeverity) {
        first = other.first;
        firstSeverity = other.firstSeverity;
    }
    unwritten += other.unwritten;
    nan += other.nan;
    infinite += other.infinite;
    subnormal += other.subnormal;
    outOfRange += other.outOfRange;
    guardDamage += other.guardDamage;
    peak = std::fmax(peak, other.peak);
}

std::string SampleFaults::Summary() const {
    std::string text;
    auto add = [&](long count, const char* what) {
        if (count == 0)
            return;
        if (!text.empty())
            text += ", ";
        text += std::to_string(count) + " " + what;
    };
    add(unwritten, "unwritten");
    add(guardDamage, "written outside the block");
    add(nan, "NaN");
    add(infinite, "infinite");
    add(outOfRange, "out of range");
    add(subnormal, "subnormal");
    return text;
}

template <typename Sample>
void CheckSample(Sample value, double limit, SampleFaults& faults, const char* context, int channel,
                 int frame) {
    auto where = [&](const char* what) {
        return std::string(context) + ": " + what + " at channel " + std::to_string(channel) +
               " frame " + std::to_string(frame);
    };
    if (IsUnwritten(value)) {
        faults.Note(faults.unwritten, where("sample not written"));
        return;
    }
    switch (KindOf(value)) {
    case SampleKind::Zero:
        return;
    case SampleKind::NaN:
        faults.Note(faults.nan, where("NaN"));
        return;
    case SampleKind::Infinite:
        faults.Note(faults.infinite, where("infinity"));
        return;
    case SampleKind::Subnormal:
        faults.Note(faults.subnormal, where("subnormal"));
        return;
    case SampleKind::Normal:
        break;
    }
    const double magnitude = std::fabs(static_cast<double>(value));
    if (magnitude > faults.peak)
        faults.peak = magnitude;
    if (magnitude > limit)
        faults.Note(faults.outOfRange, where(("magnitude " + std::to_string(magnitude)).c_str()));
}

template void CheckSample<float>(float, double, SampleFaults&, const char*, int, int);
template void CheckSample<double>(double, double, SampleFaults&, const char*, int, int);

} // namespace vorlunda::validate
