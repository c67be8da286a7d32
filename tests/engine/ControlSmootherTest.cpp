#include "engine/ControlSmoother.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace vorlunda {
namespace {

TEST(ControlSmoother, FirstStepsMatchTheBiquad) {
    // w = 2*pi*10/1000, alpha = sin(w)/sqrt(2), b0 = (1 - cos w)/2/(1 + alpha).
    const double w = 2.0 * std::numbers::pi * 0.01;
    const double a0 = 1.0 + std::sin(w) / std::sqrt(2.0);
    const double b0 = (1.0 - std::cos(w)) / 2.0 / a0;
    const double b1 = 2.0 * b0;
    const double f1 = 2.0 * std::cos(w) / a0;
    ControlSmoother s;
    const double y0 = s.Process(1.0);
    EXPECT_DOUBLE_EQ(y0, b0);
    const double y1 = s.Process(1.0);
    EXPECT_DOUBLE_EQ(y1, b0 + b1 + f1 * y0);
}

TEST(ControlSmoother, SettlesWithUnityGainAndLittleOvershoot) {
    ControlSmoother s;
    double y = 0.0, peak = 0.0;
    for (int i = 0; i < 1000; ++i) {
        y = s.Process(1.0);
        peak = std::max(peak, y);
    }
    EXPECT_NEAR(y, 1.0, 1e-9);
    EXPECT_LT(peak, 1.05); // Butterworth: about 4 % overshoot
}

TEST(ControlSmoother, FlushesNonNormalValues) {
    ControlSmoother s;
    s.Process(0.5);
    for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(), 1e-310}) {
        const double y = s.Process(bad);
        EXPECT_TRUE(std::isfinite(y)) << bad;
    }
    // After a NaN the state recovers to exact silence instead of sticking.
    ControlSmoother t;
    t.Process(std::numeric_limits<double>::quiet_NaN());
    double y = 1.0;
    for (int i = 0; i < 20000; ++i)
        y = t.Process(0.0);
    EXPECT_EQ(y, 0.0);
    EXPECT_EQ(std::fpclassify(y), FP_ZERO);
}

} // namespace
} // namespace vorlunda
