#pragma once

namespace vorlunda {

// Smooths a controller (pitch bend, modulation wheel) stepped once per control tick: a
// second-order low-pass at 10 Hz for a 1000 Hz tick rate, Q = 1/sqrt(2). Non-normal input or
// state (denormal, infinite, NaN) is flushed to 0 before each step, so a bad value from the host
// can never stick in the state or cost denormal arithmetic.
class ControlSmoother {
public:
    explicit ControlSmoother(double tickRate = 1000.0, double cutoff = 10.0); // Hz, Hz

    // One control tick. Audio thread; no allocation.
    double Process(double x);
    void Reset() { x1 = x2 = y1 = y2 = 0.0; }

private:
    double b0 = 0.0, b1 = 0.0;               // feed-forward (b2 equals b0)
    double feedback1 = 0.0, feedback2 = 0.0; // added, not subtracted
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};

} // namespace vorlunda
