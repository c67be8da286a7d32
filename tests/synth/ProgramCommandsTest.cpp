#include "engine/ParameterTable.h"
#include "engine/Vorlunda2.h"

#include <gtest/gtest.h>

namespace vorlunda {
namespace {

class Commands : public ::testing::Test {
protected:
    Commands() { synth.FillEmptyPresets(nullptr, Vorlunda2::kProgramCount); }
    void SetValue(int index, double v) {
        synth.Parameter(index)->SetReal(v);
        synth.ParameterChanged(index);
    }
    Vorlunda2 synth;
};

TEST_F(Commands, PasteTakesTheSourceNameAtPasteTime) {
    synth.SelectProgram(5);
    SetValue(kDetune, 40);
    synth.CopyProgram();
    synth.Preset(5)->name = "Renamed";
    synth.SelectProgram(9);
    SetValue(kDetune, 1);
    synth.PasteProgram();
    EXPECT_EQ(synth.Parameter(kDetune)->RealValue(), 40.0);
    EXPECT_STREQ(synth.PresetName(9), "Renamed");
    synth.SelectProgram(0);
    synth.SelectProgram(9); // the pasted state was stored in slot 9
    EXPECT_EQ(synth.Parameter(kDetune)->RealValue(), 40.0);
}

TEST_F(Commands, PasteBeforeCopyChangesNothing) {
    SetValue(kVolume, 0.9);
    const std::string name = synth.PresetName(0);
    synth.PasteProgram();
    EXPECT_EQ(synth.Parameter(kVolume)->RealValue(), 0.9);
    EXPECT_EQ(synth.PresetName(0), name);
}

TEST_F(Commands, InitProgramRestoresEveryDefault) {
    for (int i = 0; i < kParamCount; ++i)
        synth.Parameter(i)->SetFromNormalised(0.77);
    synth.ApplyAllParameters();
    synth.InitProgram();
    for (int i = 0; i < kParamCount; ++i)
        EXPECT_NEAR(synth.Parameter(i)->RealValue(), synth.Parameter(i)->DefaultValue(), 1e-9)
            << synth.Parameter(i)->NameText();
    EXPECT_STREQ(synth.PresetName(synth.CurrentProgram()), "Init");
}

TEST_F(Commands, SelectKeepsTheEditsOfTheProgramLeft) {
    synth.SelectProgram(2);
    SetValue(kNoiseMix, 0.42);
    synth.SelectProgram(3);
    SetValue(kNoiseMix, 0.0);
    synth.SelectProgram(2);
    EXPECT_EQ(synth.Parameter(kNoiseMix)->RealValue(), 0.42);
    synth.SelectProgram(64); // outside the bank: stays
    EXPECT_EQ(synth.CurrentProgram(), 2);
}

} // namespace
} // namespace vorlunda
