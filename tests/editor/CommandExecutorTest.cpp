#include "editor/CommandExecutor.h"
#include "editor/CommandFolders.h"
#include "editor/CommandTestSupport.h"
#include "editor/EditorCommands.h"
#include "engine/ParameterTable.h"
#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace vorlunda {
namespace {

using test::CommandFixture;
using test::FsPath;

void RunCommand(CommandFixture& f, int command) {
    CommandExecutor(*f.plug, *f.editor).Run(command);
}

void SetValue(Vorlunda2& plug, int index, double value) {
    plug.Parameter(index)->SetReal(value);
    plug.ParameterChanged(index);
}

std::string IniValue(const Vorlunda2& plug, const char* section, const char* key) {
    return ProfileFile(plug.IniPath()).Read(section, key, "<missing>", 1024);
}

// --- Program commands ---

TEST(CommandExecutor, CopyThenPasteAfterConfirmation) {
    CommandFixture f;
    f.plug->SelectProgram(3);
    SetValue(*f.plug, kDetune, 33);
    RunCommand(f, kCommandCopyProgram);
    EXPECT_TRUE(f.window->messages.empty()); // copying asks nothing
    f.plug->SelectProgram(7);
    SetValue(*f.plug, kDetune, 2);

    f.window->answers = {kAnswerNo};
    RunCommand(f, kCommandPasteProgram);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text, "Do you really want to overwrite the current program?");
    EXPECT_EQ(f.window->messages[0].caption, "Paste Program");
    EXPECT_EQ(f.window->messages[0].type, kMessageYesNo);
    EXPECT_EQ(f.plug->Parameter(kDetune)->RealValue(), 2.0);

    f.window->answers = {kAnswerYes};
    RunCommand(f, kCommandPasteProgram);
    EXPECT_EQ(f.plug->Parameter(kDetune)->RealValue(), 33.0);
    EXPECT_EQ(f.plug->CurrentProgram(), 7);
    EXPECT_STREQ(f.plug->PresetName(7), f.plug->PresetName(3));
}

TEST(CommandExecutor, InitAfterConfirmation) {
    CommandFixture f;
    SetValue(*f.plug, kVolume, 0.123);
    f.window->answers = {kAnswerNo};
    RunCommand(f, kCommandInitProgram);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text, "Do you really want to initialize the current program?");
    EXPECT_EQ(f.window->messages[0].caption, "Initialize Program");
    EXPECT_EQ(f.plug->Parameter(kVolume)->RealValue(), 0.123);

    f.window->answers = {kAnswerYes};
    RunCommand(f, kCommandInitProgram);
    EXPECT_STREQ(f.plug->PresetName(f.plug->CurrentProgram()), "Init");
    EXPECT_NEAR(f.plug->Parameter(kVolume)->RealValue(), f.plug->Parameter(kVolume)->DefaultValue(),
                1e-9);
}

TEST(CommandExecutor, ConfirmationThatCouldNotBeShownGoesNoFurther) {
    CommandFixture f;
    SetValue(*f.plug, kVolume, 0.123);
    f.window->answers = {kAnswerNone};
    RunCommand(f, kCommandInitProgram);
    EXPECT_EQ(f.plug->Parameter(kVolume)->RealValue(), 0.123);
}

// --- Program and bank files ---

TEST(CommandExecutor, SavedBankLoadsBackAllPrograms) {
    CommandFixture f;
    SetValue(*f.plug, kDetune, 21); // an unstored edit of the current program is saved too
    const std::string bank = f.Path("all.fxb");
    f.window->files = {bank};
    RunCommand(f, kCommandSaveBank);
    ASSERT_EQ(f.window->dialogs.size(), 1u);
    EXPECT_EQ(f.window->dialogs[0].action, kFileSave);
    EXPECT_EQ(f.window->dialogs[0].extensions, "fxb");
    EXPECT_EQ(f.window->dialogs[0].file, "Vorlunda2");
    EXPECT_EQ(f.window->dialogs[0].folder, f.plug->ProgramFilesPath()); // first command
    EXPECT_TRUE(f.window->messages.empty());
    const auto saved = f.Programs();

    f.plug->LoadFactoryBank(1);
    f.plug->SelectProgram(0);
    ASSERT_NE(f.Programs(), saved);

    f.window->files = {bank};
    RunCommand(f, kCommandLoadBank);
    EXPECT_EQ(f.window->dialogs[1].action, kFileOpen);
    EXPECT_EQ(f.window->dialogs[1].extensions, "fxb");
    EXPECT_EQ(f.window->dialogs[1].file, "");
    EXPECT_EQ(f.window->dialogs[1].folder, f.folder); // the folder of the file saved
    EXPECT_TRUE(f.window->messages.empty());
    const auto loaded = f.Programs();
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(loaded[static_cast<std::size_t>(i)], saved[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(f.plug->Parameter(kDetune)->RealValue(), 21.0);
}

TEST(CommandExecutor, SavedProgramLoadsBackUnderItsProposedName) {
    CommandFixture f;
    f.plug->Preset(f.plug->CurrentProgram())->name = "A/B:C";
    SetValue(*f.plug, kNoiseMix, 0.37);
    const std::string program = f.Path("A_B_C.fxp");
    f.window->files = {program};
    RunCommand(f, kCommandSaveProgram);
    ASSERT_EQ(f.window->dialogs.size(), 1u);
    EXPECT_EQ(f.window->dialogs[0].file, "A_B_C");
    EXPECT_EQ(f.window->dialogs[0].extensions, "fxp");
    EXPECT_EQ(f.window->dialogs[0].action, kFileSave);

    f.plug->SelectProgram(10);
    SetValue(*f.plug, kNoiseMix, 0.0);
    f.window->files = {program};
    RunCommand(f, kCommandLoadProgram);
    EXPECT_TRUE(f.window->messages.empty());
    EXPECT_EQ(f.window->dialogs[1].extensions, "fxp");
    EXPECT_EQ(f.plug->CurrentProgram(), 10);
    EXPECT_STREQ(f.plug->PresetName(10), "A/B:C");
    EXPECT_NEAR(f.plug->Parameter(kNoiseMix)->RealValue(), 0.37, 1e-12);
}

TEST(CommandExecutor, ProposedProgramFileName) {
    EXPECT_EQ(CommandExecutor::ProgramFileName("A/B:C"), "A_B_C");
    EXPECT_EQ(CommandExecutor::ProgramFileName("<>:\"/\\|?*"), "_________");
    EXPECT_EQ(CommandExecutor::ProgramFileName("Tab\there"), "Tab_here");
    EXPECT_EQ(CommandExecutor::ProgramFileName(std::string(100, 'x')), std::string(63, 'x'));
    // 62 ASCII characters and a two-byte "ö": the cut never splits the character.
    EXPECT_EQ(CommandExecutor::ProgramFileName(std::string(62, 'x') + "\xC3\xB6"),
              std::string(62, 'x'));
    EXPECT_EQ(CommandExecutor::ProgramFileName("J\xC3\xB6rg"), "J\xC3\xB6rg");
}

TEST(CommandExecutor, CorruptBankIsRefusedAndChangesNothing) {
    CommandFixture f;
    f.plug->SelectProgram(5);
    SetValue(*f.plug, kDetune, 17);
    const auto before = f.Programs();
    const std::string bad = f.Path("corrupt.fxb");
    // A valid header whose chunk is cut short, and plain garbage.
    std::string truncated = "CcnK";
    truncated += std::string("\0\0\0\xA0", 4) + "FBCh" + std::string("\0\0\0\x02", 4) + "Vor2";
    truncated += std::string(200, '\x01');
    for (const std::string& bytes : {truncated, std::string("not a bank at all")}) {
        test::WriteFileBytes(bad, bytes);
        f.window->files = {bad};
        f.window->messages.clear();
        RunCommand(f, kCommandLoadBank);
        ASSERT_EQ(f.window->messages.size(), 1u);
        EXPECT_EQ(f.window->messages[0].text, "Cannot load file!");
        EXPECT_EQ(f.window->messages[0].caption, "Error");
        EXPECT_EQ(f.window->messages[0].type, kMessageOk);
        EXPECT_EQ(f.Programs(), before);
    }
    // The folder follows the chosen file even so.
    EXPECT_EQ(CommandFolders::LastProgramFolder(), f.folder);

    f.window->files = {f.Path("missing.fxp")};
    f.window->messages.clear();
    RunCommand(f, kCommandLoadProgram);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text, "Cannot load file!");
    EXPECT_EQ(f.Programs(), before);
}

TEST(CommandExecutor, CancelledDialogChangesNothing) {
    CommandFixture f;
    CommandFolders::Prepare(*f.plug);
    CommandFolders::SetLastProgramFolder("/kept");
    const auto before = f.Programs();
    for (int command : {kCommandLoadProgram, kCommandSaveProgram, kCommandLoadBank,
                        kCommandSaveBank, kCommandSelectStartupBank, kCommandDefaultPath}) {
        f.window->files = {""};
        RunCommand(f, command);
    }
    EXPECT_EQ(f.window->dialogs.size(), 6u);
    EXPECT_EQ(f.Programs(), before);
    EXPECT_EQ(CommandFolders::LastProgramFolder(), "/kept");
    EXPECT_TRUE(f.plug->StartupBankPath().empty());
    EXPECT_EQ(f.plug->ProgramFilesPath(), f.plug->DocumentsPath());
    EXPECT_TRUE(f.window->messages.empty());
}

TEST(CommandExecutor, SaveIntoMissingFolderReportsAndWritesNothing) {
    CommandFixture f;
    const std::string path = f.Path("no-such-folder/x.fxb");
    f.window->files = {path};
    RunCommand(f, kCommandSaveBank);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text, "Cannot save file!");
    EXPECT_EQ(f.window->messages[0].caption, "Error");
    EXPECT_FALSE(std::filesystem::exists(FsPath(path)));
}

TEST(CommandExecutor, SaveOverReadOnlyFileReportsAndKeepsIt) {
#ifndef _WIN32
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
#endif
    CommandFixture f;
    const std::string path = f.Path("locked.fxp");
    test::WriteFileBytes(path, "the old file");
    std::filesystem::permissions(FsPath(path), std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::group_read);
    f.window->files = {path};
    RunCommand(f, kCommandSaveProgram);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text, "Cannot save file!");
    EXPECT_EQ(test::ReadFileBytes(path), "the old file");
    std::filesystem::permissions(FsPath(path), std::filesystem::perms::owner_all);
}

#ifndef _WIN32
// A write that fails part-way (here: the file-size limit, which binds root too, where a disk
// runs full) leaves the file that was there as it was, and no temporary file beside it.
TEST(CommandExecutor, FailedWriteKeepsTheExistingFile) {
    CommandFixture f;
    const std::string path = f.Path("kept.fxb");
    const std::string old(3000, 'k');
    test::WriteFileBytes(path, old);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 1000; // bytes; a bank is far larger
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    f.window->files = {path};
    RunCommand(f, kCommandSaveBank);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text, "Cannot save file!");
    EXPECT_EQ(test::ReadFileBytes(path), old);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(FsPath(f.folder)))
        ++files;
    EXPECT_EQ(files, 1);
}
#endif

TEST(CommandExecutor, NonAsciiFoldersLoadAndSave) {
    CommandFixture f;
    for (const char* name : {"J\xC3\xB6rg", "\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0"}) {
        const std::string folder = f.Path(name);
        std::filesystem::create_directories(FsPath(folder));
        const std::string bank = test::Utf8(FsPath(folder) / "B\xC3\xA4nk.fxb");
        const std::string program = test::Utf8(FsPath(folder) / "Pr\xC3\xB6g.fxp");
        f.plug->SelectProgram(2);
        SetValue(*f.plug, kDetune, 12);
        f.window->files = {bank, program};
        RunCommand(f, kCommandSaveBank);
        RunCommand(f, kCommandSaveProgram);
        EXPECT_TRUE(f.window->messages.empty()) << name;
        EXPECT_EQ(CommandFolders::LastProgramFolder(), folder);
        const auto saved = f.Programs();

        f.plug->LoadFactoryBank(1);
        f.window->files = {bank};
        RunCommand(f, kCommandLoadBank);
        EXPECT_TRUE(f.window->messages.empty()) << name;
        EXPECT_EQ(f.Programs(), saved);
        SetValue(*f.plug, kDetune, 3);
        f.window->files = {program};
        RunCommand(f, kCommandLoadProgram);
        EXPECT_TRUE(f.window->messages.empty()) << name;
        EXPECT_EQ(f.plug->Parameter(kDetune)->RealValue(), 12.0);
    }
}

// --- Factory banks ---

TEST(CommandExecutor, RestoreFactoryBanksAfterConfirmation) {
    CommandFixture f;
    f.plug->SelectStartupBank(f.Path("start.fxb"));
    Vorlunda2 reference;
    for (int version : {1, 2}) {
        reference.LoadFactoryBank(version);
        std::vector<std::string> expected;
        for (int i = 0; i < 64; ++i)
            expected.push_back(reference.PresetName(i));
        f.plug->Preset(0)->name = "Mine";
        f.plug->Preset(40)->name = "Mine too";

        f.window->messages.clear();
        f.window->answers = {kAnswerNo};
        const int command = version == 1 ? kCommandFactoryBank1 : kCommandFactoryBank2;
        RunCommand(f, command);
        ASSERT_EQ(f.window->messages.size(), 1u);
        EXPECT_STREQ(f.plug->PresetName(0), "Mine");
        EXPECT_EQ(f.window->messages[0].caption, version == 1 ? "Restore Version 1 Factory Bank"
                                                              : "Restore Version 2 Factory Bank");
        EXPECT_EQ(f.window->messages[0].text,
                  version == 1 ? "Do you really want to restore the original Vorlunda Version 1 "
                                 "factory bank? All existing programs will be overwritten!"
                               : "Do you really want to restore the Vorlunda Version 2 factory "
                                 "bank? All existing programs will be overwritten!");

        f.window->answers = {kAnswerYes};
        RunCommand(f, command);
        for (int i = 0; i < 64; ++i)
            EXPECT_EQ(f.plug->PresetName(i), expected[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(f.plug->StartupBankPath(), f.Path("start.fxb")); // still recorded
    }
}

// --- Startup bank ---

TEST(CommandExecutor, StartupBankSelectLoadUnselect) {
    CommandFixture f;
    // A bank to start with: the current programs with a mark in program 9.
    f.plug->SelectProgram(9);
    SetValue(*f.plug, kDetune, 44);
    f.plug->ModifyCurrentPreset("Startup Nine");
    const std::string bank = f.Path("start.fxb");
    ASSERT_TRUE(f.plug->WriteBankFile(bank.c_str()));
    f.plug->LoadFactoryBank(2);
    const auto factory = f.Programs();

    f.window->files = {bank};
    RunCommand(f, kCommandSelectStartupBank);
    ASSERT_EQ(f.window->dialogs.size(), 1u);
    EXPECT_EQ(f.window->dialogs[0].action, kFileOpen);
    EXPECT_EQ(f.window->dialogs[0].extensions, "fxb");
    EXPECT_EQ(f.window->dialogs[0].folder, f.plug->DocumentsPath());
    EXPECT_EQ(f.plug->StartupBankPath(), bank);
    EXPECT_EQ(IniValue(*f.plug, "Startup Bank", "File"), bank);
    EXPECT_EQ(CommandFolders::LastStartupBankFolder(), f.folder);
    EXPECT_NE(CommandFolders::LastProgramFolder(), f.folder);
    EXPECT_EQ(f.Programs(), factory); // selecting loads nothing

    f.window->answers = {kAnswerNo};
    RunCommand(f, kCommandLoadStartupBank);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text,
              "The Startup Bank is:\n" + bank + "\n\nDo you really want to reload all programs?");
    EXPECT_EQ(f.window->messages[0].caption, "Load Startup Bank");
    EXPECT_EQ(f.Programs(), factory);
    f.window->answers = {kAnswerYes};
    RunCommand(f, kCommandLoadStartupBank);
    EXPECT_STREQ(f.plug->PresetName(9), "Startup Nine");
    EXPECT_EQ(f.window->messages.size(), 2u);

    // A startup bank that went bad is reported and changes nothing.
    test::WriteFileBytes(bank, "garbage");
    const auto loaded = f.Programs();
    f.window->answers = {kAnswerYes};
    RunCommand(f, kCommandLoadStartupBank);
    ASSERT_EQ(f.window->messages.size(), 4u);
    EXPECT_EQ(f.window->messages[3].text, "Cannot load file!");
    EXPECT_EQ(f.window->messages[3].caption, "Error");
    EXPECT_EQ(f.Programs(), loaded);

    f.window->answers = {kAnswerNo};
    RunCommand(f, kCommandUnselectStartupBank);
    EXPECT_EQ(f.window->messages[4].text,
              "The Startup Bank is:\n" + bank + "\n\nDo you really want to unselect it?");
    EXPECT_EQ(f.window->messages[4].caption, "Unselect Startup Bank");
    EXPECT_EQ(f.plug->StartupBankPath(), bank);
    f.window->answers = {kAnswerYes};
    RunCommand(f, kCommandUnselectStartupBank);
    EXPECT_TRUE(f.plug->StartupBankPath().empty());
    EXPECT_TRUE(ProfileFile(f.plug->IniPath()).Keys("Startup Bank").empty());
    EXPECT_EQ(f.Programs(), loaded);
}

TEST(CommandExecutor, LongStartupBankPathIsCutInTheMessage) {
    CommandFixture f;
    const std::string path = "/" + std::string(1500, 'p') + ".fxb";
    f.plug->SelectStartupBank(path);
    f.window->answers = {kAnswerNo};
    RunCommand(f, kCommandUnselectStartupBank);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text.size(), 1023u);
    EXPECT_EQ(f.window->messages[0].text.rfind("The Startup Bank is:\n/ppp", 0), 0u);
}

// --- Folders ---

TEST(CommandFolders, FolderOfAChosenFile) {
    EXPECT_EQ(CommandFolders::FolderOf("C:\\Music\\Banks\\a.fxb"), "C:\\Music\\Banks");
    EXPECT_EQ(CommandFolders::FolderOf("/home/user/a.fxb"), "/home/user");
    EXPECT_EQ(CommandFolders::FolderOf("C:/Music\\Banks/a.fxb"), "C:/Music\\Banks");
    EXPECT_EQ(CommandFolders::FolderOf("/home\\user/x\\a.fxb"), "/home\\user/x");
    EXPECT_EQ(CommandFolders::FolderOf("a.fxb"), "");
    EXPECT_EQ(CommandFolders::FolderOf("/a.fxb"), "");
    EXPECT_EQ(CommandFolders::FolderOf("\\a.fxb"), "");
    EXPECT_EQ(CommandFolders::FolderOf("C:\\a.fxb"), "C:");
    EXPECT_EQ(CommandFolders::FolderOf(""), "");
}

TEST(CommandFolders, CreatedByTheFirstCommandButTheLink) {
    CommandFixture f("[Global]\r\nPath to Program Files=/programs\r\n");
    RunCommand(f, kCommandVisitMaker);
    EXPECT_FALSE(CommandFolders::Prepared());
    ASSERT_EQ(f.window->links.size(), 1u);
    EXPECT_EQ(f.window->links[0], "http://www.example.com/");
    RunCommand(f, kCommandCopyProgram);
    EXPECT_TRUE(CommandFolders::Prepared());
    EXPECT_EQ(CommandFolders::LastProgramFolder(), "/programs");
    EXPECT_EQ(CommandFolders::LastStartupBankFolder(), f.plug->DocumentsPath());
}

TEST(CommandFolders, DefaultPathIsWrittenAndSharedByEveryInstance) {
    CommandFixture f;
    const std::string start =
        f.plug->ProgramFilesPath().empty() ? f.plug->DocumentsPath() : f.plug->ProgramFilesPath();
    const std::string chosen = f.Path("[file name is ignored]");
    f.window->files = {chosen};
    RunCommand(f, kCommandDefaultPath);
    ASSERT_EQ(f.window->dialogs.size(), 1u);
    EXPECT_EQ(f.window->dialogs[0].action, kFileSave);
    EXPECT_EQ(f.window->dialogs[0].extensions, " ");
    EXPECT_EQ(f.window->dialogs[0].file, "[file name is ignored]");
    EXPECT_EQ(f.window->dialogs[0].folder, start);
    EXPECT_EQ(f.plug->ProgramFilesPath(), f.folder);
    EXPECT_EQ(IniValue(*f.plug, "Global", "Path to Program Files"), f.folder);
    EXPECT_FALSE(std::filesystem::exists(FsPath(chosen))); // no file is written
    EXPECT_TRUE(f.window->messages.empty());

    // Another instance's next dialog opens there.
    Vorlunda2 other;
    auto otherWindow = std::make_unique<test::ScriptedWindow>();
    test::ScriptedWindow* w = otherWindow.get();
    IGraphics otherEditor(other, std::move(otherWindow));
    otherEditor.OpenEditorWindow(reinterpret_cast<void*>(0x1));
    w->files = {""};
    CommandExecutor(other, otherEditor).Run(kCommandLoadProgram);
    ASSERT_EQ(w->dialogs.size(), 1u);
    EXPECT_EQ(w->dialogs[0].folder, f.folder);
}

TEST(CommandFolders, EmptyProgramFolderFallsBackToDocumentsForTheDefaultPath) {
    CommandFixture f;
    CommandFolders::Prepare(*f.plug);
    CommandFolders::SetLastProgramFolder("");
    f.window->files = {""};
    RunCommand(f, kCommandDefaultPath);
    ASSERT_EQ(f.window->dialogs.size(), 1u);
    EXPECT_EQ(f.window->dialogs[0].folder, f.plug->DocumentsPath());
}

// --- Configuration ---

TEST(CommandExecutor, MidiSwitchesToggleAndAreWritten) {
    CommandFixture f;
    RunCommand(f, kCommandMidiThru);
    EXPECT_TRUE(f.plug->midiThru);
    EXPECT_EQ(IniValue(*f.plug, "MIDI Global", "MIDI Thru"), "true");
    EXPECT_EQ(IniValue(*f.plug, "MIDI Global", "Ignore Program Change"), "<missing>");
    RunCommand(f, kCommandMidiThru);
    EXPECT_FALSE(f.plug->midiThru);
    EXPECT_EQ(IniValue(*f.plug, "MIDI Global", "MIDI Thru"), "false");

    RunCommand(f, kCommandIgnoreProgramChange);
    EXPECT_TRUE(f.plug->ignoreProgramChange);
    EXPECT_EQ(IniValue(*f.plug, "MIDI Global", "Ignore Program Change"), "true");
    EXPECT_TRUE(f.window->messages.empty());
}

TEST(CommandExecutor, ReloadConfigurationAfterConfirmation) {
    CommandFixture f;
    test::WriteFileBytes(f.plug->IniPath(), "[MIDI Global]\r\nMIDI Thru=true\r\n");
    f.window->answers = {kAnswerNo};
    RunCommand(f, kCommandReloadConfiguration);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text, "The INI configuration file is:\n" + f.plug->IniPath() +
                                              "\n\nDo you really want to reload it?");
    EXPECT_EQ(f.window->messages[0].caption, "Reload Configuration");
    EXPECT_FALSE(f.plug->midiThru);
    f.window->answers = {kAnswerYes};
    RunCommand(f, kCommandReloadConfiguration);
    EXPECT_TRUE(f.plug->midiThru);
    EXPECT_EQ(f.window->messages.size(), 2u);

    std::filesystem::remove(FsPath(f.plug->IniPath()));
    f.window->answers = {kAnswerYes};
    RunCommand(f, kCommandReloadConfiguration);
    ASSERT_EQ(f.window->messages.size(), 4u);
    EXPECT_EQ(f.window->messages[3].text, "The INI file does not exist.");
    EXPECT_EQ(f.window->messages[3].caption, "Problem with INI File");
    EXPECT_EQ(f.window->messages[3].type, kMessageOk);
}

TEST(CommandExecutor, SaveConfigurationAfterConfirmation) {
    CommandFixture f;
    f.plug->controllerMap[1] = 5;
    f.plug->controllerMap[74] = 28;
    f.window->answers = {kAnswerNo};
    RunCommand(f, kCommandSaveConfiguration);
    EXPECT_EQ(f.window->messages[0].text, "The INI configuration file is:\n" + f.plug->IniPath() +
                                              "\n\nDo you really want to overwrite it?");
    EXPECT_EQ(f.window->messages[0].caption, "Save Configuration");
    EXPECT_TRUE(ProfileFile(f.plug->IniPath()).Keys("MIDI Control").empty());
    f.window->answers = {kAnswerYes};
    RunCommand(f, kCommandSaveConfiguration);
    const auto keys = ProfileFile(f.plug->IniPath()).Keys("MIDI Control");
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0], "CC1");
    EXPECT_EQ(keys[1], "CC74");
    EXPECT_EQ(IniValue(*f.plug, "MIDI Control", "CC74"), "28");
}

TEST(CommandExecutor, UnknownNumbersDoNothing) {
    CommandFixture f;
    const auto before = f.Programs();
    for (int command : {-1, 3, 8, 9, 13, 15, 18, 19, 26, 1000})
        RunCommand(f, command);
    EXPECT_EQ(f.Programs(), before);
    EXPECT_TRUE(f.window->messages.empty());
    EXPECT_TRUE(f.window->dialogs.empty());
    EXPECT_TRUE(f.window->links.empty());
}

} // namespace
} // namespace vorlunda
