#include "engine/Vorlunda2.h"
#include "platform/IniDocument.h"
#include "platform/ProfileFile.h"
#include "platform/UserFolders.h"
#include "support/TestEnvironment.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace vorlunda {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// An instance with its own configuration folder, optionally with an INI file written first.
std::unique_ptr<Vorlunda2> FreshInstance(const std::string& ini = "", bool writeIni = false) {
    test::FreshConfigurationHome();
    if (writeIni) {
        Vorlunda2 probe; // creates the folder and finds the file's path
        WriteFile(probe.IniPath(), ini);
    } else {
        // Make sure no file from an earlier test is there.
        Vorlunda2 probe;
        std::remove(probe.IniPath().c_str());
    }
    return std::make_unique<Vorlunda2>();
}

TEST(Configuration, NewInstanceCreatesAnEmptyFileAndReadsDefaults) {
    auto fresh = FreshInstance();
    Vorlunda2& synth = *fresh;
    ASSERT_FALSE(synth.IniPath().empty());
    EXPECT_TRUE(folders::IsRegularFile(synth.IniPath()));
    EXPECT_EQ(ReadFile(synth.IniPath()), "");
    EXPECT_FALSE(synth.midiThru);
    EXPECT_FALSE(synth.ignoreProgramChange);
    EXPECT_TRUE(synth.StartupBankPath().empty());
    EXPECT_EQ(synth.ProgramFilesPath(), synth.DocumentsPath());
    for (int entry : synth.controllerMap)
        EXPECT_EQ(entry, -1);
}

TEST(Configuration, ValueRules) {
    auto synth = FreshInstance("[midi global]\r\nmidi thru=TRUE\r\nIgnore Program Change=yes\r\n"
                               "[MIDI Control]\r\nCC7=0\r\nCC8=abc\r\nCC9=\r\ncc10= 42xyz\r\n"
                               "CC11=-5\r\nCC12= 0\r\n[Global]\r\nPath to Program Files=/music\r\n",
                               true);
    EXPECT_TRUE(synth->midiThru);             // any letter case
    EXPECT_FALSE(synth->ignoreProgramChange); // "yes" is not "true"
    EXPECT_EQ(synth->controllerMap[7], 0);    // "0" binds to parameter 0
    EXPECT_EQ(synth->controllerMap[8], -1);   // not a number: unbound
    EXPECT_EQ(synth->controllerMap[9], -1);   // empty keeps the value before reading
    EXPECT_EQ(synth->controllerMap[10], 42);  // stops at the first non-digit
    EXPECT_EQ(synth->controllerMap[11], -5);  // kept in memory, no effect on sound
    EXPECT_EQ(synth->controllerMap[12], 0);   // blanks around a value are trimmed, as Windows does
    EXPECT_EQ(synth->ProgramFilesPath(), "/music");

    // Empty values keep what the instance had: bind 9, then reread.
    synth->controllerMap[9] = 33;
    synth->midiThru = false;
    EXPECT_TRUE(synth->ReadConfiguration());
    EXPECT_EQ(synth->controllerMap[9], 33);
    EXPECT_TRUE(synth->midiThru);
}

TEST(Configuration, MissingKeysKeepTheCurrentFlags) {
    auto synth = FreshInstance("[MIDI Global]\r\n", true);
    synth->midiThru = true;
    synth->ReadConfiguration();
    EXPECT_TRUE(synth->midiThru);
}

TEST(Configuration, SaveWritesExactlyTheBoundControllersInOrder) {
    auto synth = FreshInstance();
    synth->controllerMap[74] = 28;
    synth->controllerMap[1] = 4;
    synth->WriteConfiguration(Synth::ConfigurationPart::Everything);
    const std::string text = ReadFile(synth->IniPath());
    const auto control = text.find("[MIDI Control]");
    ASSERT_NE(control, std::string::npos);
    EXPECT_EQ(text.substr(control), "[MIDI Control]\r\nCC1=4\r\nCC74=28\r\n");
    EXPECT_NE(text.find("MIDI Thru=false"), std::string::npos);
    EXPECT_NE(text.find("[Startup Bank]\r\nFile=\r\n"), std::string::npos);

    auto reread = std::make_unique<Vorlunda2>();
    EXPECT_EQ(reread->controllerMap[1], 4);
    EXPECT_EQ(reread->controllerMap[74], 28);
    EXPECT_EQ(reread->controllerMap[7], -1);
}

TEST(Configuration, TogglingMidiThruRewritesTheStartupBankButNotTheControllers) {
    auto synth = FreshInstance("[Startup Bank]\r\nFile=/old.fxb\r\nStale=1\r\n"
                               "[MIDI Control]\r\nCC5=3\r\n",
                               true);
    synth->ReadConfiguration(); // the constructor forgot the bank, which does not load
    synth->midiThru = true;
    synth->WriteConfiguration(Synth::ConfigurationPart::MidiThru);
    const std::string text = ReadFile(synth->IniPath());
    EXPECT_NE(text.find("[Startup Bank]\r\nFile=/old.fxb\r\n[MIDI Control]"), std::string::npos);
    EXPECT_EQ(text.find("Stale"), std::string::npos);
    EXPECT_NE(text.find("CC5=3"), std::string::npos);
    EXPECT_NE(text.find("MIDI Thru=true"), std::string::npos);
    EXPECT_EQ(text.find("Ignore Program Change"), std::string::npos);
}

TEST(Configuration, StartupBankSelectAndUnselect) {
    auto synth = FreshInstance();
    EXPECT_TRUE(synth->SelectStartupBank("/banks/live.fxb"));
    EXPECT_NE(ReadFile(synth->IniPath()).find("File=/banks/live.fxb"), std::string::npos);
    synth->UnselectStartupBank();
    EXPECT_TRUE(synth->StartupBankPath().empty());
    const std::string text = ReadFile(synth->IniPath());
    EXPECT_NE(text.find("[Startup Bank]"), std::string::npos);
    EXPECT_EQ(text.find("File="), std::string::npos);
    synth->ReadConfiguration();
    EXPECT_TRUE(synth->StartupBankPath().empty());
    synth->WriteProgramFilesPath("/presets");
    EXPECT_NE(ReadFile(synth->IniPath()).find("[Global]\r\nPath to Program Files=/presets"),
              std::string::npos);
}

TEST(Configuration, HugeValuesAreCutAndGarbageReadsAsDefaults) {
    const std::string huge(10000, 'x');
    auto synth =
        FreshInstance("\x01\x02garbage\n[Startup Bank\nFile=" + huge +
                          "\n[Startup Bank]\nFile=" + huge + "\n[MIDI Control]\nCC3=" + huge + "\n",
                      true);
    synth->ReadConfiguration(); // the constructor forgot the bank, which does not load
    EXPECT_EQ(synth->StartupBankPath().size(), 258u);
    EXPECT_EQ(synth->controllerMap[3], -1);
}

TEST(IniDocument, EditsInPlaceAppendAndEmpty) {
    IniDocument doc;
    doc.Parse("; comment\n[One]\nA=1\nb = 2\n\n[Two]\nC=3\n");
    std::string v;
    ASSERT_TRUE(doc.Get("one", "B", &v));
    EXPECT_EQ(v, "2");
    EXPECT_FALSE(doc.Get("One", "C", &v));
    doc.Set("ONE", "a", "10");  // in place, the key keeps its spelling
    doc.Set("One", "New", "x"); // after the section's last key
    doc.Set("Three", "D", "4"); // new section at the end
    doc.EmptySection("Two");
    EXPECT_EQ(doc.Serialize(),
              "; comment\r\n[One]\r\nA=10\r\nb = 2\r\nNew=x\r\n\r\n[Two]\r\n[Three]\r\nD=4\r\n");
}

TEST(IniDocument, KeysOfASectionInFileOrder) {
    IniDocument doc;
    doc.Parse("[MIDI Control]\nCC1=4\n; CC2=5\ncc74 = 28\n[Other]\nCC3=1\n[midi control]\nCC9=\n");
    const std::vector<std::string> expected = {"CC1", "cc74", "CC9"};
    EXPECT_EQ(doc.Keys("MIDI CONTROL"), expected);
    EXPECT_TRUE(doc.Keys("Missing").empty());
    const std::string path = test::FreshConfigurationHome() + "/keys.ini";
    ProfileFile file(path);
    EXPECT_TRUE(file.Keys("MIDI Control").empty()); // no file yet
    file.Write("MIDI Control", "CC1", "4");
    file.Write("MIDI Control", "CC74", "28");
    EXPECT_EQ(file.Keys("midi control"), (std::vector<std::string>{"CC1", "CC74"}));
}

TEST(IniDocument, ConcurrentWritersNeverCorruptTheFile) {
    const std::string path = test::FreshConfigurationHome() + "/concurrent.ini";
    ProfileFile file(path);
    auto writer = [&](int id) {
        for (int i = 0; i < 200; ++i)
            file.Write("S" + std::to_string(id), "K" + std::to_string(i % 20), std::to_string(i));
    };
    std::thread a(writer, 1), b(writer, 2);
    a.join();
    b.join();
    for (int id : {1, 2}) {
        for (int k = 0; k < 20; ++k)
            EXPECT_EQ(file.Read("S" + std::to_string(id), "K" + std::to_string(k), "?", 64),
                      std::to_string(180 + k));
    }
}

#ifndef _WIN32
// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name(name) {
        const char* old = std::getenv(name);
        had = old != nullptr;
        saved = old ? old : "";
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvironment() {
        if (had)
            setenv(name, saved.c_str(), 1);
        else
            unsetenv(name);
    }

private:
    const char* name;
    bool had = false;
    std::string saved;
};

TEST(Configuration, MissingConfigurationBaseFolderIsCreatedPrivateThenTheFile) {
    // A fresh account: a home folder without .config, and no XDG_CONFIG_HOME.
    const std::filesystem::path home =
        std::filesystem::path(test::TemporaryRoot()) / "fresh-account-home";
    std::filesystem::create_directories(home);
    ScopedEnvironment noXdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnvironment freshHome("HOME", home.c_str());
    ASSERT_FALSE(std::filesystem::exists(home / ".config"));
    Vorlunda2 synth;
    const std::filesystem::path ini = home / ".config" / "TarnKettleMusic" / "vorlunda2.ini";
    EXPECT_EQ(synth.IniPath(), ini.string());
    EXPECT_TRUE(std::filesystem::is_regular_file(ini));
    // The base folder is the user's alone, as the XDG base-directory rules ask.
    struct stat info {};
    ASSERT_EQ(stat((home / ".config").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // Settings written now survive into the next instance.
    synth.midiThru = true;
    synth.WriteConfiguration(Synth::ConfigurationPart::MidiThru);
    Vorlunda2 next;
    EXPECT_TRUE(next.midiThru);
}

TEST(Configuration, MissingNestedXdgFolderIsCreatedLevelByLevel) {
    const std::filesystem::path base =
        std::filesystem::path(test::TemporaryRoot()) / "xdg-missing" / "a" / "b";
    ScopedEnvironment xdg("XDG_CONFIG_HOME", base.c_str());
    Vorlunda2 synth;
    EXPECT_TRUE(std::filesystem::is_regular_file(base / "TarnKettleMusic" / "vorlunda2.ini"));
    struct stat info {};
    ASSERT_EQ(stat(base.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}
#endif

// A host running in a locale with a decimal comma keeps it: the plug-in never sets the
// process's locale, and its own number texts still use a point.
TEST(HostLocale, InstancesLeaveTheProcessLocaleAloneAndFormatWithAPoint) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    bool german = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252"})
        if (std::setlocale(LC_ALL, name)) {
            german = true;
            break;
        }
#ifndef _WIN32
    ASSERT_TRUE(german) << "de_DE.UTF-8 is missing (scripts/setup generates it)";
#else
    if (!german)
        GTEST_SKIP() << "no German locale in this wine prefix";
#endif
    const std::string before = std::setlocale(LC_ALL, nullptr);
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
    {
        Vorlunda2 synth;
        test::TestHost host;
        test::HostedPlugin plugin(host);
        plugin.Start();
        EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
        EXPECT_STREQ(std::localeconv()->decimal_point, ",");
        int withPoint = 0;
        for (int i = 0; i < plugin.effect->numParams; ++i) {
            char text[256] = {};
            plugin.Dispatch(vst::effGetParamDisplay, i, 0, text);
            EXPECT_EQ(std::string(text).find(','), std::string::npos) << i << ": " << text;
            withPoint += std::string(text).find('.') != std::string::npos;
        }
        EXPECT_GT(withPoint, 0);
    }
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
} // namespace vorlunda
