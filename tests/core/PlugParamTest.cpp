#include "core/PlugParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace vorlunda {
namespace {

std::string Display(const PlugParam& p, double v, bool normalized = false) {
    char text[PlugParam::kTextSize] = {};
    p.FormatValue(v, normalized, text);
    return text;
}

TEST(PlugParam, ContinuousPrecisionFollowsStep) {
    PlugParam p;
    p.InitContinuous("Cutoff", 0.5, 0.0, 1.0, 0.01);
    EXPECT_EQ(p.Kind(), PlugParam::Type::Continuous);
    EXPECT_EQ(p.DisplayPrecision(), 2);
    EXPECT_EQ(Display(p, 0.5), "0.50");
    EXPECT_DOUBLE_EQ(p.ToNormalised(), 0.5);

    const double steps[] = {1.0, 0.5, 0.01, 0.001, 1e-7};
    const int decimals[] = {0, 1, 2, 3, 6}; // a ten-millionth stops at 6, never 7
    for (int i = 0; i < 5; ++i) {
        PlugParam q;
        q.InitContinuous("x", 0.0, 0.0, 10.0, steps[i]);
        EXPECT_EQ(q.DisplayPrecision(), decimals[i]) << "step " << steps[i];
    }
}

TEST(PlugParam, MaxIsAtLeastMinPlusStep) {
    PlugParam p;
    p.InitContinuous("x", 0.0, 2.0, 1.0, 0.5);
    EXPECT_DOUBLE_EQ(p.Maximum(), 2.5);
}

TEST(PlugParam, IntegerRoundsHalfUpFromZero) {
    PlugParam p;
    p.InitInteger("Bend", 0, -64, 64);
    EXPECT_EQ(p.Kind(), PlugParam::Type::Integer);
    EXPECT_EQ(p.DisplayPrecision(), 0);
    p.SetFromNormalised(0.5);
    EXPECT_DOUBLE_EQ(p.RealValue(), 0.0);
    p.SetFromNormalised(1.0);
    EXPECT_DOUBLE_EQ(p.RealValue(), 64.0);
    // 0.503 * 128 - 64 = 0.384, which rounds to 0.
    p.SetFromNormalised(0.503);
    EXPECT_DOUBLE_EQ(p.RealValue(), 0.0);
    // 0.51 * 128 - 64 = 1.28 -> 1
    p.SetFromNormalised(0.51);
    EXPECT_DOUBLE_EQ(p.RealValue(), 1.0);
    EXPECT_EQ(Display(p, -3.7), "-3"); // truncated toward zero
}

TEST(PlugParam, StepRoundingCountsFromZeroNotFromMin) {
    PlugParam p;
    p.InitInteger("x", 0, 0, 10);
    p.InitContinuous("x", 0.5, 0.5, 10.5, 1.0); // still integer: the first init decided the kind
    EXPECT_EQ(p.Kind(), PlugParam::Type::Integer);
    // normalised n with value 1.4: n = (1.4 - 0.5) / 10
    p.SetFromNormalised(0.09);
    EXPECT_DOUBLE_EQ(p.RealValue(), 1.0); // not 1.5
}

TEST(PlugParam, NoLowerClampFromNormalisedButSetRealClamps) {
    PlugParam p;
    p.InitContinuous("x", 0.0, 1.0, 2.0, 0.01);
    p.SetFromNormalised(-1.0);
    EXPECT_DOUBLE_EQ(p.RealValue(), 0.0);
    p.SetFromNormalised(3.0);
    EXPECT_DOUBLE_EQ(p.RealValue(), 2.0);
    p.SetReal(-5.0);
    EXPECT_DOUBLE_EQ(p.RealValue(), 1.0);
    p.SetReal(NAN);
    EXPECT_DOUBLE_EQ(p.RealValue(), 1.0); // a NaN never reaches the engine
    EXPECT_DOUBLE_EQ(p.ToNormalised(7.0), 1.0);
    EXPECT_DOUBLE_EQ(p.ToNormalised(-7.0), 0.0);
}

TEST(PlugParam, ShapeBendsTheNormalisedCurve) {
    PlugParam p;
    p.InitContinuous("Attack", 0.0, 0.0, 16.0, 0.001, "", "", 4.0);
    // shape 4: normalised 0.5 is 0.5^4 = 1/16 of the range above min
    EXPECT_DOUBLE_EQ(p.RealFromNormalised(0.5), 1.0);
    EXPECT_DOUBLE_EQ(p.ToNormalised(1.0), 0.5);
    p.InitContinuous("Attack", 0.0, 0.0, 16.0, 0.001, "", "", 0.0); // shape 0 keeps 4
    EXPECT_DOUBLE_EQ(p.Shape(), 4.0);
}

TEST(PlugParam, ValueTextsWinOverNumbersAndHideTheLabel) {
    PlugParam p;
    p.InitChoice("Mode", 1, 3);
    p.AddValueText(0, "Off");
    p.AddValueText(1, "On");
    p.AddValueText(1, "Shadowed"); // the first entry for a value wins
    p.AddValueText(2, "");         // an empty text falls back to the number
    p.InitContinuous("Mode", 1, 0, 2, 1, "dB");
    EXPECT_EQ(Display(p, 1.0), "On");
    EXPECT_STREQ(p.LabelText(), "");
    EXPECT_EQ(Display(p, 2.0), "2");
    p.SetReal(2.0);
    EXPECT_STREQ(p.LabelText(), "dB");
    EXPECT_EQ(Display(p, 1.0, false), "On");
    char text[PlugParam::kTextSize];
    p.FormatValue(1.0, false, text, false);
    EXPECT_STREQ(text, "1");

    double v = -1;
    EXPECT_TRUE(p.ValueOfText("On", &v));
    EXPECT_DOUBLE_EQ(v, 1.0);
    EXPECT_FALSE(p.ValueOfText("on", &v)); // exact byte comparison
    EXPECT_FALSE(p.ValueOfText("Shadowed!", &v));
}

TEST(PlugParam, DisplayFunctionOverridesTextsButNotTheLabelQuery) {
    PlugParam p;
    p.InitChoice("Mode", 0, 2);
    p.AddValueText(0, "Zero");
    p.SetDisplayFunction([](double v, char* text) { std::snprintf(text, 32, "f(%g)", v); });
    EXPECT_EQ(Display(p, 0.0), "f(0)");
    EXPECT_EQ(Display(p, 1.0, true), "f(1)"); // normalised 1 -> real 1
    EXPECT_STREQ(p.LabelText(), "");
}

TEST(PlugParam, HugeAndNonFiniteValuesStayInsideTheTextBuffer) {
    PlugParam p;
    p.InitContinuous("x", 0, -1e300, 1e300, 0.01);
    char text[PlugParam::kTextSize + 8];
    std::memset(text, 'Z', sizeof text);
    p.FormatValue(1e300, false, text);
    EXPECT_LT(std::strlen(text), static_cast<std::size_t>(PlugParam::kTextSize));
    EXPECT_EQ(text[PlugParam::kTextSize], 'Z');
    PlugParam q;
    q.InitInteger("n", 0, 0, 10);
    q.FormatValue(NAN, false, text);
    EXPECT_STREQ(text, "0");
    q.FormatValue(1e30, false, text);
    EXPECT_STREQ(text, "2147483647");
}

} // namespace
} // namespace vorlunda
