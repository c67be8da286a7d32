#include "engine/ParameterTable.h"
#include "engine/Vorlunda2.h"

#include "../core/ProgramTestSupport.h"
#include "support/EmptyPrograms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace vorlunda {
namespace {

constexpr char kHeader[] = "Vorlunda2_2.0.0";
constexpr int kValueBytes = 79 * 8;

// The instrument, recording the order in which the engine is told about parameters.
class AppliedSynth : public Vorlunda2 {
public:
    void ParameterChanged(int index) override {
        applied.push_back(index);
        Vorlunda2::ParameterChanged(index);
    }
    std::vector<int> applied;
};

StateChunk HeaderOnly(std::int32_t index, const std::string& name) {
    StateChunk chunk;
    chunk.AppendBytes(kHeader, 15);
    chunk.Append(index);
    chunk.AppendString(name);
    return chunk;
}

double ValueAt(const StateChunk& chunk, int offset) {
    double v = 0.0;
    std::memcpy(&v, chunk.Data() + offset, 8);
    return v;
}

TEST(ProgramState, HeaderedLayoutIsByteExact) {
    Vorlunda2 synth;
    synth.FillEmptyPresets(nullptr, 64);
    ASSERT_TRUE(synth.ActivatePreset(2));
    synth.ModifyCurrentPreset("Brass");
    synth.Parameter(kVolume)->SetReal(0.25);

    StateChunk chunk;
    chunk.Append(std::int32_t{-7}); // WriteState appends: what is there stays
    ASSERT_TRUE(synth.WriteState(chunk));
    // 15 header bytes, index, name length, 5 name bytes, 79 doubles.
    ASSERT_EQ(chunk.ByteCount(), 4 + 15 + 4 + 4 + 5 + kValueBytes);
    EXPECT_EQ(std::memcmp(chunk.Data() + 4, kHeader, 15), 0);
    std::int32_t index = 0, length = 0;
    chunk.Read(&index, 4 + 15);
    chunk.Read(&length, 4 + 19);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(std::memcmp(chunk.Data() + 4 + 23, "Brass", 5), 0);
    for (int i = 0; i < 79; ++i)
        ASSERT_EQ(ValueAt(chunk, 4 + 28 + 8 * i), synth.Parameter(i)->RealValue()) << i;
    EXPECT_EQ(ValueAt(chunk, 4 + 28 + 8 * kVolume), 0.25);
}

TEST(ProgramState, FactoryLoadWritesTheValuesAlone) {
    Vorlunda2 synth;
    synth.factoryLoad = true;
    StateChunk chunk;
    ASSERT_TRUE(synth.WriteState(chunk));
    ASSERT_EQ(chunk.ByteCount(), kValueBytes);
    for (int i = 0; i < 79; ++i)
        ASSERT_EQ(ValueAt(chunk, 8 * i), synth.Parameter(i)->RealValue()) << i;
    // The headerless state reads back whole: it is the older layout.
    Vorlunda2 other;
    EXPECT_EQ(other.ReadState(chunk, 0), kValueBytes);
}

TEST(ProgramState, RoundTripRestoresEveryValueAndAppliesAllInOrder) {
    Vorlunda2 source;
    for (int i = 0; i < 79; ++i)
        source.Parameter(i)->SetFromNormalised(std::fmod(0.13 * (i + 1), 1.0));
    StateChunk chunk;
    ASSERT_TRUE(source.WriteState(chunk));
    chunk.Append(std::int32_t{12345}); // a following item must not be consumed

    AppliedSynth target;
    EXPECT_EQ(target.ReadState(chunk, 0), chunk.ByteCount() - 4);
    for (int i = 0; i < 79; ++i)
        ASSERT_EQ(target.Parameter(i)->RealValue(), source.Parameter(i)->RealValue()) << i;
    // Every parameter reaches the engine, first in index order (the engine may re-apply some
    // on its own, e.g. all of them after a change of "Voices").
    std::vector<int> firstSeen;
    for (int index : target.applied) {
        if (std::find(firstSeen.begin(), firstSeen.end(), index) == firstSeen.end())
            firstSeen.push_back(index);
    }
    std::vector<int> order(79);
    for (int i = 0; i < 79; ++i)
        order[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(firstSeen, order);
}

TEST(ProgramState, HeaderIndexAndNameAreIgnoredWhenRead) {
    Vorlunda2 synth;
    test::EmptyAllPrograms(synth); // the slots as the plug-in base alone leaves them
    synth.FillEmptyPresets(nullptr, 64);
    StateChunk chunk = HeaderOnly(40, "Somebody else");
    for (int i = 0; i < 79; ++i)
        chunk.Append(synth.Parameter(i)->DefaultValue());
    EXPECT_EQ(synth.ReadState(chunk, 0), chunk.ByteCount());
    EXPECT_EQ(synth.CurrentProgram(), 0);
    EXPECT_STREQ(synth.PresetName(0), "Empty");
    EXPECT_STREQ(synth.PresetName(40), "Empty");
}

TEST(ProgramState, HeaderlessStatesReadNegativeEqualiserValuesAsFlat) {
    Vorlunda2 synth;
    StateChunk plain;
    for (int i = 0; i < 79; ++i)
        plain.Append(i == kEq200 ? -4.56 : (i == kEq1k ? 3.5 : synth.Parameter(i)->DefaultValue()));
    EXPECT_EQ(synth.ReadState(plain, 0), kValueBytes);
    EXPECT_EQ(synth.Parameter(kEq200)->RealValue(), 0.0);
    EXPECT_EQ(synth.Parameter(kEq1k)->RealValue(), 3.5);

    StateChunk headered = HeaderOnly(0, "");
    headered.AppendBytes(plain.Data(), plain.ByteCount());
    EXPECT_EQ(synth.ReadState(headered, 0), headered.ByteCount());
    EXPECT_EQ(synth.Parameter(kEq200)->RealValue(), -4.56);
}

TEST(ProgramState, StoredValuesAreClampedAndNaNBecomesTheMinimum) {
    Vorlunda2 synth;
    StateChunk chunk = HeaderOnly(0, "x");
    for (int i = 0; i < 79; ++i) {
        double v = synth.Parameter(i)->DefaultValue();
        if (i == kVoices)
            v = 9.0;
        else if (i == kVolume)
            v = std::numeric_limits<double>::quiet_NaN();
        else if (i == kLfoRate)
            v = -std::numeric_limits<double>::infinity();
        else if (i == kChorusDepth)
            v = std::numeric_limits<double>::infinity();
        chunk.Append(v);
    }
    ASSERT_EQ(synth.ReadState(chunk, 0), chunk.ByteCount());
    EXPECT_EQ(synth.Parameter(kVoices)->RealValue(), 6.0); // "64 Voices"
    EXPECT_EQ(synth.Parameter(kVolume)->RealValue(), synth.Parameter(kVolume)->Minimum());
    EXPECT_EQ(synth.Parameter(kLfoRate)->RealValue(), synth.Parameter(kLfoRate)->Minimum());
    EXPECT_EQ(synth.Parameter(kChorusDepth)->RealValue(), synth.Parameter(kChorusDepth)->Maximum());
}

TEST(ProgramState, ChunkCutAfterTenValuesFillsTheRestAsTheLayoutSays) {
    Vorlunda2 synth;
    StateChunk chunk = HeaderOnly(3, "Cut");
    for (int i = 0; i < 10; ++i)
        chunk.Append(i == 9 ? 1.0 : 0.0); // the tenth value read is 1
    EXPECT_EQ(synth.ReadState(chunk, 0), -1);
    // Parameters 10..59 read 0, clamped into their ranges.
    EXPECT_EQ(synth.Parameter(kVolume)->RealValue(), 0.0);
    EXPECT_EQ(synth.Parameter(kLfoRate)->RealValue(), 0.001);
    EXPECT_EQ(synth.Parameter(kFilterEnvAmount)->RealValue(), 0.0);
    for (int i = 10; i < 60; ++i) {
        const PlugParam* p = synth.Parameter(i);
        ASSERT_EQ(p->RealValue(), std::clamp(0.0, p->Minimum(), p->Maximum())) << i;
    }
    // Parameters 60..78 repeat the last value read, clamped into their own ranges.
    for (int i = 60; i < 79; ++i) {
        const PlugParam* p = synth.Parameter(i);
        ASSERT_EQ(p->RealValue(), std::clamp(1.0, p->Minimum(), p->Maximum())) << i;
    }
}

TEST(ProgramState, StateWithoutAnyValueGivesInRangeValues) {
    Vorlunda2 synth;
    const StateChunk chunk = HeaderOnly(0, "");
    EXPECT_EQ(synth.ReadState(chunk, 0), -1);
    for (int i = 60; i < 79; ++i) {
        const PlugParam* p = synth.Parameter(i);
        ASSERT_EQ(p->RealValue(), p->DefaultValue()) << i; // our choice: their defaults
    }
}

TEST(ProgramState, HeaderTestAndLyingNameLengths) {
    StateChunk chunk;
    chunk.AppendBytes("xx", 2);
    chunk.AppendBytes(kHeader, 15);
    EXPECT_TRUE(Vorlunda2::HasStateHeader(chunk, 2));
    EXPECT_FALSE(Vorlunda2::HasStateHeader(chunk, 0));
    EXPECT_FALSE(Vorlunda2::HasStateHeader(chunk, 3));  // 14 bytes left
    EXPECT_FALSE(Vorlunda2::HasStateHeader(chunk, 17)); // at the end
    EXPECT_FALSE(Vorlunda2::HasStateHeader(chunk, -1));
    EXPECT_FALSE(Vorlunda2::HasStateHeader(chunk, std::numeric_limits<int>::max()));

    Vorlunda2 synth;
    for (std::int32_t length : {-1, -2147483647 - 1, 2147483647, 633}) {
        StateChunk lying;
        lying.AppendBytes(kHeader, 15);
        lying.Append(std::int32_t{0});
        lying.Append(length);
        for (int i = 0; i < 79; ++i)
            lying.Append(0.5);
        EXPECT_EQ(synth.ReadState(lying, 0), -1) << length;
    }
    // A position before the start reads nothing and changes nothing; an empty state reads 0s.
    synth.Parameter(kVolume)->SetReal(0.7);
    EXPECT_EQ(synth.ReadState(chunk, -1), -1);
    EXPECT_EQ(synth.Parameter(kVolume)->RealValue(), 0.7);
    EXPECT_EQ(synth.ReadState(StateChunk(), 0), -1);
    EXPECT_EQ(synth.Parameter(kVolume)->RealValue(), 0.0);
}

} // namespace
} // namespace vorlunda
