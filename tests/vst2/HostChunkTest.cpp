// Program and bank chunks exchanged through effGetChunk / effSetChunk.
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vorlunda {
namespace {

using test::HostedPlugin;
using test::TestHost;

constexpr int kFilterCutoff = 28;
constexpr int kVolume = 4;

std::vector<unsigned char> Header() {
    return {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}; // "tffp", version 0x00010000
}

std::int32_t LittleEndian32(const unsigned char* p) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

TEST(HostChunk, BankOnIndexZeroProgramWithItsNameLastOnIndexOne) {
    TestHost host;
    HostedPlugin p(host);
    p.Start();
    char name[] = "Chunky";
    p.Dispatch(vst::effSetProgramName, 0, 0, name);

    const auto bank = p.Chunk(0);
    ASSERT_GT(bank.size(), 8u);
    const auto header = Header();
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bank.begin()));

    const auto program = p.Chunk(1);
    ASSERT_GT(program.size(), 8u + 4u + 6u);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), program.begin()));
    const std::size_t nameAt = program.size() - 6;
    EXPECT_EQ(LittleEndian32(&program[nameAt - 4]), 6);
    EXPECT_EQ(std::string(program.begin() + static_cast<long>(nameAt), program.end()), "Chunky");
    EXPECT_LT(program.size(), bank.size());
    EXPECT_EQ(p.Dispatch(vst::effGetChunk, 0, 0, nullptr), 0);
}

// A host that saves its project again after loading it must get the same bytes back, or it
// takes an unchanged project for a changed one. The factory programs of a new instance are held
// in the older headerless layout, the edited ones in the current layout: both come back as
// they went.
TEST(HostChunk, BankChunkLoadedIntoAnotherInstanceSavesBackByteForByte) {
    TestHost host;
    std::vector<unsigned char> bank;
    {
        HostedPlugin a(host);
        a.Start();
        for (int program : {5, 17}) {
            a.Dispatch(vst::effSetProgram, 0, program);
            a.effect->setParameter(a.effect, kFilterCutoff, 0.01f * program);
        }
        a.Dispatch(vst::effSetProgram, 0, 0);
        bank = a.Chunk(0);
    }
    HostedPlugin b(host);
    b.Start();
    b.Dispatch(vst::effSetProgram, 0, 3);
    b.effect->setParameter(b.effect, kVolume, 0.1f);
    b.Dispatch(vst::effSetProgram, 0, 0);
    ASSERT_EQ(b.SetChunk(bank, 0), 1);
    EXPECT_EQ(b.Chunk(0), bank);
    b.Dispatch(vst::effSetProgram, 0, 17);
    EXPECT_FLOAT_EQ(b.effect->getParameter(b.effect, kFilterCutoff), 0.17f);
}

TEST(HostChunk, ProgramChunkCarriesTheSoundToAnotherInstance) {
    TestHost host;
    std::vector<unsigned char> chunk;
    float cutoff = 0.0f;
    {
        HostedPlugin a(host);
        a.Start();
        a.effect->setParameter(a.effect, kFilterCutoff, 0.3f);
        a.effect->setParameter(a.effect, kVolume, 0.8f);
        cutoff = a.effect->getParameter(a.effect, kFilterCutoff);
        chunk = a.Chunk(1);
    }
    HostedPlugin b(host);
    b.Start();
    b.Dispatch(vst::effSetProgram, 0, 3);
    EXPECT_EQ(b.SetChunk(chunk, 1), 1);
    EXPECT_EQ(b.effect->getParameter(b.effect, kFilterCutoff), cutoff);
    EXPECT_FLOAT_EQ(b.effect->getParameter(b.effect, kVolume), 0.8f);
    EXPECT_EQ(b.Dispatch(vst::effGetProgram), 3); // loaded into the current program
}

TEST(HostChunk, HeaderlessDataOnIndexZeroIsReadAsAProgram) {
    TestHost host;
    HostedPlugin a(host);
    a.Start();
    a.effect->setParameter(a.effect, kFilterCutoff, 0.125f);
    auto chunk = a.Chunk(1);
    chunk.erase(chunk.begin(), chunk.begin() + 8);

    HostedPlugin b(host);
    b.Start();
    EXPECT_EQ(b.SetChunk(chunk, 0), 1);
    EXPECT_EQ(b.effect->getParameter(b.effect, kFilterCutoff),
              a.effect->getParameter(a.effect, kFilterCutoff));
}

TEST(HostChunk, BankRestoresEveryProgramName) {
    TestHost host;
    HostedPlugin a(host);
    a.Start();
    for (int i : {0, 17, 63}) {
        a.Dispatch(vst::effSetProgram, 0, i);
        std::string name = "Slot " + std::to_string(i);
        a.Dispatch(vst::effSetProgramName, 0, 0, name.data());
    }
    const auto bank = a.Chunk(0);
    HostedPlugin b(host);
    b.Start();
    EXPECT_EQ(b.SetChunk(bank, 0), 1);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(b.ProgramName(i), a.ProgramName(i)) << i;
    EXPECT_EQ(b.ProgramName(17), "Slot 17");
}

TEST(HostChunk, NativeInstrumentsHostsTradeProgramChunksOnIndexZero) {
    TestHost ordinary;
    std::vector<unsigned char> bank;
    std::vector<std::string> names;
    {
        HostedPlugin a(ordinary);
        a.Start();
        a.Dispatch(vst::effSetProgram, 0, 9);
        char name[] = "From the bank";
        a.Dispatch(vst::effSetProgramName, 0, 0, name);
        bank = a.Chunk(0);
        for (int i = 0; i < 64; ++i)
            names.push_back(a.ProgramName(i));
    }
    for (const char* vendor : {"Native Instruments", "NATIVE INSTRUMENTS", "juce vst host"}) {
        TestHost ni;
        ni.vendor = vendor;
        HostedPlugin b(ni);
        b.Start();
        const auto answer = b.Chunk(0);
        const auto program = b.Chunk(1);
        EXPECT_EQ(answer.size(), program.size()) << vendor;      // a program chunk, not the bank
        EXPECT_EQ(ni.Count(vst::audioMasterGetVendorString), 1); // asked once, then cached

        // A whole bank is not consumed exactly by the program reading: it is loaded as a bank.
        EXPECT_EQ(b.SetChunk(bank, 0), 1);
        for (int i = 0; i < 64; ++i)
            EXPECT_EQ(b.ProgramName(i), names[static_cast<std::size_t>(i)]) << vendor << i;
    }
    TestHost almost;
    almost.vendor = "Native Instruments GmbH"; // must equal as a whole
    HostedPlugin c(almost);
    c.Start();
    EXPECT_GT(c.Chunk(0).size(), c.Chunk(1).size());
}

TEST(HostChunk, RefusedDataChangesNothing) {
    TestHost host;
    HostedPlugin p(host);
    p.Start();
    char name[] = "Keep me";
    p.Dispatch(vst::effSetProgramName, 0, 0, name);
    p.effect->setParameter(p.effect, kFilterCutoff, 0.4f);
    const float cutoff = p.effect->getParameter(p.effect, kFilterCutoff);
    const auto bank = p.Chunk(0);

    std::vector<std::vector<unsigned char>> broken;
    broken.push_back(Header()); // header only
    broken.emplace_back(bank.begin(), bank.begin() + static_cast<long>(bank.size() / 2));
    broken.push_back({0x74, 0x66, 0x66, 0x70});              // marker, no version
    broken.push_back(std::vector<unsigned char>(300, 0xFF)); // garbage
    for (const auto& data : broken) {
        EXPECT_EQ(p.SetChunk(data, 0), 0) << data.size();
        EXPECT_EQ(p.ProgramName(0), "Keep me");
        EXPECT_EQ(p.effect->getParameter(p.effect, kFilterCutoff), cutoff);
    }
    EXPECT_EQ(p.Dispatch(vst::effSetChunk, 0, 16, nullptr), 0);
    EXPECT_EQ(p.Dispatch(vst::effSetChunk, 0, -1, const_cast<unsigned char*>(bank.data())), 0);
    EXPECT_EQ(p.Chunk(0), bank);
}

} // namespace
} // namespace vorlunda
