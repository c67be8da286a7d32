#pragma once

#include "WavReader.h"

#include <string>

namespace vorlunda::render {

// How far two renders differ: the largest absolute sample difference, or why they cannot be
// compared at all (channels, sample rate or length differ).
struct WavComparison {
    static constexpr double kLimitDb = -100.0; // larger differences count as different renders

    std::string problem;         // empty when the files are comparable
    double peakDifference = 0.0; // 1.0 = full scale

    bool Comparable() const { return problem.empty(); }
    bool Same() const; // comparable and at most kLimitDb apart
};

WavComparison CompareWav(const WavData& a, const WavData& b);

} // namespace vorlunda::render
