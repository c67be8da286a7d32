#pragma once

namespace vorlunda {

/// The master soft-clipping drive: gain in, a rational tanh-like curve that saturates at ±1,
/// gain out. At drive 0 it is a gentle limiter (gain 0.1 in, 10 out) that leaves small signals
/// unchanged.
///
/// Process runs on the audio thread, allocates nothing and never throws.
class Drive {
public:
    /// "Drive" 0..1.
    void SetDrive(double amount);

    /// Works in place on both channels of n samples.
    void Process(double* left, double* right, int n) const;

private:
    double preGain = 1.0;
    double postGain = 1.0;
};

} // namespace vorlunda
