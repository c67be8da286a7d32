#include "engine/ControlSmoother.h"

#include <cmath>
#include <numbers>

namespace vorlunda {

static double Flush(double v) {
    return std::isnormal(v) ? v : 0.0;
}

ControlSmoother::ControlSmoother(double tickRate, double cutoff) {
    const double w = 2.0 * std::numbers::pi * cutoff / tickRate;
    const double alpha = std::sin(w) / std::sqrt(2.0);
    const double a0 = 1.0 + alpha;
    b0 = (1.0 - std::cos(w)) / 2.0 / a0;
    b1 = (1.0 - std::cos(w)) / a0;
    feedback1 = 2.0 * std::cos(w) / a0;
    feedback2 = (alpha - 1.0) / a0;
}

double ControlSmoother::Process(double x) {
    x = Flush(x);
    x1 = Flush(x1);
    x2 = Flush(x2);
    y1 = Flush(y1);
    y2 = Flush(y2);
    const double y = b0 * (x + x2) + b1 * x1 + feedback1 * y1 + feedback2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

} // namespace vorlunda
