// The factory sound library as a host plays it: every program of both factory banks is chosen
// through the plug-in library's exported entry point and plays a C major chord, held 2 s and
// released for 2 s at 48 kHz, with a running 120 BPM transport (the tempo-synced Repeat programs
// need it) and, for the programs that answer the modulation wheel, with the wheel up.
//
// Factory bank 1 has no way in through the host interface of its own (only the editor's menu
// restores it), so each instance receives its image from the module resources as the bank chunk
// a host would hand over with effSetChunk: the image minus its 160-byte FXB header.
//
// Set VORLUNDA_LIBRARY_LEVELS=1 to print every program's numbers while balancing the banks.
#include "core/ProgramFiles.h"
#include "engine/ParameterTable.h"
#include "engine/Vorlunda2.h"
#include "platform/ModuleResources.h"
#include "support/TestEnvironment.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace vorlunda {
namespace {

using test::HostedPlugin;
using test::TestHost;

constexpr float kRate = 48000.0f;
constexpr int kBlock = 512;
constexpr int kHoldFrames = 96000;    // 2 s
constexpr int kReleaseFrames = 96000; // 2 s
constexpr int kPluckFrames = 24000;   // 0.5 s: how loud a sound that dies away while held is
constexpr int kWarmUpFrames = 14400;  // 0.3 s: program 0 of bank 2 has fallen silent by then
constexpr int kChord[] = {48, 52, 55, 60};
constexpr int kVelocity = 100;
constexpr double kTempo = 120.0; // quarter notes per minute

constexpr double kSilentDb = -45.0; // RMS of the whole render must be above
constexpr double kClipDb = -0.3;    // peak must be below
constexpr double kDcDb = -60.0;     // mean of each channel must be below
constexpr double kLoudnessWindowDb = 15.0;

double Db(double x) {
    return 20.0 * std::log10(std::max(x, 1e-30));
}

struct Measurement {
    std::string name;
    bool finite = true;
    double rmsDb = 0.0;  // whole render, both channels
    double heldDb = 0.0; // the 2 s the chord is held
    double pluckDb = 0.0;
    double peakDb = 0.0;
    double dcDb = 0.0; // the larger of the two channels' means
    bool wheel = false;
    double wheelDownDb = 0.0; // level with the wheel down, for programs that answer it
    bool decays = false;      // the amplitude dies away while the keys are held
    // How loud the program plays: the held part for sustained sounds, the first half second
    // for sounds that decay while held (their held RMS mostly measures how fast they decay).
    double LevelDb() const { return decays ? pluckDb : heldDb; }
};

double Rms(const std::vector<float>& l, const std::vector<float>& r, std::size_t from,
           std::size_t to) {
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i)
        sum += static_cast<double>(l[i]) * l[i] + static_cast<double>(r[i]) * r[i];
    return std::sqrt(sum / (2.0 * static_cast<double>(to - from)));
}

// Plain value of an enumerated parameter read through the host interface (normalised
// value × (texts − 1)).
int Choice(vst::AEffect* effect, int index, int texts) {
    return static_cast<int>(std::lround(effect->getParameter(effect, index) * (texts - 1)));
}

bool AnswersTheWheel(vst::AEffect* effect) {
    return Choice(effect, kWheelToCutoff, 5) > 0 || Choice(effect, kWheelToFm, 2) > 0 ||
           Choice(effect, kWheelToFilterMod, 2) > 0;
}

bool DecaysWhileHeld(vst::AEffect* effect) {
    const bool repeats = Choice(effect, kRepeat, 3) != 0; // retriggers keep it sounding
    const bool adMode = Choice(effect, kAmpEnvMode, 2) == 1;
    const double sustain = effect->getParameter(effect, kAmpEnvSustain);
    return !repeats && (adMode || sustain < 0.25);
}

// The chunk a host hands over to restore factory bank `version`: the image's chunk behind its
// FXB header.
std::vector<unsigned char> BankChunk(int version) {
    const auto image = resources::FindModuleResource("PROGINIT", version == 1 ? "INIT_V1" : "INIT");
    if (image.size() <= static_cast<std::size_t>(fx::kBankChunkStart))
        return {};
    return {image.begin() + fx::kBankChunkStart, image.end()};
}

// A fresh instance for every program, so no release tail or voice state of the previous
// program carries over.
class FactoryLibrary : public ::testing::Test {
protected:
    void SetUp() override { RemoveConfiguration(); }
    void TearDown() override { RemoveConfiguration(); }
    // No startup bank may come between the tests and the factory bank.
    static void RemoveConfiguration() {
        test::FreshConfigurationHome();
        Vorlunda2 probe;
        std::remove(probe.IniPath().c_str());
    }

    std::unique_ptr<HostedPlugin> NewInstance(int bank, bool warm = false) {
        auto plugin = std::make_unique<HostedPlugin>(host);
        plugin->Start(kRate, kBlock);
        if (warm)
            WarmUp(*plugin);
        if (bank == 1) {
            static const std::vector<unsigned char> chunk = BankChunk(1);
            EXPECT_FALSE(chunk.empty());
            EXPECT_EQ(plugin->SetChunk(chunk, 0), 1);
        }
        return plugin;
    }

    // Every voice's filter starts from a fixed, non-zero state after the sample rate is set, so
    // the first note a new instance plays begins with a short offset transient. That belongs to
    // the instance, not to a program: the voices that the chord will take play the chord once
    // with program 0 of bank 2 (short release) and fall silent before the program is measured.
    static void WarmUp(HostedPlugin& plugin) {
        for (int note : kChord)
            plugin.SendMidi(0x90, note, kVelocity);
        plugin.Render(kBlock);
        for (int note : kChord)
            plugin.SendMidi(0x80, note, 0);
        plugin.Render(kWarmUpFrames);
        const auto last = plugin.left.end() - kBlock;
        EXPECT_TRUE(std::all_of(last, plugin.left.end(), [](float x) { return x == 0.0f; }))
            << "program 0 of bank 2 still sounds after its warm-up chord";
        plugin.left.clear();
        plugin.right.clear();
    }

    void Transport(int frame) {
        host.time.flags = vst::kVstTransportPlaying | vst::kVstTempoValid | vst::kVstPpqPosValid;
        host.time.tempo = kTempo;
        host.time.sampleRate = kRate;
        host.time.samplePos = frame;
        host.time.ppqPos = frame / kRate * (kTempo / 60.0);
    }

    Measurement Play(int bank, int program, bool wheelUp) {
        auto plugin = NewInstance(bank, true);
        plugin->Dispatch(vst::effSetProgram, 0, program);
        Measurement m;
        m.name = plugin->ProgramName(program);
        m.wheel = AnswersTheWheel(plugin->effect);
        m.decays = DecaysWhileHeld(plugin->effect);
        if (wheelUp)
            plugin->SendMidi(0xB0, 1, 127);
        for (int note : kChord)
            plugin->SendMidi(0x90, note, kVelocity);
        for (int frame = 0; frame < kHoldFrames + kReleaseFrames; frame += kBlock) {
            if (frame <= kHoldFrames && kHoldFrames < frame + kBlock) {
                for (int note : kChord)
                    plugin->SendMidi(0x80, note, 0, kHoldFrames - frame);
            }
            Transport(frame);
            plugin->Render(std::min(kBlock, kHoldFrames + kReleaseFrames - frame));
        }
        Measure(plugin->left, plugin->right, m);
        return m;
    }

    static void Measure(const std::vector<float>& l, const std::vector<float>& r, Measurement& m) {
        double peak = 0.0, sumL = 0.0, sumR = 0.0;
        for (std::size_t i = 0; i < l.size(); ++i) {
            if (!std::isfinite(l[i]) || !std::isfinite(r[i])) {
                m.finite = false;
                return;
            }
            peak = std::max(
                {peak, static_cast<double>(std::fabs(l[i])), static_cast<double>(std::fabs(r[i]))});
            sumL += l[i];
            sumR += r[i];
        }
        const auto n = static_cast<double>(l.size());
        m.peakDb = Db(peak);
        m.dcDb = Db(std::max(std::fabs(sumL / n), std::fabs(sumR / n)));
        m.rmsDb = Db(Rms(l, r, 0, l.size()));
        m.heldDb = Db(Rms(l, r, 0, kHoldFrames));
        m.pluckDb = Db(Rms(l, r, 0, kPluckFrames));
    }

    static void ExpectClean(const Measurement& m, int bank, int program, const char* how) {
        const std::string where = "bank " + std::to_string(bank) + " program " +
                                  std::to_string(program) + " \"" + m.name + "\"" + how;
        ASSERT_TRUE(m.finite) << where;
        EXPECT_GT(m.rmsDb, kSilentDb) << where;
        EXPECT_LT(m.peakDb, kClipDb) << where;
        EXPECT_LT(m.dcDb, kDcDb) << where;
    }

    static void Print(int program, const Measurement& m) {
        std::printf("%2d %-24s level %6.1f  held %6.1f  first 0.5 s %6.1f  peak %6.1f  "
                    "DC %6.0f%s",
                    program, m.name.c_str(), m.LevelDb(), m.heldDb, m.pluckDb, m.peakDb, m.dcDb,
                    m.decays ? "  decays" : "");
        if (m.wheel)
            std::printf("  wheel (down: level %.1f)", m.wheelDownDb);
        std::printf("\n");
    }

    void PlayWholeBank(int bank) {
        const bool print = std::getenv("VORLUNDA_LIBRARY_LEVELS") != nullptr;
        double quietest = 0.0, loudest = -300.0;
        std::string quietestName, loudestName;
        for (int program = 0; program < 64; ++program) {
            Measurement m = Play(bank, program, false);
            if (m.wheel) {
                // Wheel down is how every instance starts: it must sound and stay clean there
                // too, but the program is balanced and judged with the wheel up.
                ExpectClean(m, bank, program, " with the wheel down");
                const double wheelDown = m.LevelDb();
                m = Play(bank, program, true);
                m.wheelDownDb = wheelDown;
            }
            ExpectClean(m, bank, program, m.wheel ? " with the wheel up" : "");
            if (print)
                Print(program, m);
            if (m.LevelDb() < quietest) {
                quietest = m.LevelDb();
                quietestName = m.name;
            }
            if (m.LevelDb() > loudest) {
                loudest = m.LevelDb();
                loudestName = m.name;
            }
        }
        if (print)
            std::printf("bank %d: levels from %.1f to %.1f dBFS\n", bank, quietest, loudest);
        EXPECT_LT(loudest - quietest, kLoudnessWindowDb)
            << "bank " << bank << ": \"" << quietestName << "\" at " << quietest << " dBFS, \""
            << loudestName << "\" at " << loudest << " dBFS";
    }

    TestHost host;
};

TEST_F(FactoryLibrary, EveryProgramOfBank2PlaysCleanlyAndEvenlyThroughTheEntryPoint) {
    PlayWholeBank(2);
}

TEST_F(FactoryLibrary, EveryProgramOfBank1PlaysCleanlyAndEvenlyThroughTheEntryPoint) {
    PlayWholeBank(1);
}

// What a host sees of every program: its name and the normalised value of every parameter.
std::vector<std::string> ProgramsAsTheHostSeesThem(HostedPlugin& plugin) {
    std::vector<std::string> programs;
    for (int program = 0; program < 64; ++program) {
        plugin.Dispatch(vst::effSetProgram, 0, program);
        std::ostringstream text;
        text << plugin.ProgramName(program);
        for (int i = 0; i < kParamCount; ++i)
            text << ' ' << plugin.effect->getParameter(plugin.effect, i);
        programs.push_back(text.str());
    }
    return programs;
}

TEST_F(FactoryLibrary, Bank1ThenBank2ThroughTheHostLeavesBank2) {
    const std::vector<unsigned char> bank2 = BankChunk(2);
    ASSERT_FALSE(bank2.empty());
    auto fresh = NewInstance(2); // started with factory bank 2
    const auto expected = ProgramsAsTheHostSeesThem(*fresh);
    auto both = NewInstance(1);
    const auto bank1 = ProgramsAsTheHostSeesThem(*both);
    EXPECT_NE(bank1, expected);
    ASSERT_EQ(both->SetChunk(bank2, 0), 1);
    EXPECT_EQ(ProgramsAsTheHostSeesThem(*both), expected);
}

// docs/factory-banks.md lists both banks: one table row per program, "| number | name | …",
// in slot order, bank 2's table first.
TEST_F(FactoryLibrary, TheListingNamesEveryProgramOfBothBanksInOrder) {
    const std::string path = std::string(VORLUNDA_BANK_SOURCES) + "/../../docs/factory-banks.md";
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    std::vector<std::pair<int, std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 2 || line[0] != '|' || line[1] == '-')
            continue;
        std::vector<std::string> cells;
        std::istringstream row(line.substr(1));
        std::string cell;
        while (std::getline(row, cell, '|')) {
            const auto first = cell.find_first_not_of(' ');
            const auto last = cell.find_last_not_of(' ');
            cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
        }
        if (cells.size() >= 2 && !cells[0].empty() &&
            cells[0].find_first_not_of("0123456789") == std::string::npos)
            rows.emplace_back(std::stoi(cells[0]), cells[1]);
    }
    ASSERT_EQ(rows.size(), 128u);
    for (int bank : {2, 1}) {
        Vorlunda2 synth;
        if (bank == 1) {
            ASSERT_TRUE(synth.LoadFactoryBank(1));
        }
        const std::size_t first = bank == 2 ? 0 : 64;
        for (int program = 0; program < 64; ++program) {
            const auto& [number, name] = rows[first + static_cast<std::size_t>(program)];
            EXPECT_EQ(number, program) << "bank " << bank;
            EXPECT_EQ(name, synth.Preset(program)->name) << "bank " << bank << " row " << number;
        }
    }
}

} // namespace
} // namespace vorlunda
