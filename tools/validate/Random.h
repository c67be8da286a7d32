#pragma once

#include <cstdint>
#include <string_view>

namespace vorlunda::validate {

// The validator's only source of randomness: xoshiro256** seeded through splitmix64. Written
// out rather than taken from <random>, whose distributions differ between standard libraries,
// so that one seed gives the same run on Linux and under Windows.
class Random {
public:
    explicit Random(std::uint64_t seed);

    std::uint64_t Next();
    // 0 .. bound - 1 without modulo bias; 0 when bound is 0.
    std::uint32_t Below(std::uint32_t bound);
    // lowest .. highest, both included.
    int Between(int lowest, int highest);
    // [0, 1) with 53 random bits.
    double Unit();
    // [0, 1] as the host hands parameter values over.
    float UnitFloat();
    bool Chance(double probability);
    // An independent generator for one named part of a run: the same seed and name always
    // give the same stream, whatever the other parts drew before.
    Random Derive(std::string_view name) const;

private:
    std::uint64_t seed;
    std::uint64_t state[4];
};

// A seed from the clock, for runs started without --seed.
std::uint64_t FreshSeed();

} // namespace vorlunda::validate
