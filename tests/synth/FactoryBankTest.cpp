// The factory banks stored in the library, and which bank a new instance starts with.
#include "BankSource.h"
#include "FactoryBankImage.h"
#include "core/ProgramFiles.h"
#include "engine/ParameterTable.h"
#include "engine/Vorlunda2.h"
#include "platform/ModuleResources.h"
#include "support/InstrumentHarness.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace vorlunda {
namespace {

constexpr int kStateValueBytes = 79 * 8;
constexpr std::size_t kStateHeaderBytes = 15; // "Vorlunda2_2.0.0"

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The committed source of factory bank `version`, parsed as bankgen parses it.
const bankgen::BankSource& Source(int version) {
    static const auto parse = [](int v) {
        const std::string path =
            std::string(VORLUNDA_BANK_SOURCES) + "/factory-bank-" + std::to_string(v) + ".txt";
        Vorlunda2 table;
        return bankgen::ParseBankSource(ReadFile(path), path, table, v);
    };
    static const bankgen::BankSource v1 = parse(1), v2 = parse(2);
    return version == 1 ? v1 : v2;
}

std::string TempPath(const std::string& name) {
    return (std::filesystem::path(test::TemporaryRoot()) / name).string();
}

std::int32_t BigEndianAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[offset]) << 24 |
                                     static_cast<std::uint32_t>(bytes[offset + 1]) << 16 |
                                     static_cast<std::uint32_t>(bytes[offset + 2]) << 8 |
                                     bytes[offset + 3]);
}

std::vector<std::uint8_t> SerializedBank(Vorlunda2& synth) {
    StateChunk chunk;
    synth.SerializePresets(chunk);
    chunk.Append(static_cast<std::int32_t>(synth.CurrentProgram()));
    for (int i = 0; i < synth.ParameterCount(); ++i)
        chunk.Append(synth.Parameter(i)->RealValue());
    return {chunk.Data(), chunk.Data() + chunk.ByteCount()};
}

// Every slot holds the program of the source with its name and designed values.
void ExpectFactoryBank(Vorlunda2& synth, int version) {
    const bankgen::BankSource& source = Source(version);
    ASSERT_TRUE(source.errors.empty()) << source.errors.front().Text();
    ASSERT_EQ(static_cast<int>(source.programs.size()), synth.ProgramCount());
    const int current = synth.CurrentProgram();
    for (int slot = 0; slot < synth.ProgramCount(); ++slot) {
        const bankgen::ProgramSource& program = source.programs[static_cast<std::size_t>(slot)];
        ASSERT_TRUE(synth.Preset(slot)->initialized) << slot;
        ASSERT_EQ(synth.Preset(slot)->name, program.name) << slot;
        ASSERT_TRUE(synth.ActivatePreset(slot));
        const std::vector<double> expected = bankgen::ProgramValues(program, synth, version);
        for (int i = 0; i < synth.ParameterCount(); ++i)
            ASSERT_EQ(synth.Parameter(i)->RealValue(), expected[static_cast<std::size_t>(i)])
                << program.name << ", parameter " << synth.Parameter(i)->NameText();
    }
    synth.ActivatePreset(current);
}

// Each test starts without a configuration file: under Linux in a folder of its own, under
// Windows (where the folder is the wine prefix's) by removing the file, before and after.
class FactoryBank : public ::testing::Test {
protected:
    void SetUp() override { RemoveConfiguration(); }
    void TearDown() override { RemoveConfiguration(); }
    static void RemoveConfiguration() {
        test::FreshConfigurationHome();
        Vorlunda2 probe;
        std::remove(probe.IniPath().c_str());
    }
};

TEST_F(FactoryBank, TheSourcesDescribeTwoValidBanks) {
    for (int version : {1, 2}) {
        for (const bankgen::SourceError& e : Source(version).errors)
            ADD_FAILURE() << e.Text();
        EXPECT_EQ(Source(version).programs.size(), 64u);
    }
    EXPECT_EQ(Source(2).programs[0].name, "Round Saw Bass");
}

TEST_F(FactoryBank, ANewInstanceWithoutConfigurationHoldsFactoryBank2) {
    auto synth = std::make_unique<Vorlunda2>();
    EXPECT_TRUE(std::filesystem::is_regular_file(synth->IniPath()));
    EXPECT_EQ(ReadFile(synth->IniPath()), "");
    EXPECT_TRUE(synth->StartupBankPath().empty());
    EXPECT_FALSE(synth->factoryLoad);
    EXPECT_EQ(synth->CurrentProgram(), 0);
    // Stored while loading at start-up: the headerless layout, the 79 values alone.
    for (int slot = 0; slot < synth->ProgramCount(); ++slot)
        ASSERT_EQ(synth->Preset(slot)->state.ByteCount(), kStateValueBytes) << slot;
    // What the entry point does next finds no empty slot to fill.
    synth->FillEmptyPresets(nullptr, synth->ProgramCount());
    ExpectFactoryBank(*synth, 2);
    // Program 0 is live.
    const auto expected = bankgen::ProgramValues(Source(2).programs[0], *synth, 2);
    for (int i = 0; i < synth->ParameterCount(); ++i)
        EXPECT_EQ(synth->Parameter(i)->RealValue(), expected[static_cast<std::size_t>(i)]) << i;
}

TEST_F(FactoryBank, AStartupBankLoadsAndADeletedOneFallsBackButStaysNamed) {
    const std::string path = TempPath("startup.fxb");
    {
        Vorlunda2 author;
        for (int slot = 0; slot < author.ProgramCount(); ++slot) {
            author.ActivatePreset(slot);
            author.Parameter(kVolume)->SetReal(slot / 100.0);
            author.ModifyCurrentPreset(("Mine " + std::to_string(slot)).c_str());
        }
        ASSERT_TRUE(author.WriteBankFile(path.c_str()));
        ASSERT_TRUE(author.SelectStartupBank(path));
    }
    {
        Vorlunda2 started;
        EXPECT_EQ(started.StartupBankPath(), path);
        EXPECT_EQ(started.Preset(63)->name, "Mine 63");
        started.ActivatePreset(7);
        EXPECT_EQ(started.Parameter(kVolume)->RealValue(), 0.07);
    }
    ASSERT_EQ(std::remove(path.c_str()), 0);

    Vorlunda2 fallback;
    EXPECT_TRUE(fallback.StartupBankPath().empty());
    ExpectFactoryBank(fallback, 2);
    // Only the instance forgot it: the file still names the bank, for the next instance.
    EXPECT_NE(ReadFile(fallback.IniPath()).find("File=" + path), std::string::npos);
}

TEST_F(FactoryBank, AStartupBankThatIsNoBankFallsBack) {
    const std::string folder = TempPath("a-folder.fxb");
    std::filesystem::create_directories(folder);
    const std::string text = TempPath("notes.fxb");
    std::ofstream(text, std::ios::binary) << "CcnK but nothing more";
    const std::string program = TempPath("single.fxp");
    const std::string foreign = TempPath("foreign.fxb");
    {
        Vorlunda2 author;
        ASSERT_TRUE(author.WriteProgramFile(program.c_str()));
        StateChunk image;
        ASSERT_TRUE(author.BuildBankFileImage(image));
        image.Data()[16] = 'X'; // another plug-in's identifier
        ASSERT_TRUE(fx::WriteWholeFile(foreign.c_str(), image));
    }
    for (const std::string& path : {folder, text, program, foreign}) {
        {
            Vorlunda2 chooser;
            chooser.SelectStartupBank(path);
        }
        Vorlunda2 synth;
        EXPECT_TRUE(synth.StartupBankPath().empty()) << path;
        ExpectFactoryBank(synth, 2);
    }
}

TEST_F(FactoryBank, LoadingBank1Then2EqualsLoadingBank2Alone) {
    for (const bool factoryLoad : {false, true}) {
        Vorlunda2 both;
        both.factoryLoad = factoryLoad;
        ASSERT_TRUE(both.LoadFactoryBank(1));
        ASSERT_TRUE(both.LoadFactoryBank(2));
        Vorlunda2 alone;
        alone.factoryLoad = factoryLoad;
        ASSERT_TRUE(alone.LoadFactoryBank(2));
        EXPECT_EQ(SerializedBank(both), SerializedBank(alone)) << factoryLoad;
    }
}

TEST_F(FactoryBank, BothBanksLoadUnderFactoryLoadInTheHeaderlessLayout) {
    for (const int version : {1, 2}) {
        Vorlunda2 synth;
        synth.factoryLoad = true;
        ASSERT_TRUE(synth.LoadFactoryBank(version));
        synth.factoryLoad = false;
        for (int slot = 0; slot < synth.ProgramCount(); ++slot)
            ASSERT_EQ(synth.Preset(slot)->state.ByteCount(), kStateValueBytes) << slot;
        ExpectFactoryBank(synth, version);
    }
    // Version 1 had no "Stereo": its programs play in mono.
    Vorlunda2 synth;
    ASSERT_TRUE(synth.LoadFactoryBank(1));
    EXPECT_EQ(synth.Parameter(kStereo)->RealValue(), 0.0);
}

TEST_F(FactoryBank, LoadingWithoutFactoryLoadStoresTheCurrentLayout) {
    Vorlunda2 synth;
    ASSERT_TRUE(synth.LoadFactoryBank(1));
    const PresetSlot& slot = *synth.Preset(9);
    ASSERT_GT(slot.state.ByteCount(), kStateValueBytes);
    EXPECT_EQ(std::memcmp(slot.state.Data(), "Vorlunda2_2.0.0", kStateHeaderBytes), 0);
    EXPECT_EQ(slot.name, Source(1).programs[9].name);
}

TEST_F(FactoryBank, UnknownVersionsChangeNothing) {
    Vorlunda2 synth;
    synth.ActivatePreset(3);
    synth.Parameter(kVolume)->SetReal(0.25);
    const auto before = SerializedBank(synth);
    EXPECT_FALSE(synth.LoadFactoryBank(0));
    EXPECT_FALSE(synth.LoadFactoryBank(3));
    EXPECT_EQ(SerializedBank(synth), before);
}

TEST_F(FactoryBank, ImagesCarryTheChunkBankHeader) {
    for (const char* type : {"INIT", "INIT_V1"}) {
        const auto image = resources::FindModuleResource("PROGINIT", type);
        ASSERT_GT(image.size(), 168u) << type;
        EXPECT_EQ(std::memcmp(image.data(), "CcnK", 4), 0);
        EXPECT_EQ(BigEndianAt(image, 4), static_cast<std::int32_t>(image.size()));
        EXPECT_EQ(std::memcmp(image.data() + 8, "FBCh", 4), 0);
        EXPECT_EQ(BigEndianAt(image, 12), 2);
        EXPECT_EQ(std::memcmp(image.data() + 16, "Vor2", 4), 0);
        EXPECT_EQ(BigEndianAt(image, 20), 20000);
        EXPECT_EQ(BigEndianAt(image, 24), 64);
        for (std::size_t i = 28; i < 156; ++i)
            ASSERT_EQ(image[i], 0) << "reserved byte " << i;
        EXPECT_EQ(BigEndianAt(image, 156), static_cast<std::int32_t>(image.size() - 160));
        EXPECT_EQ(std::memcmp(image.data() + 160, "tffp\0\0\1\0", 8), 0);
    }
}

// The first program's state follows its name and flag: with the header in version 2's image,
// without in version 1's.
TEST_F(FactoryBank, Version2StoresTheCurrentLayoutAndVersion1TheOlderOne) {
    for (const int version : {1, 2}) {
        const auto image =
            resources::FindModuleResource("PROGINIT", version == 1 ? "INIT_V1" : "INIT");
        ASSERT_GT(image.size(), 200u);
        StateChunk chunk;
        chunk.AppendBytes(image.data(), static_cast<int>(image.size()));
        std::string name;
        bool initialised = false;
        const int state = chunk.Read(&initialised, chunk.ReadString(&name, 168));
        ASSERT_GT(state, 0);
        EXPECT_EQ(name, Source(version).programs[0].name);
        EXPECT_TRUE(initialised);
        EXPECT_EQ(Vorlunda2::HasStateHeader(chunk, state), version == 2) << version;
    }
}

TEST_F(FactoryBank, TheEmbeddedImagesAreTheOnesTheSourcesDescribe) {
    for (const int version : {1, 2}) {
        Vorlunda2 synth;
        StateChunk built;
        ASSERT_TRUE(bankgen::BuildFactoryBankImage(synth, Source(version), version, built));
        const auto image =
            resources::FindModuleResource("PROGINIT", version == 1 ? "INIT_V1" : "INIT");
        ASSERT_EQ(image.size(), static_cast<std::size_t>(built.ByteCount())) << version;
        EXPECT_EQ(std::memcmp(image.data(), built.Data(), image.size()), 0) << version;
    }
}

TEST_F(FactoryBank, EveryProgramOfBothBanksPlays) {
    for (const int version : {1, 2}) {
        for (int slot = 0; slot < 64; ++slot) {
            test::InstrumentHarness synth;
            if (version == 1) {
                ASSERT_TRUE(synth.LoadFactoryBank(1));
            }
            ASSERT_TRUE(synth.ActivatePreset(slot));
            synth.Midi(0x90, 60, 100);
            synth.Render(19200); // 0.4 s at 48 kHz
            // -46 dBFS: a third of the quietest starting program (a pluck), far above silence.
            EXPECT_GT(test::Rms(synth.left, 0, synth.left.size()), 0.005)
                << Source(version).programs[static_cast<std::size_t>(slot)].name;
        }
    }
}

TEST(ModuleResources, FindsTheBanksByNameAndTypeInAnyCase) {
    const auto bank = resources::FindModuleResource("PROGINIT", "INIT");
    ASSERT_FALSE(bank.empty());
    const auto v1 = resources::FindModuleResource("PROGINIT", "INIT_V1");
    ASSERT_FALSE(v1.empty());
    EXPECT_NE(bank.data(), v1.data());
    EXPECT_EQ(resources::FindModuleResource("proginit", "init").data(), bank.data());
}

TEST(ModuleResources, AnswersNotFoundForUnknownNamesAndTypes) {
    EXPECT_TRUE(resources::FindModuleResource("PROGINIT", "INIT_V2").empty());
    EXPECT_TRUE(resources::FindModuleResource("PROGINIT", "INI").empty());
    EXPECT_TRUE(resources::FindModuleResource("PROGINITX", "INIT").empty());
    EXPECT_TRUE(resources::FindModuleResource("INIT", "PROGINIT").empty());
    EXPECT_TRUE(resources::FindModuleResource(nullptr, "INIT").empty());
    EXPECT_TRUE(resources::FindModuleResource("PROGINIT", nullptr).empty());
}

} // namespace
} // namespace vorlunda
