#include "TempoMap.h"

#include <algorithm>
#include <cmath>

namespace vorlunda::render {

namespace {
constexpr double kDefaultMicrosPerQuarter = 500000.0; // 120 quarter notes per minute
constexpr double kMicrosPerMinute = 60.0e6;
} // namespace

TempoMap::TempoMap(int ticksPerQuarter) : ticksPerQuarter(std::max(ticksPerQuarter, 1)) {
    tempos.push_back({0, 0.0, kDefaultMicrosPerQuarter * 1e-6 / this->ticksPerQuarter,
                      kMicrosPerMinute / kDefaultMicrosPerQuarter});
    signatures.push_back({0, 4, 4});
}

void TempoMap::AddTempo(std::int64_t tick, std::uint32_t microsPerQuarter) {
    if (microsPerQuarter == 0 || tick < tempos.back().tick)
        return; // no tempo at all, or out of order: the file's timing stays as it was
    const TempoChange& last = tempos.back();
    const TempoChange change{
        tick, last.seconds + static_cast<double>(tick - last.tick) * last.secondsPerTick,
        microsPerQuarter * 1e-6 / ticksPerQuarter, kMicrosPerMinute / microsPerQuarter};
    if (tick == last.tick)
        tempos.back() = change;
    else
        tempos.push_back(change);
}

void TempoMap::AddTimeSignature(std::int64_t tick, int numerator, int denominator) {
    if (numerator <= 0 || denominator <= 0 || tick < signatures.back().tick)
        return;
    if (tick == signatures.back().tick)
        signatures.back() = {tick, numerator, denominator};
    else
        signatures.push_back({tick, numerator, denominator});
}

double TempoMap::Seconds(std::int64_t tick) const {
    auto after = std::upper_bound(tempos.begin(), tempos.end(), tick,
                                  [](std::int64_t t, const TempoChange& c) { return t < c.tick; });
    const TempoChange& c = *std::prev(after); // the first change sits at tick 0
    return c.seconds + static_cast<double>(tick - c.tick) * c.secondsPerTick;
}

MusicalPosition TempoMap::PositionAt(double seconds) const {
    seconds = std::max(seconds, 0.0);
    auto after = std::upper_bound(tempos.begin(), tempos.end(), seconds,
                                  [](double s, const TempoChange& c) { return s < c.seconds; });
    const TempoChange& c = *std::prev(after);
    const double tick = static_cast<double>(c.tick) + (seconds - c.seconds) / c.secondsPerTick;

    auto sigAfter = std::upper_bound(signatures.begin(), signatures.end(), tick,
                                     [](double t, const SignatureChange& s) { return t < s.tick; });
    const SignatureChange& sig = *std::prev(sigAfter);
    // A bar holds `numerator` notes of 1/denominator, i.e. 4 * numerator / denominator quarters.
    const double barTicks = ticksPerQuarter * 4.0 * sig.numerator / sig.denominator;
    const double sinceSignature = tick - static_cast<double>(sig.tick);
    const double barStartTick =
        static_cast<double>(sig.tick) + std::floor(sinceSignature / barTicks) * barTicks;

    MusicalPosition position;
    position.quarters = tick / ticksPerQuarter;
    position.tempo = c.quartersPerMinute;
    position.barStart = barStartTick / ticksPerQuarter;
    position.numerator = sig.numerator;
    position.denominator = sig.denominator;
    return position;
}

} // namespace vorlunda::render
