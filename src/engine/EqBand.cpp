#include "engine/EqBand.h"

#include <cmath>
#include <numbers>

namespace vorlunda {

namespace {

constexpr double kDesignFrequency = 1000.0; // Hz, until the engine designs the real band
// Bandwidth term ln 2 / 2 × octaves for a bandwidth of one octave.
constexpr double kHalfLn2 = std::numbers::ln2 / 2.0;
// A state below this holds nothing but the offset's echo: 220 dB under full scale, and a
// hundred times the offset.
constexpr double kRestLevel = 1e-11;

bool Quiet(double v) {
    return std::fabs(v) < kRestLevel;
}

} // namespace

EqBand::EqBand() {
    Design(kDesignFrequency);
}

void EqBand::SetSampleRate(double sampleRate) {
    inverseRate = 1.0 / static_cast<float>(sampleRate);
}

void EqBand::Design(double frequency) {
    const double w = 2.0 * std::numbers::pi * frequency * inverseRate;
    const double sinW = std::sin(w);
    // w / sin w compensates the bilinear transform's compression of the bandwidth.
    alpha = sinW * std::sinh(kHalfLn2 * w / sinW);
    cosW = std::cos(w);
    UpdateCoefficients();
}

void EqBand::SetGain(double decibels) {
    // 10^(dB / 40): the peak gain of this design is A², so A is the amplitude's square root.
    gainA = std::pow(10.0, decibels * 0.025);
    enabled = decibels != 0.0;
    UpdateCoefficients();
}

void EqBand::UpdateCoefficients() {
    // Normalised by a0 so the filter needs no division per sample.
    a0 = alpha / gainA + 1.0;
    b0 = (1.0 + alpha * gainA) / a0;
    b1 = -2.0 * cosW / a0;
    a1 = b1;
    b2 = (1.0 - alpha * gainA) / a0;
    a2 = (1.0 - alpha / gainA) / a0;
}

void EqBand::Process(double* left, double* right, int n) {
    if (!enabled) {
        return;
    }
    // The offset flips sign at every sample of the left channel and then goes on flipping
    // through the right one, so the right channel's sample i gets the left's offset times
    // (-1)^n. Both channels run in one loop: their recurrences are independent, and side by
    // side each waits for its own previous sample while the other computes.
    const double rightSign = n % 2 == 0 ? 1.0 : -1.0;
    double c = bias;
    ChannelState l = state[0];
    ChannelState r = state[1];
    for (int i = 0; i < n; ++i) {
        left[i] = Step(left[i], c, l);
        right[i] = Step(right[i], c * rightSign, r);
        c = -c;
    }
    state[0] = l;
    state[1] = r;
}

double EqBand::Step(double in, double c, ChannelState& s) const {
    if (s.resting) {
        if (in == 0.0)
            return in;     // silence stays exact silence
        s.resting = false; // sound is back: on from the cleared state
    }
    // The offset keeps every state value far above the denormal range when the input falls
    // silent; it flips sign each sample so that it adds no DC.
    const double x = c + in;
    const double y = b0 * x + b1 * s.x1 + b2 * s.x2 - a1 * s.y1 - a2 * s.y2 + c;
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    // Bit for bit as before until then: the rest only replaces the offset's ±1e-13 echo.
    if (in == 0.0 && Quiet(s.x1) && Quiet(s.x2) && Quiet(s.y1) && Quiet(s.y2)) {
        s = ChannelState{};
        s.resting = true;
        return 0.0;
    }
    return y;
}

} // namespace vorlunda
