#include "engine/Drive.h"

#include <cmath>

namespace vorlunda {

namespace {

// Beyond ±3 the curve has reached ±1 and stays there.
constexpr double kClipInput = 3.0;

double SoftClip(double x) {
    if (x < -kClipInput) {
        return -1.0;
    }
    if (x > kClipInput) {
        return 1.0;
    }
    // Rational approximation of tanh that reaches ±1 with zero slope at ±3, so the clip is smooth.
    const double x2 = x * x;
    return (x2 + 27.0) * x / (9.0 * x2 + 27.0);
}

void ProcessChannel(double* samples, int n, double preGain, double postGain) {
    for (int i = 0; i < n; ++i) {
        samples[i] = SoftClip(samples[i] * preGain) * postGain;
    }
}

} // namespace

void Drive::SetDrive(double amount) {
    preGain = amount * 19.9 + 0.1;
    // Makes up for the loss of level that the saturation causes at higher drive.
    postGain = 1.0 / (std::tanh(3.0 * amount) * 4.9 + 0.1);
}

void Drive::Process(double* left, double* right, int n) const {
    ProcessChannel(left, n, preGain, postGain);
    ProcessChannel(right, n, preGain, postGain);
}

} // namespace vorlunda
