// The factory bank source parser of bankgen: every mistake in a source fails the build with its
// file and line, and a valid source gives exactly the programs and values it describes.
#include "BankSource.h"
#include "engine/ParameterTable.h"
#include "engine/Vorlunda2.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlunda::bankgen {
namespace {

// The instrument's parameter table, built once.
const Vorlunda2& Table() {
    static const Vorlunda2 table;
    return table;
}

// `count` programs "P 1".."P count", each with the lines of `body`, program `at` with `extra`.
std::string Programs(int count, const std::string& extra = "", int at = 1) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "[P " + std::to_string(i) + "]\n" + (i == at ? extra : "");
    return text;
}

BankSource Parse(const std::string& text, int version = 2) {
    return ParseBankSource(text, "bank.txt", Table(), version);
}

// The single error the source produced, as the build prints it.
std::string OnlyError(const BankSource& bank) {
    if (bank.errors.size() != 1) {
        std::string all = std::to_string(bank.errors.size()) + " errors:";
        for (const SourceError& e : bank.errors)
            all += "\n" + e.Text();
        return all;
    }
    return bank.errors.front().Text();
}

TEST(BankSource, ReadsNamesAndSettingsByParameterName) {
    const BankSource bank =
        Parse("# comment\n\n[ Start 01 Lead ]\r\n  Flt Frq = 0.45\n"
              "Voices=4\nFlt Pole = \"12\"\nLFO Osc = \"Sine\"\nM. Tune = -3\n" +
              Programs(63));
    ASSERT_TRUE(bank.errors.empty()) << OnlyError(bank);
    ASSERT_EQ(bank.programs.size(), 64u);
    const ProgramSource& p = bank.programs[0];
    EXPECT_EQ(p.name, "Start 01 Lead");
    EXPECT_EQ(p.line, 3);
    ASSERT_EQ(p.settings.size(), 5u);
    EXPECT_EQ(p.settings[0].index, kFilterCutoff);
    EXPECT_EQ(p.settings[0].value, 0.45);
    EXPECT_EQ(p.settings[0].line, 4);
    EXPECT_EQ(p.settings[1].index, kVoices);
    EXPECT_EQ(p.settings[1].value, 4.0);
    EXPECT_EQ(p.settings[2].index, kFilterPoles);
    EXPECT_EQ(p.settings[2].value, 1.0); // the text "12" is choice 1, not the number 12
    EXPECT_EQ(p.settings[3].value, 1.0); // "Sine"
    EXPECT_EQ(p.settings[4].value, -3.0);
}

TEST(BankSource, ValuesAreDefaultsExceptTheSettings) {
    const BankSource bank = Parse(Programs(64, "Volume = 0.25\nSaw 8 = 1\n"));
    ASSERT_TRUE(bank.errors.empty()) << OnlyError(bank);
    const std::vector<double> values = ProgramValues(bank.programs[0], Table(), 2);
    ASSERT_EQ(values.size(), 79u);
    for (int i = 0; i < 79; ++i) {
        const double expected = i == kVolume ? 0.25
                                : i == kSaw8 ? 1.0
                                             : Table().Parameter(i)->DefaultValue();
        EXPECT_EQ(values[static_cast<std::size_t>(i)], expected) << i;
    }
}

TEST(BankSource, Version1ProgramsGetTheValuesVersion1ProgramsLoadWith) {
    const BankSource bank = Parse(Programs(64, "Volume = 0.25\n"), 1);
    ASSERT_TRUE(bank.errors.empty()) << OnlyError(bank);
    const std::vector<double> values = ProgramValues(bank.programs[0], Table(), 1);
    EXPECT_EQ(values[kVolume], 0.25);
    EXPECT_EQ(values[kStereo], 0.0); // default 1
    EXPECT_EQ(values[kChorusLfo2], 13.0);
    EXPECT_EQ(values[kChorusDepth], 0.2);
}

TEST(BankSource, UnknownParameterNamesAreErrorsWithFileAndLine) {
    EXPECT_EQ(OnlyError(Parse(Programs(64, "Cutoff = 0.5\n"))),
              "bank.txt:2: error: unknown parameter \"Cutoff\"");
    EXPECT_EQ(OnlyError(Parse(Programs(64, "flt frq = 0.5\n"))),
              "bank.txt:2: error: unknown parameter \"flt frq\"; did you mean \"Flt Frq\"?");
}

TEST(BankSource, ValuesOutsideTheRangeOrBetweenStepsAreErrors) {
    EXPECT_EQ(OnlyError(Parse(Programs(64, "Flt Frq = 1.01\n"))),
              "bank.txt:2: error: value 1.01 of parameter \"Flt Frq\" is outside 0 .. 1");
    EXPECT_EQ(OnlyError(Parse(Programs(64, "Voices = 7\n"))),
              "bank.txt:2: error: value 7 of parameter \"Voices\" is outside 0 .. 6");
    EXPECT_EQ(OnlyError(Parse(Programs(64, "M. Tune = 1.5\n"))),
              "bank.txt:2: error: parameter \"M. Tune\" takes whole numbers, not 1.5");
    EXPECT_EQ(OnlyError(Parse(Programs(64, "Volume = loud\n"))),
              "bank.txt:2: error: value \"loud\" of parameter \"Volume\" is not a number (value "
              "texts go in double quotes)");
    EXPECT_EQ(OnlyError(Parse(Programs(64, "Volume = nan\n"))).substr(0, 28),
              "bank.txt:2: error: value \"na");
    EXPECT_EQ(OnlyError(Parse(Programs(64, "Volume = 0.5x\n"))).substr(0, 28),
              "bank.txt:2: error: value \"0.");
    EXPECT_EQ(OnlyError(Parse(Programs(64, "Flt Pole = \"13\"\n"))),
              "bank.txt:2: error: parameter \"Flt Pole\" has no value text \"13\"; it has \"6\", "
              "\"12\", \"18\", \"24\"");
}

TEST(BankSource, EqualiserCutsAreRefusedButBoostsPass) {
    EXPECT_TRUE(Parse(Programs(64, "EQ 100 = 3\nEQ 12K = 0\n")).errors.empty());
    const std::string error = OnlyError(Parse(Programs(64, "EQ 2.5K = -0.5\n")));
    EXPECT_EQ(error.rfind("bank.txt:2: error: equaliser cut -0.5 on \"EQ 2.5K\"", 0), 0u) << error;
    // Other parameters may well be negative.
    EXPECT_TRUE(Parse(Programs(64, "Flt Env = -2000\n")).errors.empty());
}

TEST(BankSource, Version1BanksSetOnlyTheFirst60Parameters) {
    EXPECT_TRUE(Parse(Programs(64, "MW > Fc = 2\n"), 1).errors.empty());
    EXPECT_EQ(OnlyError(Parse(Programs(64, "Saw 16 = 1\n"), 1)),
              "bank.txt:2: error: parameter \"Saw 16\" did not exist in version 1; a version-1 "
              "bank sets only the first 60 parameters");
    EXPECT_TRUE(Parse(Programs(64, "Saw 16 = 1\n"), 2).errors.empty());
}

TEST(BankSource, ProgramNamesMustBeUniqueAndShort) {
    EXPECT_TRUE(Parse("[" + std::string(24, 'n') + "]\n" + Programs(63)).errors.empty());
    EXPECT_EQ(OnlyError(Parse("[" + std::string(25, 'n') + "]\n" + Programs(63))),
              "bank.txt:1: error: program name \"" + std::string(25, 'n') +
                  "\" has 25 characters; at most 24 are allowed");
    EXPECT_EQ(OnlyError(Parse(Programs(63) + "[P 7]\n")),
              "bank.txt:64: error: program name \"P 7\" is already used on line 7");
    EXPECT_EQ(OnlyError(Parse(Programs(63) + "[  ]\n")), "bank.txt:64: error: empty program name");
    EXPECT_EQ(OnlyError(Parse(Programs(63) + "[P\t64]\n")),
              "bank.txt:64: error: program name \"P\t64\" contains a control character");
    EXPECT_EQ(OnlyError(Parse(Programs(63) + "[P 64\n")),
              "bank.txt:64: error: a program name line must end with ']'");
}

TEST(BankSource, ABankHoldsExactly64Programs) {
    EXPECT_EQ(OnlyError(Parse(Programs(63) + "\n# end\n")),
              "bank.txt:65: error: 63 programs: a bank holds exactly 64 programs");
    EXPECT_EQ(OnlyError(Parse(Programs(66))),
              "bank.txt:65: error: program 65 of 66: a bank holds exactly 64 programs");
    EXPECT_EQ(OnlyError(Parse("")),
              "bank.txt:0: error: 0 programs: a bank holds exactly 64 programs");
}

TEST(BankSource, MisplacedOrRepeatedSettingsAreErrors) {
    EXPECT_EQ(OnlyError(Parse("Volume = 0.5\n" + Programs(64))),
              "bank.txt:1: error: parameter \"Volume\" set before the first \"[Program name]\"");
    EXPECT_EQ(OnlyError(Parse(Programs(64, "Volume = 0.5\nVolume = 0.6\n"))),
              "bank.txt:3: error: parameter \"Volume\" is already set on line 2");
    EXPECT_EQ(OnlyError(Parse(Programs(64, "Volume 0.5\n"))),
              "bank.txt:2: error: expected \"[Program name]\" or \"Parameter name = value\", found "
              "\"Volume 0.5\"");
}

TEST(BankSource, EveryMistakeIsReportedNotJustTheFirst) {
    const BankSource bank = Parse(Programs(64, "Cutoff = 1\nVolume = 2\n"));
    ASSERT_EQ(bank.errors.size(), 2u);
    EXPECT_EQ(bank.errors[0].line, 2);
    EXPECT_EQ(bank.errors[1].line, 3);
}

} // namespace
} // namespace vorlunda::bankgen
