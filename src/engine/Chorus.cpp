#include "engine/Chorus.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace vorlunda {

namespace {

constexpr double kMinDelay = 0.001;        // s, delay of a tap whose target is 0
constexpr double kModulationDelay = 0.016; // s, added at full target
// The line holds the longest delay (17 ms) plus two samples: one for the second sample that a
// tap interpolates with, one for the truncation of the length.
constexpr double kLineSeconds = kMinDelay + kModulationDelay; // s
constexpr int kLineExtraSamples = 2;
constexpr int kMinLineLength = kLineExtraSamples; // samples
constexpr double kMaxLineLength = 1 << 24;        // samples, guards against absurd rates
// The delay glides to its target over 0.999 of a tick, so it never overshoots at ~1000 ticks/s.
constexpr double kGlideTicksPerSecond = 999.0;
constexpr double kInputScale = 0.33; // headroom for the sum of two channels and three taps

constexpr double kRateSettingMax = 100.0; // top of "Cho LFO1" / "Cho LFO2"

constexpr double kOneThirdCycle = 0.6666666666666666;  // phase units
constexpr double kTwoThirdsCycle = 1.3333333333333333; // phase units

struct ChorusMode {
    double lfo1Increment; // phase units per tick
    double lfo2Increment; // phase units per tick
    double depth;
};

// What "Cho LFO1" / "Cho LFO2" at 7 / 13 and "Cho Dpt" 0.2 give ("Mode 1"), and 3 / 5 and 0.6
// ("Mode 2").
constexpr ChorusMode kModes[] = {
    {0.001400986, 0.0026009739999999994, 0.1},
    {0.000600994, 0.0010009899999999998, 0.3},
};

// NaN-safe: anything that is not above 0 becomes 0.
double ClampUnit(double x) {
    return x > 0.0 ? (x < 1.0 ? x : 1.0) : 0.0;
}

// A rate setting of 0..100 as phase units per tick, 0.000001 .. 0.020001 (a triangle of
// 0.0005 Hz .. 10 Hz). The setting is normalised first, as the parameter's linear 0..100 range
// gives it.
double LfoIncrement(double setting) {
    const double normalised = setting / kRateSettingMax;
    return (normalised * 0.1 * 2.0 * 99.999 + 0.001) / 1000.0;
}

} // namespace

void Chorus::TriangleLfo::Tick() {
    for (int i = 0; i < kTaps; ++i) {
        output[i] = std::fabs(phase[i]);
    }
    phase[0] += increment;
    phase[1] = phase[0] + kOneThirdCycle;
    phase[2] = phase[0] + kTwoThirdsCycle;
    for (double& p : phase) {
        if (p >= 1.0) {
            p -= 2.0;
        }
    }
}

Chorus::Chorus() {
    Prepare(1.0);
}

void Chorus::Prepare(double rate) {
    if (rate != sampleRate) {
        sampleRate = rate;
        slopeScale = kGlideTicksPerSecond / rate;
    }
    const double span = rate * kLineSeconds;
    const int wanted = span > 0.0 && span < kMaxLineLength
                           ? static_cast<int>(span) + kLineExtraSamples
                           : kMinLineLength;
    if (static_cast<int>(line.size()) != wanted) {
        try {
            std::vector<double> fresh(static_cast<std::size_t>(wanted));
            line.swap(fresh);
        } catch (const std::bad_alloc&) {
            // Keep the old line: the reads clamp the delay to whatever length the line has. Only
            // the constructor has no old line to keep.
            if (line.size() < static_cast<std::size_t>(kMinLineLength)) {
                throw;
            }
        }
    }
    lineLength = static_cast<int>(line.size());
    std::fill(line.begin(), line.end(), 0.0);
    writeIndex = 0;
    delay.fill(0.0);
    slope.fill(0.0);
    depth = 0.0;
}

void Chorus::SetMix(double mix) {
    dry = std::sqrt(1.0 - mix);
    wet = std::sqrt(mix);
}

void Chorus::SetStereo(double amount) {
    stereo = amount;
}

void Chorus::SetType(int type) {
    if (type < 0 || type > 1) {
        return;
    }
    lfoA.increment = kModes[type].lfo1Increment;
    lfoB.increment = kModes[type].lfo2Increment;
    depth = kModes[type].depth;
}

void Chorus::SetLfo1Rate(double setting) {
    lfoA.increment = LfoIncrement(setting);
}

void Chorus::SetLfo2Rate(double setting) {
    lfoB.increment = LfoIncrement(setting);
}

void Chorus::SetDepth(double amount) {
    depth = amount * 0.5;
}

void Chorus::Tick() {
    lfoA.Tick();
    lfoB.Tick();
    for (int t = 0; t < kTaps; ++t) {
        const double target = ClampUnit((lfoA.output[t] + lfoB.output[t]) * depth);
        const double targetDelay = (target * kModulationDelay + kMinDelay) * sampleRate;
        slope[t] = (targetDelay - delay[t]) * slopeScale;
    }
}

double Chorus::ReadTap(double delaySamples) const {
    // Clamped so that no cadence of ticks and no depth can read outside the line; in normal
    // running the delay stays within 1..17 ms and the clamp never acts.
    double d = delaySamples >= 0.0 ? delaySamples : 0.0;
    const double longest = lineLength - 1;
    if (d > longest) {
        d = longest;
    }
    const int k = static_cast<int>(d);
    const double f = d - k;
    int older = writeIndex - k;
    if (older < 0) {
        older += lineLength;
    }
    const int newer = older + 1 == lineLength ? 0 : older + 1;
    return f * (line[older] - line[newer]) + line[newer];
}

void Chorus::Process(const double* inLeft, const double* inRight, double* outLeft, double* outRight,
                     int n) {
    for (int i = 0; i < n; ++i) {
        const double l = inLeft[i];
        const double r = inRight[i];
        line[writeIndex] = (l + r) * kInputScale;
        const double y0 = ReadTap(delay[0]);
        const double y1 = ReadTap(delay[1]);
        const double y2 = ReadTap(delay[2]);
        // Tap 2 sits in the centre; taps 0 and 1 move toward the left and right by "Stereo".
        outLeft[i] = ((1.0 + stereo) * y0 + y2 + (1.0 - stereo) * y1) * 0.5 * wet + l * dry;
        outRight[i] = ((1.0 - stereo) * y0 + y2 + (1.0 + stereo) * y1) * 0.5 * wet + r * dry;
        writeIndex = writeIndex + 1 == lineLength ? 0 : writeIndex + 1;
        for (int t = 0; t < kTaps; ++t) {
            delay[t] += slope[t];
        }
    }
}

} // namespace vorlunda
