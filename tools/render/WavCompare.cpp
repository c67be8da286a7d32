#include "WavCompare.h"

#include <algorithm>
#include <cmath>

namespace vorlunda::render {

bool WavComparison::Same() const {
    return Comparable() && std::isfinite(peakDifference) &&
           (peakDifference == 0.0 || 20.0 * std::log10(peakDifference) <= kLimitDb);
}

WavComparison CompareWav(const WavData& a, const WavData& b) {
    WavComparison comparison;
    if (a.channels != b.channels)
        comparison.problem = "channel counts differ (" + std::to_string(a.channels) + " and " +
                             std::to_string(b.channels) + ")";
    else if (a.sampleRate != b.sampleRate)
        comparison.problem = "sample rates differ (" + std::to_string(a.sampleRate) + " and " +
                             std::to_string(b.sampleRate) + " Hz)";
    else if (a.Frames() != b.Frames())
        comparison.problem = "lengths differ (" + std::to_string(a.Frames()) + " and " +
                             std::to_string(b.Frames()) + " frames)";
    if (!comparison.Comparable())
        return comparison;
    for (std::size_t i = 0; i < a.samples.size(); ++i) {
        const double difference =
            std::fabs(static_cast<double>(a.samples[i]) - static_cast<double>(b.samples[i]));
        // A NaN on one side only is as different as samples get.
        if (std::isnan(difference) && std::isnan(a.samples[i]) != std::isnan(b.samples[i]))
            comparison.peakDifference = INFINITY;
        else if (!std::isnan(difference))
            comparison.peakDifference = std::max(comparison.peakDifference, difference);
    }
    return comparison;
}

} // namespace vorlunda::render
