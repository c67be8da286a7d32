// The renderer's own readers and rules: FXP/FXB files as the host parses them, the command
// line, the comparison of two renders and the preview file names.
#include "BankPreview.h"
#include "ProgramFile.h"
#include "RenderOptions.h"
#include "WavCompare.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlunda::render {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Word(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Text(Bytes& out, const std::string& text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

constexpr std::uint32_t kVor2 = 0x566F7232; // 'Vor2'

// The common header; the size field is filled in by Finish.
Bytes Header(const std::string& kind, std::uint32_t version, std::uint32_t count) {
    Bytes out;
    Text(out, "CcnK", 4);
    Word(out, 0);
    Text(out, kind, 4);
    Word(out, version);
    Word(out, kVor2);
    Word(out, 20002);
    Word(out, count);
    return out;
}

Bytes Finish(Bytes file) {
    const auto size = static_cast<std::uint32_t>(file.size() - 8);
    for (int i = 0; i < 4; ++i)
        file[4 + i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
    return file;
}

Bytes ParameterProgram(const std::string& name, const std::vector<float>& values) {
    Bytes out = Header("FxCk", 1, static_cast<std::uint32_t>(values.size()));
    Text(out, name, 28);
    for (float v : values)
        Word(out, std::bit_cast<std::uint32_t>(v));
    return Finish(out);
}

TEST(HostProgramFile, ParameterProgramGivesNameAndValues) {
    ProgramFile file;
    ASSERT_TRUE(file.Parse(ParameterProgram("Warm", {0.25f, 0.5f, 1.0f}))) << file.Error();
    EXPECT_EQ(file.Form(), ProgramFile::Kind::ProgramParameters);
    EXPECT_EQ(file.PluginId(), static_cast<std::int32_t>(kVor2));
    ASSERT_EQ(file.Programs().size(), 1u);
    EXPECT_EQ(file.Programs()[0].name, "Warm");
    EXPECT_EQ(file.Programs()[0].values, (std::vector<float>{0.25f, 0.5f, 1.0f}));
}

TEST(HostProgramFile, ChunkBankGivesTheChunkAndTheCurrentProgram) {
    Bytes bank = Header("FBCh", 2, 64);
    Word(bank, 7); // current program (format 2)
    Text(bank, "", 124);
    Word(bank, 5);
    bank.insert(bank.end(), {1, 2, 3, 4, 5});
    ProgramFile file;
    ASSERT_TRUE(file.Parse(Finish(bank))) << file.Error();
    EXPECT_TRUE(file.IsBank());
    EXPECT_TRUE(file.IsChunk());
    EXPECT_EQ(file.CurrentProgram(), 7);
    EXPECT_EQ(file.Chunk(), (Bytes{1, 2, 3, 4, 5}));
}

TEST(HostProgramFile, ParameterBankGivesEveryProgram) {
    Bytes bank = Header("FxBk", 1, 2);
    Text(bank, "", 128);
    for (const Bytes& p : {ParameterProgram("A", {0.1f}), ParameterProgram("B", {0.9f})})
        bank.insert(bank.end(), p.begin(), p.end());
    ProgramFile file;
    ASSERT_TRUE(file.Parse(Finish(bank))) << file.Error();
    EXPECT_EQ(file.Form(), ProgramFile::Kind::BankParameters);
    EXPECT_EQ(file.CurrentProgram(), -1); // format 1 does not say
    ASSERT_EQ(file.Programs().size(), 2u);
    EXPECT_EQ(file.Programs()[1].name, "B");
    EXPECT_EQ(file.Programs()[1].values, std::vector<float>{0.9f});
}

TEST(HostProgramFile, EveryTruncationAndEveryOverlongSizeIsRefused) {
    Bytes program = Header("FPCh", 1, 1);
    Text(program, "Chunky", 28);
    Word(program, 3);
    program.insert(program.end(), {9, 8, 7});
    const Bytes whole = Finish(program);
    ProgramFile file;
    ASSERT_TRUE(file.Parse(whole));
    EXPECT_EQ(file.Chunk(), (Bytes{9, 8, 7}));
    for (std::size_t size = 0; size < whole.size(); ++size)
        EXPECT_FALSE(file.Parse(std::span(whole).first(size))) << size << " bytes";

    // A chunk size beyond the data, with a header size that matches the file.
    Bytes overlong = whole;
    overlong[59] = 4;
    EXPECT_FALSE(file.Parse(overlong));
    EXPECT_NE(file.Error().find("4 bytes announced"), std::string::npos);

    // The size field may count the whole file, as some writers have it.
    Bytes wholeFileSize = whole;
    wholeFileSize[7] = static_cast<std::uint8_t>(whole.size());
    EXPECT_TRUE(file.Parse(wholeFileSize)) << file.Error();

    Bytes unknown = whole;
    unknown[8] = 'X';
    EXPECT_FALSE(file.Parse(unknown));
    EXPECT_NE(file.Error().find("'XPCh'"), std::string::npos);
}

TEST(RenderOptions, DefaultsAndNumbersWithADecimalPoint) {
    RenderOptions options;
    std::string error;
    const std::vector<std::string> args = {"--rate", "44100",     "--tail", "0.5",      "--block",
                                           "64",     "--program", "3",      "song.mid", "out.wav"};
    ASSERT_TRUE(ParseOptions(args, options, error)) << error;
    EXPECT_EQ(options.mode, RenderOptions::Mode::Render);
    EXPECT_EQ(options.sampleRate, 44100.0);
    EXPECT_EQ(options.tailSeconds, 0.5);
    EXPECT_EQ(options.blockSize, 64);
    EXPECT_EQ(options.program, 3);
    EXPECT_EQ(options.midiFile, "song.mid");
    EXPECT_EQ(options.outFile, "out.wav");
}

TEST(RenderOptions, RefusalsNameTheProblem) {
    auto refusal = [](std::vector<std::string> args) {
        RenderOptions options;
        std::string error;
        EXPECT_FALSE(ParseOptions(args, options, error));
        return error;
    };
    EXPECT_NE(refusal({"--rate", "44,1", "a", "b"}).find("--rate"), std::string::npos);
    EXPECT_NE(refusal({"--block", "0", "a", "b"}).find("--block"), std::string::npos);
    EXPECT_NE(refusal({"--tail"}).find("needs a value"), std::string::npos);
    EXPECT_NE(refusal({"--bogus", "a", "b"}).find("unknown option"), std::string::npos);
    EXPECT_NE(refusal({"only-one"}).find("MIDI-FILE"), std::string::npos);
    EXPECT_NE(refusal({"--fxp", "a", "--fxb", "b", "c", "d"}).find("exclude"), std::string::npos);
    EXPECT_NE(refusal({"--compare", "a.wav"}).find("two WAV"), std::string::npos);
    EXPECT_NE(refusal({"--preview-bank", "dir", "--fxb", "x", "--factory"}).find("exclude"),
              std::string::npos);
}

TEST(WavCompare, DifferencesCountFromMinus100DecibelsOn) {
    WavData a{2, 48000, {0.5f, -0.5f, 0.25f, 0.0f}};
    WavData b = a;
    EXPECT_TRUE(CompareWav(a, b).Same());
    EXPECT_EQ(CompareWav(a, b).peakDifference, 0.0);

    b.samples[2] += 1e-6f; // about -120 dBFS
    EXPECT_TRUE(CompareWav(a, b).Same());
    b.samples[3] = 1e-4f; // -80 dBFS
    const WavComparison far = CompareWav(a, b);
    EXPECT_FALSE(far.Same());
    EXPECT_FLOAT_EQ(static_cast<float>(far.peakDifference), 1e-4f);

    WavData shorter{2, 48000, {0.5f, -0.5f}};
    EXPECT_NE(CompareWav(a, shorter).problem.find("lengths differ (2 and 1 frames)"),
              std::string::npos);
    WavData mono{1, 48000, a.samples};
    EXPECT_FALSE(CompareWav(a, mono).Comparable());
}

TEST(BankPreview, FileNamesAndTheChord) {
    EXPECT_EQ(BankPreview::FileName(7, "Warm Pad / 2"), "07-Warm_Pad_2.wav");
    EXPECT_EQ(BankPreview::FileName(12, "  "), "12-program.wav");
    EXPECT_EQ(BankPreview::FileName(63, "Bass-01_x"), "63-Bass-01_x.wav");
    const auto chord = BankPreview::Chord();
    ASSERT_EQ(chord.size(), 8u);
    EXPECT_EQ(chord[0].data1, 48);
    EXPECT_EQ(chord[3].data1, 60);
    EXPECT_EQ(chord[0].data2, 100);
    EXPECT_EQ(chord[4].seconds, 2.0); // released after 2 s
}

} // namespace
} // namespace vorlunda::render
