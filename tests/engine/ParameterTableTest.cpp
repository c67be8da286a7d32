#include "engine/ParameterTable.h"
#include "support/InstrumentHarness.h"
#include "vst2/IPluginVST.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace vorlunda {
namespace {

std::string Display(const PlugParam& p, double real) {
    char text[PlugParam::kTextSize] = {};
    p.FormatValue(real, false, text);
    return text;
}

TEST(ParameterTable, SeventyNineParametersWithTheirDefaults) {
    Vorlunda2 synth;
    ASSERT_EQ(synth.ParameterCount(), 79);
    // Saved projects depend on index and identity: pin a few names across the table.
    const std::pair<int, const char*> names[] = {
        {0, "Voices"},    {7, "I. Tune"},   {9, "Square16"},  {28, "Flt Frq"}, {35, "Repeat"},
        {49, "EQ 100"},   {55, "EQ 12K"},   {56, "SyncRate"}, {59, "MW > Fc"}, {60, "Saw 16"},
        {64, "Osc Sync"}, {74, "Cho Type"}, {78, "Cho Dpt"}};
    for (auto [index, name] : names)
        EXPECT_STREQ(synth.Parameter(index)->NameText(), name) << index;
    // Every value starts at its default as the table creates it; a new instrument then plays
    // factory program 0, so the table is examined on its own.
    PluginIdentity identity;
    identity.parameterCount = kParamCount;
    identity.programCount = 1;
    IPluginVST table(identity);
    InitInstrumentParameters(table);
    for (int i = 0; i < 79; ++i) {
        const PlugParam* p = table.Parameter(i);
        EXPECT_STREQ(p->NameText(), synth.Parameter(i)->NameText()) << i;
        EXPECT_EQ(p->RealValue(), p->DefaultValue()) << i;
        EXPECT_LE(std::strlen(p->NameText()), 8u) << i;
        EXPECT_NE(p->Kind(), PlugParam::Type::None) << i;
    }
    // Only the 8' square sounds by default.
    for (int i : {kSquare16, kSquare4, kSquare2, kPulse16, kPulse8, kPulse4, kPulse2, kInterval16,
                  kInterval8, kInterval4, kInterval2, kSaw16, kSaw8, kSaw4, kSaw2})
        EXPECT_EQ(table.Parameter(i)->RealValue(), 0.0) << i;
    EXPECT_EQ(table.Parameter(kSquare8)->RealValue(), 1.0);
    EXPECT_EQ(Display(*synth.Parameter(kVoices), 3), "8 Voices");
    EXPECT_EQ(Display(*synth.Parameter(kSyncRate), 15), "1/16");
    EXPECT_EQ(Display(*synth.Parameter(kOscSync), 1), "16'+");
    EXPECT_DOUBLE_EQ(synth.Parameter(kFilterCutoff)->DefaultValue(), 0.7071067811865476);
}

TEST(ParameterTable, CutoffAndIntervalDisplays) {
    Vorlunda2 synth;
    const PlugParam& cutoff = *synth.Parameter(kFilterCutoff);
    // floor(0.70710678 * 17281 + 0.5) = 12220 -> 2030.598 Hz
    EXPECT_EQ(Display(cutoff, cutoff.DefaultValue()), "2030");
    EXPECT_EQ(Display(cutoff, 1.0), "19912");
    EXPECT_EQ(Display(cutoff, 0.0), "8");
    const PlugParam& interval = *synth.Parameter(kIntervalTune);
    EXPECT_EQ(Display(interval, 896), "7.0");
    EXPECT_EQ(Display(interval, -1), "-0.0"); // -1/128 semitone rounds to a signed zero
}

// Every text the two displays can show reads back to a value that shows the same text.
TEST(ParameterTable, CutoffAndIntervalDisplaysReadBack) {
    Vorlunda2 synth;
    const PlugParam& cutoff = *synth.Parameter(kFilterCutoff);
    for (int pitch = 0; pitch <= 17280; ++pitch) {
        const std::string shown = Display(cutoff, pitch / 17281.0);
        double value = -1.0;
        ASSERT_TRUE(cutoff.ValueOfDisplay(shown.c_str(), &value)) << shown;
        ASSERT_EQ(Display(cutoff, value), shown) << pitch;
    }
    const PlugParam& interval = *synth.Parameter(kIntervalTune);
    for (int v = -896; v <= 896; ++v) {
        const std::string shown = Display(interval, v);
        double value = 0.0;
        ASSERT_TRUE(interval.ValueOfDisplay(shown.c_str(), &value)) << shown;
        ASSERT_EQ(Display(interval, value), shown) << v;
    }
    // 1000 Hz lies between two steps' whole hertz: the nearer step is taken.
    double value = 0.0;
    ASSERT_TRUE(cutoff.ValueOfDisplay("1000", &value));
    EXPECT_NEAR(std::stod(Display(cutoff, value)), 1000.0, 1.0);
    EXPECT_FALSE(cutoff.ValueOfDisplay("high", &value));
    EXPECT_FALSE(interval.ValueOfDisplay("", &value));
}

TEST(ParameterTable, StepRoundingByKind) {
    Vorlunda2 synth;
    synth.Parameter(kDetune)->SetFromNormalised(0.5);
    EXPECT_EQ(synth.Parameter(kDetune)->RealValue(), 32.0);
    synth.Parameter(kFilterKeyTrack)->SetFromNormalised(0.5);
    EXPECT_DOUBLE_EQ(synth.Parameter(kFilterKeyTrack)->RealValue(), 768.1); // continuous
    // "LFO Frq" has shape 4: normalised 0.5 is 1/16 of the range above 0.001 Hz.
    EXPECT_DOUBLE_EQ(synth.Parameter(kLfoRate)->RealFromNormalised(0.5),
                     0.001 + (99.999 - 0.001) / 16.0);
}

TEST(ParameterTable, SyncRateBeats) {
    EXPECT_EQ(SyncRateBeats(0), 16.0);
    EXPECT_EQ(SyncRateBeats(9), 1.0);
    EXPECT_DOUBLE_EQ(SyncRateBeats(11), 2.0 / 3.0);
    EXPECT_EQ(SyncRateBeats(15), 0.25);
    EXPECT_EQ(SyncRateBeats(19), 0.0625);
    EXPECT_EQ(SyncRateBeats(99), 0.0625); // out of range clamps, never reads past the table
}

} // namespace
} // namespace vorlunda
