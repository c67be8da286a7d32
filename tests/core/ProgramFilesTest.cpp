// FXP program and FXB bank files: layouts, round trips, parameter-list forms, the loaders for
// version-1 programs and the refusal of bad files.
#include "core/ProgramFiles.h"
#include "engine/ParameterTable.h"
#include "engine/Vorlunda2.h"

#include "ProgramTestSupport.h"
#include "support/EmptyPrograms.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace vorlunda {
namespace {

using programtest::FillDistinctPrograms;
using programtest::ObservedSynth;
using programtest::ParameterListBank;
using programtest::ParameterListProgram;
using programtest::ProgramFingerprint;

constexpr std::int32_t kVor2 = FourCC('V', 'o', 'r', '2');
constexpr std::int32_t kHpbo = FourCC('h', 'p', 'b', 'o');

// A file in the temporary folder, removed when the test ends.
class TempFile {
public:
    explicit TempFile(const std::string& name)
        : path((std::filesystem::temp_directory_path() / ("vorlunda-test-" + name)).string()) {
        std::filesystem::remove(path);
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    const char* c_str() const { return path.c_str(); }

    void Write(const StateChunk& image) const { Write(image.Data(), image.ByteCount()); }
    void Write(const std::uint8_t* data, int size) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), size);
    }
    std::vector<std::uint8_t> Read() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::string path;
};

std::int32_t BigEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[offset]) << 24 |
                                     static_cast<std::uint32_t>(bytes[offset + 1]) << 16 |
                                     static_cast<std::uint32_t>(bytes[offset + 2]) << 8 |
                                     bytes[offset + 3]);
}

std::string TextAt(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t n) {
    return {reinterpret_cast<const char*>(bytes.data()) + offset, n};
}

// Normalised values 0..1 per parameter, distinct enough to be recognised after a load.
std::vector<float> SpreadValues(int count, int seed) {
    std::vector<float> values;
    for (int i = 0; i < count; ++i)
        values.push_back(static_cast<float>(((i * 7 + seed * 13) % 20) / 19.0));
    return values;
}

void ExpectValuesFromNormalised(const Vorlunda2& synth, const std::vector<float>& values,
                                int count) {
    for (int i = 0; i < count; ++i) {
        PlugParam expected = *synth.Parameter(i);
        expected.SetFromNormalised(values[static_cast<std::size_t>(i)]);
        ASSERT_EQ(synth.Parameter(i)->RealValue(), expected.RealValue()) << i;
    }
}

TEST(ProgramFiles, ProgramFileLayoutIsChunkFormWithBigEndianHeader) {
    Vorlunda2 synth;
    FillDistinctPrograms(synth, 6);
    TempFile file("layout.fxp");
    ASSERT_TRUE(synth.WriteProgramFile(file.c_str()));
    const auto bytes = file.Read();
    ASSERT_GE(bytes.size(), 60u);
    EXPECT_EQ(TextAt(bytes, 0, 4), "CcnK");
    EXPECT_EQ(BigEndianAt(bytes, 4), static_cast<std::int32_t>(bytes.size())); // whole length
    EXPECT_EQ(TextAt(bytes, 8, 4), "FPCh");
    EXPECT_EQ(BigEndianAt(bytes, 12), 1);
    EXPECT_EQ(TextAt(bytes, 16, 4), "Vor2");
    EXPECT_EQ(BigEndianAt(bytes, 20), 20002);
    EXPECT_EQ(BigEndianAt(bytes, 24), 79);
    EXPECT_EQ(TextAt(bytes, 28, 28), std::string("Program 6") + std::string(19, '\0'));
    EXPECT_EQ(BigEndianAt(bytes, 56), static_cast<std::int32_t>(bytes.size()) - 60);
    const std::uint8_t header[8] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
    EXPECT_EQ(std::memcmp(bytes.data() + 60, header, 8), 0);
    EXPECT_EQ(TextAt(bytes, 68, 15), "Vorlunda2_2.0.0");
    EXPECT_EQ(bytes.size(), 60u + 8 + 15 + 4 + 4 + 9 + 632);
}

TEST(ProgramFiles, BankFileLayoutCarriesSizeCurrentProgramAndSlots) {
    Vorlunda2 synth;
    FillDistinctPrograms(synth, 5);
    TempFile file("layout.fxb");
    ASSERT_TRUE(synth.WriteBankFile(file.c_str()));
    const auto bytes = file.Read();
    ASSERT_GE(bytes.size(), 168u);
    EXPECT_EQ(TextAt(bytes, 0, 4), "CcnK");
    EXPECT_EQ(TextAt(bytes, 8, 4), "FBCh");
    EXPECT_EQ(BigEndianAt(bytes, 12), 2);
    EXPECT_EQ(TextAt(bytes, 16, 4), "Vor2");
    EXPECT_EQ(BigEndianAt(bytes, 20), 20002);
    EXPECT_EQ(BigEndianAt(bytes, 24), 64);
    EXPECT_EQ(BigEndianAt(bytes, 28), 5); // current program
    EXPECT_EQ(TextAt(bytes, 32, 124), std::string(124, '\0'));
    const std::int32_t chunkSize = BigEndianAt(bytes, 156);
    EXPECT_EQ(BigEndianAt(bytes, 4), chunkSize + 160);
    EXPECT_EQ(static_cast<std::int32_t>(bytes.size()), chunkSize + 160);
    EXPECT_EQ(TextAt(bytes, 160, 4), "tffp");
    StateChunk slots;
    ASSERT_TRUE(synth.SerializePresets(slots));
    ASSERT_EQ(chunkSize, 8 + slots.ByteCount());
    EXPECT_EQ(
        std::memcmp(bytes.data() + 168, slots.Data(), static_cast<std::size_t>(slots.ByteCount())),
        0);
}

TEST(ProgramFiles, ProgramFileRoundTripsIntoTheCurrentSlot) {
    Vorlunda2 source;
    FillDistinctPrograms(source, 21);
    TempFile file("roundtrip.fxp");
    ASSERT_TRUE(source.WriteProgramFile(file.c_str()));

    ObservedSynth target;
    test::EmptyAllPrograms(target); // the slots as the plug-in base alone leaves them
    target.FillEmptyPresets(nullptr, 64);
    target.ActivatePreset(2);
    ASSERT_TRUE(target.ReadProgramFile(file.c_str()));
    EXPECT_EQ(target.CurrentProgram(), 2);
    EXPECT_STREQ(target.PresetName(2), "Program 21");
    EXPECT_STREQ(target.PresetName(21), "Empty");
    for (int i = 0; i < 79; ++i)
        ASSERT_EQ(target.Parameter(i)->RealValue(), source.Parameter(i)->RealValue()) << i;
    EXPECT_EQ(target.programChangesNotified, 1);
    // The slot holds the loaded program: switching away and back keeps it.
    target.ActivatePreset(0);
    target.ActivatePreset(2);
    EXPECT_EQ(target.Parameter(kVolume)->RealValue(), source.Parameter(kVolume)->RealValue());
    // The loader for the instrument takes the same file.
    Vorlunda2 third;
    third.FillEmptyPresets(nullptr, 64);
    ASSERT_TRUE(third.LoadProgramFile(file.c_str()));
    EXPECT_STREQ(third.PresetName(0), "Program 21");
}

TEST(ProgramFiles, BankFileRoundTripsEverySlotAndKeepsTheCurrentIndex) {
    Vorlunda2 source;
    FillDistinctPrograms(source, 5);
    TempFile file("roundtrip.fxb");
    ASSERT_TRUE(source.WriteBankFile(file.c_str()));

    for (bool viaInstrumentLoader : {false, true}) {
        ObservedSynth target;
        target.FillEmptyPresets(nullptr, 64);
        target.ActivatePreset(40);
        ASSERT_TRUE(viaInstrumentLoader ? target.LoadBankFile(file.c_str())
                                        : target.ReadBankFile(file.c_str()));
        EXPECT_EQ(target.CurrentProgram(), 40); // the file's 5 is not used
        EXPECT_EQ(target.programChangesNotified, 1);
        for (int slot = 0; slot < 64; ++slot) {
            ASSERT_EQ(target.Preset(slot)->name, source.Preset(slot)->name);
            target.ActivatePreset(slot);
            source.ActivatePreset(slot);
            for (int i = 0; i < 79; ++i)
                ASSERT_EQ(target.Parameter(i)->RealValue(), source.Parameter(i)->RealValue())
                    << slot << " " << i;
        }
    }
}

TEST(ProgramFiles, NamesAreCutTo27BytesAndAFull28ByteFieldIsAccepted) {
    Vorlunda2 synth;
    synth.FillEmptyPresets(nullptr, 64);
    synth.ModifyCurrentPreset("A name that is much longer than the field");
    TempFile file("longname.fxp");
    ASSERT_TRUE(synth.WriteProgramFile(file.c_str()));
    const auto bytes = file.Read();
    EXPECT_EQ(TextAt(bytes, 28, 28), std::string("A name that is much longer ") + '\0');

    // A name filling all 28 bytes without a terminator is read whole.
    const std::string full28 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ01";
    StateChunk image = ParameterListProgram(kVor2, "", SpreadValues(79, 1));
    std::memcpy(image.Data() + 28, full28.data(), 28);
    ASSERT_TRUE(synth.ReadProgramImage(image));
    EXPECT_EQ(synth.Preset(0)->name, full28);

    // An empty name keeps the slot's own.
    ASSERT_TRUE(synth.ReadProgramImage(ParameterListProgram(kVor2, "", SpreadValues(79, 2))));
    EXPECT_EQ(synth.Preset(0)->name, full28);
}

TEST(ProgramFiles, ParameterListProgramsStoreClampedValues) {
    std::vector<float> values = SpreadValues(79, 3);
    values[kVolume] = std::numeric_limits<float>::quiet_NaN();
    values[kLfoRate] = -0.5f;
    values[kChorusDepth] = std::numeric_limits<float>::infinity();
    values[kDrive] = 2.0f;
    values[kFilterCutoff] = -std::numeric_limits<float>::infinity();
    ObservedSynth synth;
    synth.FillEmptyPresets(nullptr, 64);
    ASSERT_TRUE(synth.ReadProgramImage(ParameterListProgram(kVor2, "List", values)));
    EXPECT_STREQ(synth.PresetName(0), "List");
    EXPECT_EQ(synth.Parameter(kVolume)->RealValue(), 0.0);
    EXPECT_EQ(synth.Parameter(kLfoRate)->RealValue(), 0.001);
    EXPECT_EQ(synth.Parameter(kChorusDepth)->RealValue(), 1.0);
    EXPECT_EQ(synth.Parameter(kDrive)->RealValue(), 1.0);
    EXPECT_EQ(synth.Parameter(kFilterCutoff)->RealValue(), 0.0);
    EXPECT_EQ(synth.Parameter(kVoices)->RealValue(), std::floor(values[kVoices] * 6.0 + 0.5));
    for (int i = 0; i < 79; ++i) {
        const PlugParam* p = synth.Parameter(i);
        ASSERT_TRUE(p->RealValue() >= p->Minimum() && p->RealValue() <= p->Maximum()) << i;
    }
    EXPECT_EQ(synth.programChangesNotified, 1);
}

TEST(ProgramFiles, ParameterListBanksFillSlotsInOrderAndLoadAtMost64) {
    std::vector<StateChunk> programs;
    for (int p = 0; p < 3; ++p)
        programs.push_back(
            ParameterListProgram(kVor2, "List " + std::to_string(p), SpreadValues(79, p)));
    ObservedSynth synth;
    test::EmptyAllPrograms(synth); // the slots as the plug-in base alone leaves them
    synth.FillEmptyPresets(nullptr, 64);
    ASSERT_TRUE(synth.ReadBankImage(ParameterListBank(kVor2, 1, programs)));
    EXPECT_EQ(synth.CurrentProgram(), 1); // this form makes the file's current program current
    EXPECT_STREQ(synth.PresetName(2), "List 2");
    EXPECT_STREQ(synth.PresetName(3), "Empty");
    ExpectValuesFromNormalised(synth, SpreadValues(79, 1), 79);

    // 70 programs: the first 64 fill the slots, the rest is not read.
    std::vector<StateChunk> many;
    for (int p = 0; p < 70; ++p)
        many.push_back(
            ParameterListProgram(kVor2, "Many " + std::to_string(p), SpreadValues(79, p)));
    ASSERT_TRUE(synth.ReadBankImage(ParameterListBank(kVor2, 63, many)));
    EXPECT_STREQ(synth.PresetName(63), "Many 63");
    EXPECT_EQ(synth.CurrentProgram(), 63);
    ExpectValuesFromNormalised(synth, SpreadValues(79, 63), 79);
}

TEST(ProgramFiles, Version1ProgramLoadsThroughTheLegacyLoader) {
    const std::vector<float> values = SpreadValues(60, 4);
    TempFile file("version1.fxp");
    file.Write(ParameterListProgram(kHpbo, "Old one", values));

    ObservedSynth synth;
    synth.FillEmptyPresets(nullptr, 64);
    for (int i = 60; i < 79; ++i)
        synth.Parameter(i)->SetFromNormalised(0.77); // away from the defaults
    const auto before = ProgramFingerprint(synth);
    EXPECT_FALSE(synth.ReadProgramFile(file.c_str())); // another plug-in id
    EXPECT_EQ(ProgramFingerprint(synth), before);
    ASSERT_TRUE(synth.LoadProgramFile(file.c_str()));
    EXPECT_STREQ(synth.PresetName(0), "Old one");
    ExpectValuesFromNormalised(synth, values, 60);
    for (int i = 60; i < 79; ++i) {
        const PlugParam* p = synth.Parameter(i);
        ASSERT_EQ(p->RealValue(), i == kStereo ? 0.0 : p->DefaultValue()) << i;
    }
    EXPECT_EQ(synth.programChangesNotified, 1);
}

TEST(ProgramFiles, LegacyLoaderTakesFullProgramsAndRefusesOtherCounts) {
    Vorlunda2 synth;
    synth.FillEmptyPresets(nullptr, 64);
    // 79 values under another id: the legacy loader takes them all, with no defaults applied.
    const std::vector<float> values = SpreadValues(79, 6);
    ASSERT_TRUE(synth.LoadLegacyProgram(ParameterListProgram(kHpbo, "Full", values)));
    ExpectValuesFromNormalised(synth, values, 79);
    // 60 values under our own id are not a version-1 program: 60..78 stay as they were.
    synth.Parameter(kStereo)->SetReal(0.5);
    ASSERT_TRUE(synth.LoadLegacyProgram(ParameterListProgram(kVor2, "Sixty", SpreadValues(60, 7))));
    EXPECT_EQ(synth.Parameter(kStereo)->RealValue(), 0.5);

    // 61 values fail both loaders and change nothing.
    const StateChunk sixtyOne = ParameterListProgram(kHpbo, "61", SpreadValues(61, 1));
    TempFile file("sixtyone.fxp");
    file.Write(sixtyOne);
    const auto before = ProgramFingerprint(synth);
    EXPECT_FALSE(synth.ReadProgramFile(file.c_str()));
    EXPECT_FALSE(synth.LoadLegacyProgram(sixtyOne));
    EXPECT_FALSE(synth.LoadProgramFile(file.c_str()));
    EXPECT_EQ(ProgramFingerprint(synth), before);
    // Under our own id the count field is not consulted: one value per parameter is read.
    file.Write(ParameterListProgram(kVor2, "Counted 61", SpreadValues(79, 8), 61));
    EXPECT_TRUE(synth.ReadProgramFile(file.c_str()));
    ExpectValuesFromNormalised(synth, SpreadValues(79, 8), 79);
}

TEST(ProgramFiles, LegacyBankEndsWithProgramZeroCurrent) {
    std::vector<StateChunk> programs;
    for (int p = 0; p < 3; ++p)
        programs.push_back(
            ParameterListProgram(kHpbo, "V1 " + std::to_string(p), SpreadValues(60, p)));
    TempFile file("version1.fxb");
    file.Write(ParameterListBank(kHpbo, 2, programs));

    ObservedSynth synth;
    test::EmptyAllPrograms(synth); // the slots as the plug-in base alone leaves them
    synth.FillEmptyPresets(nullptr, 64);
    synth.ActivatePreset(9);
    const auto before = ProgramFingerprint(synth);
    EXPECT_FALSE(synth.ReadBankFile(file.c_str()));
    EXPECT_EQ(ProgramFingerprint(synth), before);
    ASSERT_TRUE(synth.LoadBankFile(file.c_str()));
    EXPECT_EQ(synth.CurrentProgram(), 0);
    EXPECT_STREQ(synth.PresetName(1), "V1 1");
    EXPECT_STREQ(synth.PresetName(3), "Empty");
    ExpectValuesFromNormalised(synth, SpreadValues(60, 0), 60);
    EXPECT_EQ(synth.Parameter(kStereo)->RealValue(), 0.0);
    synth.ActivatePreset(2);
    ExpectValuesFromNormalised(synth, SpreadValues(60, 2), 60);
    EXPECT_EQ(synth.Parameter(kChorusLfo1)->RealValue(),
              synth.Parameter(kChorusLfo1)->DefaultValue());
}

// Every kind of bad file: each loader answers false and leaves every slot, the current index
// and every parameter exactly as they were.
TEST(ProgramFiles, RefusedFilesChangeNothing) {
    Vorlunda2 donor;
    FillDistinctPrograms(donor, 8);
    StateChunk program, bank;
    ASSERT_TRUE(donor.BuildProgramFileImage(program));
    ASSERT_TRUE(donor.BuildBankFileImage(bank));
    auto cut = [](const StateChunk& whole, int size) {
        StateChunk part;
        part.AppendBytes(whole.Data(), size);
        return part;
    };
    auto patched = [](StateChunk image, int offset, std::int32_t bigEndian) {
        StateChunk head = [&] {
            StateChunk c;
            fx::AppendBigEndian(c, bigEndian);
            return c;
        }();
        std::memcpy(image.Data() + offset, head.Data(), 4);
        return image;
    };

    std::vector<std::pair<std::string, StateChunk>> programs, banks;
    for (int size : {0, 1, 55, 56, 59, 60, 64, 68, 80, 100, 500, program.ByteCount() - 1})
        programs.emplace_back("program cut at " + std::to_string(size), cut(program, size));
    programs.emplace_back("wrong chunk magic", patched(program, 0, FourCC('C', 'c', 'n', 'k')));
    programs.emplace_back("wrong format", patched(program, 8, FourCC('F', 'P', 'C', 'x')));
    programs.emplace_back("wrong version", patched(program, 12, 2));
    programs.emplace_back("61 parameters, foreign id",
                          patched(patched(program, 24, 61), 16, FourCC('h', 'p', 'b', 'o')));
    // Inside the chunk lengths are little-endian: FF FF FF 7F is 2 GiB - 1.
    programs.emplace_back("2 GiB name length in the state",
                          patched(program, 60 + 8 + 15 + 4, static_cast<std::int32_t>(0xFFFFFF7F)));
    programs.emplace_back("short list", ParameterListProgram(kVor2, "short", SpreadValues(78, 1)));
    programs.emplace_back("short version-1 list",
                          ParameterListProgram(kHpbo, "short", SpreadValues(59, 1), 60));

    for (int size : {0, 4, 155, 156, 159, 160, 164, 168, 172, 200, 1000, bank.ByteCount() / 2,
                     bank.ByteCount() - 1})
        banks.emplace_back("bank cut at " + std::to_string(size), cut(bank, size));
    banks.emplace_back("wrong id", patched(bank, 16, FourCC('V', 'o', 'r', '1')));
    banks.emplace_back("wrong format", patched(bank, 8, FourCC('F', 'B', 'C', 'x')));
    banks.emplace_back("2 GiB slot name",
                       patched(bank, 168, static_cast<std::int32_t>(0xFFFFFF7F)));
    banks.emplace_back("negative slot name",
                       patched(bank, 168, static_cast<std::int32_t>(0xFDFFFFFF)));
    {
        std::vector<StateChunk> list;
        for (int p = 0; p < 4; ++p)
            list.push_back(ParameterListProgram(kVor2, "L", SpreadValues(79, p)));
        StateChunk listBank = ParameterListBank(kVor2, 0, list);
        banks.emplace_back("list bank cut in the third program",
                           cut(listBank, 156 + 2 * 372 + 100));
        list[2] = ParameterListProgram(kVor2, "L", SpreadValues(79, 1), 78);
        banks.emplace_back("list bank, third program of 78", ParameterListBank(kVor2, 0, list));
        list[2] = ParameterListProgram(kHpbo, "L", SpreadValues(61, 1));
        banks.emplace_back("list bank, third program of 61", ParameterListBank(kVor2, 0, list));
        banks.emplace_back("list bank claiming 2^31-1 programs",
                           patched(ParameterListBank(kVor2, 0, {}), 24, 0x7FFFFFFF));
    }

    ObservedSynth synth;
    FillDistinctPrograms(synth, 13);
    synth.Parameter(kVolume)->SetReal(0.321); // an unstored edit
    const auto before = ProgramFingerprint(synth);
    TempFile file("refused");
    for (const auto& [what, image] : programs) {
        file.Write(image);
        EXPECT_FALSE(synth.ReadProgramFile(file.c_str())) << what;
        EXPECT_FALSE(synth.LoadProgramFile(file.c_str())) << what;
        EXPECT_FALSE(synth.LoadLegacyProgram(image)) << what;
        ASSERT_EQ(ProgramFingerprint(synth), before) << what;
    }
    for (const auto& [what, image] : banks) {
        file.Write(image);
        EXPECT_FALSE(synth.ReadBankFile(file.c_str())) << what;
        EXPECT_FALSE(synth.LoadBankFile(file.c_str())) << what;
        ASSERT_EQ(ProgramFingerprint(synth), before) << what;
    }
    EXPECT_EQ(synth.programChangesNotified, 0);

    // Paths that are no files.
    const std::string folder = std::filesystem::temp_directory_path().string();
    for (const char* path : {"", folder.c_str(), "/no/such/folder/x.fxb"}) {
        EXPECT_FALSE(synth.ReadProgramFile(path)) << path;
        EXPECT_FALSE(synth.ReadBankFile(path)) << path;
        EXPECT_FALSE(synth.LoadProgramFile(path)) << path;
        EXPECT_FALSE(synth.LoadBankFile(path)) << path;
        EXPECT_FALSE(synth.WriteProgramFile(path)) << path;
        EXPECT_FALSE(synth.WriteBankFile(path)) << path;
    }
    EXPECT_FALSE(synth.ReadProgramFile(nullptr));
    EXPECT_FALSE(synth.LoadBankFile(nullptr));
    ASSERT_EQ(ProgramFingerprint(synth), before);
}

TEST(ProgramFiles, AWholeLoadWaitsForThePluginMutex) {
    Vorlunda2 source;
    FillDistinctPrograms(source, 1);
    TempFile file("mutex.fxb");
    ASSERT_TRUE(source.WriteBankFile(file.c_str()));

    Vorlunda2 synth;
    test::EmptyAllPrograms(synth); // the slots as the plug-in base alone leaves them
    synth.FillEmptyPresets(nullptr, 64);
    std::atomic<bool> done{false};
    std::thread loader;
    {
        // The audio thread holds the mutex while it renders a block.
        std::lock_guard<RecursiveMutex> audio(synth.Mutex());
        loader = std::thread([&] {
            synth.LoadBankFile(file.c_str());
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done.load());
        EXPECT_STREQ(synth.PresetName(0), "Empty"); // nothing half-loaded meanwhile
    }
    loader.join();
    EXPECT_TRUE(done.load());
    EXPECT_STREQ(synth.PresetName(0), "Program 0");
}

} // namespace
} // namespace vorlunda
