#include "Random.h"

#include <chrono>

namespace vorlunda::validate {

namespace {

std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t RotateLeft(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

// FNV-1a: a stable hash of a part's name.
std::uint64_t NameHash(std::string_view name) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (char c : name) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001B3ull;
    }
    return h;
}

} // namespace

Random::Random(std::uint64_t seed) : seed(seed) {
    std::uint64_t x = seed;
    for (std::uint64_t& word : state)
        word = SplitMix(x);
}

std::uint64_t Random::Next() {
    const std::uint64_t result = RotateLeft(state[1] * 5, 7) * 9;
    const std::uint64_t t = state[1] << 17;
    state[2] ^= state[0];
    state[3] ^= state[1];
    state[1] ^= state[2];
    state[0] ^= state[3];
    state[2] ^= t;
    state[3] = RotateLeft(state[3], 45);
    return result;
}

std::uint32_t Random::Below(std::uint32_t bound) {
    if (bound == 0)
        return 0;
    // Lemire's multiply-and-reject: exact, and one multiplication in the common case.
    std::uint64_t product = (Next() >> 32) * bound;
    auto low = static_cast<std::uint32_t>(product);
    if (low < bound) {
        const std::uint32_t threshold = (0u - bound) % bound;
        while (low < threshold) {
            product = (Next() >> 32) * bound;
            low = static_cast<std::uint32_t>(product);
        }
    }
    return static_cast<std::uint32_t>(product >> 32);
}

int Random::Between(int lowest, int highest) {
    if (highest <= lowest)
        return lowest;
    const auto span = static_cast<std::uint32_t>(static_cast<std::int64_t>(highest) - lowest + 1);
    return static_cast<int>(lowest + static_cast<std::int64_t>(Below(span)));
}

double Random::Unit() {
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

float Random::UnitFloat() {
    // 2^24 + 1 equally likely values, 0 and 1 included.
    return static_cast<float>(Below((1u << 24) + 1)) * 0x1.0p-24f;
}

bool Random::Chance(double probability) {
    return Unit() < probability;
}

Random Random::Derive(std::string_view name) const {
    return Random(seed ^ NameHash(name));
}

std::uint64_t FreshSeed() {
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    std::uint64_t x = static_cast<std::uint64_t>(now);
    // Short enough to type back: 9 decimal digits at most.
    return SplitMix(x) % 1000000000ull;
}

} // namespace vorlunda::validate
