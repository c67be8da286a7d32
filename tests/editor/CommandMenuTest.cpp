#include "editor/CommandMenu.h"
#include "editor/CommandTestSupport.h"
#include "editor/EditorCommands.h"
#include "editor/ITKOptionMenu.h"

#include <gtest/gtest.h>

namespace vorlunda {
namespace {

using test::CommandFixture;

// The main menu's texts in order; "-" stands for a separator.
const char* const kMainEntries[] = {"Copy Program",
                                    "Paste Program",
                                    "Init Program",
                                    "-",
                                    "Load Program",
                                    "Save Program",
                                    "Load Bank",
                                    "Save Bank",
                                    "Restore Factory Bank...",
                                    "-",
                                    "Select Startup Bank",
                                    "Load Startup Bank",
                                    "Unselect Startup Bank",
                                    "-",
                                    "Default Path for Program Files...",
                                    "Global MIDI Settings...",
                                    "Reload Configuration",
                                    "Save Configuration",
                                    "-",
                                    "Go Online..."};

int Flags(const PopupMenu& menu, int index) {
    return menu.Item(index)->flags;
}

TEST(CommandMenu, EntriesInOrderWithTheirSubmenus) {
    CommandFixture f;
    PopupMenu menu;
    BuildCommandMenu(*f.plug, menu);
    ASSERT_EQ(menu.ItemCount(), 20);
    EXPECT_EQ(menu.Numbering(), PopupMenu::kNoNumbers);
    for (int i = 0; i < 20; ++i) {
        const PopupMenuItem* item = menu.Item(i);
        if (std::string(kMainEntries[i]) == "-") {
            EXPECT_TRUE(item->IsSeparator()) << i;
        } else {
            EXPECT_EQ(item->text, kMainEntries[i]) << i;
            EXPECT_FALSE(item->IsSeparator()) << i;
        }
        EXPECT_EQ(item->submenu != nullptr, i == 8 || i == 15 || i == 19) << i;
    }
    const PopupMenu& restore = *menu.Item(8)->submenu;
    ASSERT_EQ(restore.ItemCount(), 2);
    EXPECT_EQ(restore.Item(0)->text, "Vorlunda Version 1");
    EXPECT_EQ(restore.Item(1)->text, "Vorlunda Version 2");
    const PopupMenu& midi = *menu.Item(15)->submenu;
    ASSERT_EQ(midi.ItemCount(), 2);
    EXPECT_EQ(midi.Item(0)->text, "MIDI Thru");
    EXPECT_EQ(midi.Item(1)->text, "Ignore Program Change");
    const PopupMenu& online = *menu.Item(19)->submenu;
    ASSERT_EQ(online.ItemCount(), 2);
    EXPECT_EQ(online.Item(0)->text, "Check Online for Update");
    EXPECT_EQ(online.Item(1)->text, "Visit example.com"); // the reserved default
}

TEST(CommandMenu, WebDomainComesFromTheConfigurationFile) {
    CommandFixture f("[Online]\r\nServer=www.maker.test:8080\r\nWeb Domain=maker.test\r\n");
    PopupMenu menu;
    BuildCommandMenu(*f.plug, menu);
    EXPECT_EQ(menu.Item(19)->submenu->Item(1)->text, "Visit maker.test");
    EXPECT_EQ(MakerHomePage(*f.plug), "http://www.maker.test:8080/");
    EXPECT_EQ(f.plug->MakerServer(), "www.maker.test:8080");
}

TEST(CommandMenu, FreshInstanceGreysPasteAndTheStartupBankEntries) {
    CommandFixture f;
    PopupMenu menu;
    BuildCommandMenu(*f.plug, menu);
    for (int i : {0, 2, 4, 5, 6, 7, 10, 14, 16, 17})
        EXPECT_EQ(Flags(menu, i), 0) << i;
    EXPECT_EQ(Flags(menu, 1), PopupMenuItem::kGreyed);
    EXPECT_EQ(Flags(menu, 11), PopupMenuItem::kGreyed);
    EXPECT_EQ(Flags(menu, 12), PopupMenuItem::kGreyed);
    EXPECT_EQ(Flags(*menu.Item(15)->submenu, 0), 0);
    EXPECT_EQ(Flags(*menu.Item(15)->submenu, 1), 0);
}

TEST(CommandMenu, StateIsReadAfreshOnEveryOpening) {
    CommandFixture f;
    f.plug->CopyProgram();
    f.plug->SelectStartupBank(f.Path("start.fxb"));
    f.plug->midiThru = true;
    {
        PopupMenu menu;
        BuildCommandMenu(*f.plug, menu);
        EXPECT_EQ(Flags(menu, 1), 0);
        EXPECT_EQ(Flags(menu, 11), 0);
        EXPECT_EQ(Flags(menu, 12), 0);
        EXPECT_EQ(Flags(*menu.Item(15)->submenu, 0), PopupMenuItem::kChecked);
        EXPECT_EQ(Flags(*menu.Item(15)->submenu, 1), 0);
    }
    f.plug->midiThru = false;
    f.plug->ignoreProgramChange = true;
    f.plug->UnselectStartupBank();
    PopupMenu menu;
    BuildCommandMenu(*f.plug, menu);
    EXPECT_EQ(Flags(menu, 1), 0); // the copy stays for the instance's lifetime
    EXPECT_EQ(Flags(menu, 11), PopupMenuItem::kGreyed);
    EXPECT_EQ(Flags(*menu.Item(15)->submenu, 0), 0);
    EXPECT_EQ(Flags(*menu.Item(15)->submenu, 1), PopupMenuItem::kChecked);
}

// The command the window layer's choice of `item` in `sub` (the main menu or a submenu of `menu`)
// gives.
int ChooseIn(PopupMenu& menu, PopupMenu& sub, int item) {
    menu.AssignCommands(1);
    return CommandOfChoice(menu, menu.Choose(sub.CommandOf(item)));
}

TEST(CommandMenu, ChoicesBecomeCommandNumbers) {
    CommandFixture f;
    f.plug->CopyProgram();
    f.plug->SelectStartupBank(f.Path("start.fxb"));
    PopupMenu menu;
    BuildCommandMenu(*f.plug, menu);
    for (int i : {0, 1, 2, 4, 5, 6, 7, 10, 11, 12, 14, 16, 17})
        EXPECT_EQ(ChooseIn(menu, menu, i), i);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ChooseIn(menu, *menu.Item(8)->submenu, i), kCommandFactoryBank1 + i);
        EXPECT_EQ(ChooseIn(menu, *menu.Item(15)->submenu, i), kCommandMidiThru + i);
        EXPECT_EQ(ChooseIn(menu, *menu.Item(19)->submenu, i), kCommandCheckForUpdate + i);
    }
    // Separators and submenu titles are no commands; nothing chosen is none.
    for (int i : {3, 8, 9, 13, 15, 18, 19})
        EXPECT_EQ(ChooseIn(menu, menu, i), -1) << i;
    EXPECT_EQ(CommandOfChoice(menu, nullptr), -1);
}

TEST(CommandMenu, GreyedEntryReportedByTheLayerRunsNothing) {
    CommandFixture f;
    PopupMenu menu;
    BuildCommandMenu(*f.plug, menu);
    EXPECT_EQ(ChooseIn(menu, menu, 1), -1);  // Paste with nothing copied
    EXPECT_EQ(ChooseIn(menu, menu, 11), -1); // no startup bank
}

// The command menu's button of the layout, wired to the command executor as the layout wires it.
ITKOptionMenu* AddMenuButton(CommandFixture& f) {
    return f.editor->MakeControl<ITKOptionMenu>(f.plug.get(), ScreenRect{1030, 5, 1070, 20}, -85,
                                                &ExecuteEditorCommand);
}

TEST(CommandMenu, OpensAtThePressPointAndRunsTheChoice) {
    CommandFixture f;
    int shownItems = 0;
    f.window->onMenu = [&](const PopupMenu& menu) {
        shownItems = menu.ItemCount();
        return menu.Item(15)->submenu->CommandOf(0); // MIDI Thru
    };
    AddMenuButton(f);
    f.window->Press(1040, 12);
    f.window->Release(1040, 12);
    EXPECT_EQ(shownItems, 20);
    EXPECT_EQ(f.window->menuRect.left, 1040);
    EXPECT_EQ(f.window->menuRect.top, 12);
    EXPECT_EQ(f.window->menuRect.right, 1040);
    EXPECT_EQ(f.window->menuRect.bottom, 12);
    EXPECT_TRUE(f.plug->midiThru);

    // The next opening shows the new state; dismissing it changes nothing.
    bool checked = false;
    f.window->onMenu = [&](const PopupMenu& menu) {
        checked = menu.Item(15)->submenu->Item(0)->IsChecked();
        return 0;
    };
    f.window->Press(1041, 13);
    f.window->Release(1041, 13);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(f.plug->midiThru);
    EXPECT_TRUE(f.window->messages.empty());
    EXPECT_TRUE(f.window->dialogs.empty());
}

TEST(CommandMenu, WithoutAnOpenWindowNothingHappens) {
    CommandFixture f;
    f.editor->CloseEditorWindow();
    f.window->onMenu = [](const PopupMenu&) { return 1; };
    const auto before = f.Programs();
    AddMenuButton(f)->MouseDown(1040, 12, test::HeadlessWindow::Left());
    EXPECT_EQ(f.window->menusShown, 0);
    EXPECT_EQ(f.Programs(), before);
}

} // namespace
} // namespace vorlunda
