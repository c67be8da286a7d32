// Program slots, the bank layout and the chunks exchanged with the host.
#include "core/IPluginBase.h"
#include "core/StateChunk.h"
#include "engine/ParameterTable.h"
#include "engine/Vorlunda2.h"
#include "synth/Synth.h"

#include "ProgramTestSupport.h"
#include "support/EmptyPrograms.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vorlunda {
namespace {

using programtest::FillDistinctPrograms;
using programtest::ObservedSynth;
using programtest::ProgramFingerprint;

constexpr int kValueBytes = 79 * 8;

// The 79 values at the end of a stored state (its header, if any, names the program that was
// current when it was written, which differs between instances).
std::vector<std::uint8_t> StateValues(const StateChunk& state) {
    if (state.ByteCount() < kValueBytes)
        return {};
    return {state.Data() + state.ByteCount() - kValueBytes, state.Data() + state.ByteCount()};
}

void ExpectSameProgramsAndValues(Vorlunda2& a, Vorlunda2& b) {
    for (int slot = 0; slot < 64; ++slot) {
        ASSERT_EQ(a.Preset(slot)->name, b.Preset(slot)->name) << slot;
        ASSERT_EQ(a.Preset(slot)->initialized, b.Preset(slot)->initialized) << slot;
        ASSERT_EQ(StateValues(a.Preset(slot)->state), StateValues(b.Preset(slot)->state)) << slot;
    }
}

TEST(StateChunk, GrowthOverReservesByHalfInPageSteps) {
    // Reserve = request + half the request rounded down to 4096 (4096..4194304), then rounded
    // up so that reserve + 96 is a multiple of 4096.
    StateChunk chunk;
    chunk.Append(true);
    EXPECT_EQ(chunk.Reserved(), 8192 - 96); // 1 + 4096 -> 8096
    chunk.SetSize(8096);
    EXPECT_EQ(chunk.Reserved(), 8096); // fits: no new reserve
    chunk.SetSize(8097);
    EXPECT_EQ(chunk.Reserved(), 16384 - 96); // 8097 + 4096 = 12193 -> 16288
    chunk.SetSize(100000);
    EXPECT_EQ(chunk.Reserved(), 151552 - 96); // 100000 + 49152 = 149152 -> 151456
    chunk.SetSize(20000000);
    EXPECT_EQ(chunk.Reserved(), 24195072 - 96); // 20000000 + 4194304 (the cap) -> 24194976
}

TEST(Presets, SerializeWritesNameFlagAndStateOfEachSlot) {
    Vorlunda2 synth;
    test::EmptyAllPrograms(synth); // the slots as the plug-in base alone leaves them
    synth.FillEmptyPresets(nullptr, 2);
    StateChunk chunk;
    ASSERT_TRUE(synth.SerializePresets(chunk));

    const StateChunk& state = synth.Preset(0)->state;
    ASSERT_EQ(state.ByteCount(), 15 + 4 + 4 + 5 + kValueBytes); // current program "Empty"
    // Two initialised slots "Empty", then 62 uninitialised "empty" with a 0 flag only.
    const int initialised = 4 + 5 + 1 + state.ByteCount();
    ASSERT_EQ(chunk.ByteCount(), 2 * initialised + 62 * (4 + 5 + 1));
    std::string name;
    bool flag = false;
    int pos = chunk.ReadString(&name, 0);
    pos = chunk.Read(&flag, pos);
    EXPECT_EQ(name, "Empty");
    EXPECT_TRUE(flag);
    EXPECT_EQ(
        std::memcmp(chunk.Data() + pos, state.Data(), static_cast<std::size_t>(state.ByteCount())),
        0);
    pos = chunk.ReadString(&name, 2 * initialised);
    pos = chunk.Read(&flag, pos);
    EXPECT_EQ(name, "empty");
    EXPECT_FALSE(flag);
    EXPECT_EQ(pos, 2 * initialised + 10);
}

TEST(Presets, FirstUseOfAnEmptySlotCountsExistingUserPresets) {
    Vorlunda2 synth;
    test::EmptyAllPrograms(synth); // the slots as the plug-in base alone leaves them
    synth.FillEmptyPresets(nullptr, 3);
    synth.ActivatePreset(0);
    synth.ModifyCurrentPreset("my user preset");
    synth.ActivatePreset(1);
    synth.ModifyCurrentPreset("user preset 7");
    synth.Parameter(kVolume)->SetReal(0.3);
    ASSERT_TRUE(synth.ActivatePreset(10));
    EXPECT_STREQ(synth.PresetName(10), "user preset 3");
    EXPECT_TRUE(synth.Preset(10)->initialized);
    // The slot captured the live sound.
    synth.ActivatePreset(2);
    synth.ActivatePreset(10);
    EXPECT_EQ(synth.Parameter(kVolume)->RealValue(), 0.3);
}

TEST(Presets, BankChunkRoundTripsEverySlotIntoANewInstance) {
    Vorlunda2 source;
    FillDistinctPrograms(source, 9);
    source.Parameter(kVolume)->SetReal(0.11); // an unstored edit of program 9
    StateChunk chunk;
    ASSERT_TRUE(source.WriteBankChunk(chunk));
    const std::uint8_t header[8] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
    EXPECT_EQ(std::memcmp(chunk.Data(), header, 8), 0);

    Vorlunda2 target;
    target.FillEmptyPresets(nullptr, 64);
    target.ActivatePreset(4);
    EXPECT_EQ(target.ReadHostChunk(chunk, true, false), chunk.ByteCount());
    ExpectSameProgramsAndValues(source, target);
    EXPECT_EQ(source.Preset(9)->name, "Program 9");
    // The edit travelled with the bank; the target's own current program stays current and live.
    EXPECT_EQ(target.CurrentProgram(), 4);
    target.ActivatePreset(9);
    EXPECT_EQ(target.Parameter(kVolume)->RealValue(), 0.11);
    for (int i = 0; i < 79; ++i)
        ASSERT_EQ(target.Parameter(i)->RealValue(), source.Parameter(i)->RealValue()) << i;
}

TEST(Presets, BankChunkWithUninitialisedSlotsEmptiesThoseSlots) {
    Vorlunda2 source;
    test::EmptyAllPrograms(source);
    source.FillEmptyPresets(nullptr, 3); // slots 3..63 stay uninitialised
    StateChunk chunk;
    ASSERT_TRUE(source.WriteBankChunk(chunk));

    Vorlunda2 target;
    target.FillEmptyPresets(nullptr, 64);
    for (int slot = 0; slot < 64; ++slot)
        ASSERT_TRUE(target.Preset(slot)->initialized) << slot;
    EXPECT_EQ(target.ReadHostChunk(chunk, true, false), chunk.ByteCount());
    for (int slot = 0; slot < 64; ++slot)
        EXPECT_EQ(target.Preset(slot)->initialized, slot < 3) << slot;
    EXPECT_EQ(target.Preset(10)->name, "empty");
}

TEST(Presets, UnserializeRestoresEveryStateInTheCurrentLayout) {
    Vorlunda2 source;
    FillDistinctPrograms(source, 0);
    // A bank of headerless (older) states is stored back with the header.
    source.factoryLoad = true;
    for (int slot = 0; slot < 64; ++slot) {
        source.ActivatePreset(slot);
        source.ModifyCurrentPreset();
    }
    source.factoryLoad = false;
    ASSERT_EQ(source.Preset(5)->state.ByteCount(), kValueBytes);
    StateChunk bank;
    ASSERT_TRUE(source.SerializePresets(bank));

    Vorlunda2 target;
    target.FillEmptyPresets(nullptr, 64);
    ASSERT_TRUE(target.ActivatePreset(3));
    EXPECT_EQ(target.UnserializePresets(bank, 0), bank.ByteCount());
    EXPECT_TRUE(Vorlunda2::HasStateHeader(target.Preset(5)->state, 0));
    EXPECT_EQ(target.CurrentProgram(), 3);
    source.ActivatePreset(3);
    for (int i = 0; i < 79; ++i)
        ASSERT_EQ(target.Parameter(i)->RealValue(), source.Parameter(i)->RealValue()) << i;
}

TEST(Presets, ProgramChunkCarriesStateAndNameIntoTheCurrentSlot) {
    Vorlunda2 source;
    FillDistinctPrograms(source, 12);
    StateChunk chunk;
    ASSERT_TRUE(source.WriteProgramChunk(chunk));
    // Header, the live state (naming "Program 12" in its own header), then the name.
    const int state = 15 + 4 + 4 + 10 + kValueBytes;
    ASSERT_EQ(chunk.ByteCount(), 8 + state + 4 + 10);
    EXPECT_EQ(std::memcmp(chunk.Data() + 8 + state + 4, "Program 12", 10), 0);

    ObservedSynth target;
    target.FillEmptyPresets(nullptr, 64);
    target.ActivatePreset(30);
    EXPECT_EQ(target.ReadHostChunk(chunk, false, false), chunk.ByteCount());
    EXPECT_STREQ(target.PresetName(30), "Program 12");
    EXPECT_EQ(target.CurrentProgram(), 30);
    EXPECT_EQ(StateValues(target.Preset(30)->state), StateValues(source.Preset(12)->state));
    for (int i = 0; i < 79; ++i)
        ASSERT_EQ(target.Parameter(i)->RealValue(), source.Parameter(i)->RealValue()) << i;

    // A state alone (no header, no name) is a program too; the slot keeps its name.
    StateChunk bare;
    source.ActivatePreset(20);
    source.WriteState(bare);
    EXPECT_EQ(target.ReadHostChunk(bare, true, false), bare.ByteCount());
    EXPECT_STREQ(target.PresetName(30), "Program 12");
    EXPECT_EQ(StateValues(target.Preset(30)->state), StateValues(source.Preset(20)->state));
}

TEST(Presets, BankDataOfferedAsAProgramIsLoadedAsABankWhenAsked) {
    Vorlunda2 source;
    FillDistinctPrograms(source, 0);
    StateChunk bank;
    ASSERT_TRUE(source.WriteBankChunk(bank));

    Vorlunda2 target;
    target.FillEmptyPresets(nullptr, 64);
    EXPECT_EQ(target.ReadHostChunk(bank, false, true), bank.ByteCount());
    ExpectSameProgramsAndValues(source, target);

    // A program chunk read exactly is not tried again.
    StateChunk program;
    source.ActivatePreset(33);
    ASSERT_TRUE(source.WriteProgramChunk(program));
    EXPECT_EQ(target.ReadHostChunk(program, false, true), program.ByteCount());
    EXPECT_STREQ(target.PresetName(0), "Program 33");
}

TEST(Presets, NamesLongerThan255BytesAreCut) {
    const std::string longName(300, 'n');
    Vorlunda2 source;
    source.FillEmptyPresets(nullptr, 64);
    source.Preset(7)->name = longName; // as a bank from elsewhere could carry it
    StateChunk bank;
    ASSERT_TRUE(source.WriteBankChunk(bank));

    Vorlunda2 target;
    target.FillEmptyPresets(nullptr, 64);
    ASSERT_GE(target.ReadHostChunk(bank, true, false), 0);
    EXPECT_EQ(target.Preset(7)->name, std::string(255, 'n'));

    StateChunk program;
    IPluginBase::StartChunkWithHeader(program);
    source.WriteState(program);
    program.AppendString(longName);
    ASSERT_EQ(target.ReadHostChunk(program, false, false), program.ByteCount());
    EXPECT_EQ(target.Preset(0)->name, std::string(255, 'n'));
}

// Host chunks that cannot be read whole: each is refused and leaves every slot, the current
// index and every parameter exactly as they were.
TEST(Presets, RefusedHostChunksChangeNothing) {
    Vorlunda2 donor;
    FillDistinctPrograms(donor, 3);
    StateChunk bank, program;
    ASSERT_TRUE(donor.WriteBankChunk(bank));
    ASSERT_TRUE(donor.WriteProgramChunk(program));

    // Bank data long enough to hold 79 doubles can be a legitimate (if odd) program, so bank
    // cuts are offered in the bank form and in the program form that retries as a bank.
    std::vector<std::pair<std::string, StateChunk>> cases;
    auto cut = [](const StateChunk& whole, int size) {
        StateChunk part;
        part.AppendBytes(whole.Data(), size);
        return part;
    };
    for (int size : {0, 3, 6, 8, 9, 20, 100, 700, 5000, bank.ByteCount() / 2, bank.ByteCount() - 1})
        cases.emplace_back("bank cut at " + std::to_string(size) + (size > 640 ? " bank" : ""),
                           cut(bank, size));
    for (int size : {20, 8 + 15 + 4 + 4 + 80, program.ByteCount() - 5, program.ByteCount() - 1})
        cases.emplace_back("program cut at " + std::to_string(size), cut(program, size));
    {
        StateChunk tenValues; // the header, then 10 values: the state runs out
        IPluginBase::StartChunkWithHeader(tenValues);
        tenValues.AppendBytes("Vorlunda2_2.0.0", 15);
        tenValues.Append(std::int32_t{0});
        tenValues.AppendString("Cut");
        for (int i = 0; i < 10; ++i)
            tenValues.Append(1.0);
        cases.emplace_back("state cut after ten values", tenValues);
    }
    {
        StateChunk hugeName = cut(bank, 8); // first slot's name length says 2 GiB
        hugeName.Append(std::int32_t{0x7FFFFFFF});
        hugeName.AppendBytes("abc", 3);
        cases.emplace_back("2 GiB name length", hugeName);
        StateChunk negative = cut(bank, 8);
        negative.Append(std::int32_t{-5});
        negative.AppendBytes(bank.Data() + 8, 200);
        cases.emplace_back("negative name length", negative);
        StateChunk nameLies = program; // trailing name whose length runs past the end
        nameLies.SetSize(program.ByteCount() - 14);
        nameLies.Append(std::int32_t{1000});
        cases.emplace_back("program name length past the end", nameLies);
    }

    Vorlunda2 target;
    FillDistinctPrograms(target, 17);
    target.Parameter(kVolume)->SetReal(0.123); // an unstored edit must survive as well
    const auto before = ProgramFingerprint(target);
    for (const auto& [what, chunk] : cases) {
        for (int form = 0; form < 3; ++form) {
            if (form == 1 && what.ends_with(" bank"))
                continue;
            EXPECT_EQ(target.ReadHostChunk(chunk, form == 0, form == 2), -1) << what << form;
            ASSERT_EQ(ProgramFingerprint(target), before) << what << form;
        }
    }
}

TEST(Presets, FactoryBankImageLoadsAllProgramsAndShortImagesNone) {
    Vorlunda2 source;
    FillDistinctPrograms(source, 0);
    StateChunk image;
    ASSERT_TRUE(source.BuildBankFileImage(image));

    ObservedSynth target;
    target.FillEmptyPresets(nullptr, 64);
    ASSERT_TRUE(target.LoadBankImage(image.Data(), image.ByteCount()));
    ExpectSameProgramsAndValues(source, target);
    EXPECT_EQ(target.programChangesNotified, 1);

    ObservedSynth untouched;
    untouched.FillEmptyPresets(nullptr, 64);
    const auto before = ProgramFingerprint(untouched);
    for (int size : {0, 100, 159, 160, 164, 168, 1000, image.ByteCount() - 1}) {
        EXPECT_FALSE(untouched.LoadBankImage(image.Data(), size)) << size;
        ASSERT_EQ(ProgramFingerprint(untouched), before) << size;
    }
    EXPECT_FALSE(untouched.LoadBankImage(nullptr, 0));
}

} // namespace
} // namespace vorlunda
