// The instrument's own controls through the headless window layer: program steps and the program
// menu, renaming, the polyphony and settings menus, the command menu's opening, MIDI learn, and
// the standard controls of the layout reaching the host.
#include "EditorRig.h"

#include "editor/CommandMenu.h"
#include "editor/EditorCommands.h"
#include "editor/EditorImages.h"
#include "editor/ITKOptionMenu.h"
#include "editor/ITKPresetMenu.h"
#include "editor/ITKSwitchMidiLearn.h"
#include "editor/ITKVoiceControl.h"
#include "engine/ParameterTable.h"
#include "graphics/IBitmapControl.h"
#include "graphics/PopupMenu.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlunda::test {
namespace {

// Answers the menu with item `item` of submenu `submenu` (-1: of the menu itself).
std::function<int(const PopupMenu&)> Choose(int submenu, int item) {
    return [submenu, item](const PopupMenu& menu) {
        if (submenu < 0)
            return menu.CommandOf(item);
        return menu.Item(submenu)->submenu->CommandOf(item);
    };
}

constexpr int kPreviousX = 785, kPreviousY = 46; // inside (767, 37, 803, 55) only
constexpr int kNextX = 785, kNextY = 66;         // inside (767, 57, 803, 75) only

TEST(EditorProgramStep, PreviousFromTheFirstProgramWrapsToTheLastAndNextWrapsBack) {
    EditorRig rig;
    ASSERT_EQ(rig.Program(), 0);
    rig.Click(kPreviousX, kPreviousY);
    EXPECT_EQ(rig.Program(), 63);
    rig.Click(kNextX, kNextY);
    EXPECT_EQ(rig.Program(), 0);
    rig.Click(kNextX, kNextY);
    rig.Click(kNextX, kNextY);
    EXPECT_EQ(rig.Program(), 2);
    rig.Click(kPreviousX, kPreviousY);
    EXPECT_EQ(rig.Program(), 1);
}

TEST(EditorProgramStep, ActsOnReleaseNotOnPress) {
    EditorRig rig;
    rig.window->Press(kNextX, kNextY);
    EXPECT_EQ(rig.Program(), 0);
    rig.window->Release(kNextX, kNextY);
    EXPECT_EQ(rig.Program(), 1);
    // The selector shows the new program at the next tick.
    rig.window->Tick();
    auto* selector = dynamic_cast<ITKPresetMenu*>(rig.Control(2));
    EXPECT_EQ(selector->NumberText(), "01");
    EXPECT_EQ(selector->NameText(), rig.plugin->PresetName(1));
}

TEST(EditorBackground, AClickOnTheBackgroundDoesNothing) {
    EditorRig rig;
    const int program = rig.Program();
    const double cutoff = rig.Real(kFilterCutoff);
    for (auto mods : {HeadlessWindow::Left(), HeadlessWindow::Right()}) {
        rig.Click(540, 20, mods); // the title
        rig.Click(5, 390, mods);  // the bottom left corner
        rig.window->DoubleClick(540, 20, mods);
    }
    EXPECT_EQ(rig.Program(), program);
    EXPECT_EQ(rig.Real(kFilterCutoff), cutoff);
    EXPECT_TRUE(EditorRig::Recorded().empty());
    EXPECT_EQ(rig.window->menusShown, 0);
    EXPECT_EQ(rig.window->fieldOpens, 0);
    EXPECT_EQ(rig.Control(1)->Value(), 0.0);
}

TEST(EditorKnob, DraggingFilterCutoffUpChangesParameter28AndTheHostHearsIt) {
    EditorRig rig;
    IControl* knob = rig.ControlsOf(kFilterCutoff).at(0);
    const double before = knob->Value();
    const int x = CentreX(knob), y = CentreY(knob);
    rig.window->Press(x, y);
    rig.window->Drag(x, y - 16);
    rig.window->Release(x, y - 16);
    // 16 pixels up on a 64-pixel knob with gearing 4: + 16 / 64 / 4 = 0.0625.
    EXPECT_NEAR(knob->Value(), std::min(before + 0.0625, 1.0), 1e-12);
    {
        IPluginBase::Lock lock(rig.plugin->Mutex());
        EXPECT_NEAR(rig.plugin->Parameter(kFilterCutoff)->ToNormalised(), knob->Value(), 1e-9);
    }
    const auto automation = EditorRig::Calls(vst::audioMasterAutomate);
    ASSERT_EQ(automation.size(), 1u);
    EXPECT_EQ(automation[0].index, kFilterCutoff);
    EXPECT_FLOAT_EQ(automation[0].value, static_cast<float>(knob->Value()));
    ASSERT_EQ(EditorRig::Calls(vst::audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(EditorRig::Calls(vst::audioMasterBeginEdit)[0].index, kFilterCutoff);
    ASSERT_EQ(EditorRig::Calls(vst::audioMasterEndEdit).size(), 1u);
}

TEST(EditorFootage, AClickOnAFootageButtonTogglesItsParameterAndTheHostHearsIt) {
    EditorRig rig;
    IControl* saw8 = rig.ControlsOf(kSaw8).at(0);
    const double before = rig.Real(kSaw8);
    rig.Click(CentreX(saw8), CentreY(saw8));
    EXPECT_EQ(rig.Real(kSaw8), 1.0 - before);
    rig.Click(CentreX(saw8), CentreY(saw8));
    EXPECT_EQ(rig.Real(kSaw8), before);
    const auto automation = EditorRig::Calls(vst::audioMasterAutomate);
    ASSERT_EQ(automation.size(), 2u);
    EXPECT_EQ(automation[0].index, kSaw8);
    EXPECT_EQ(automation[0].value, static_cast<float>(1.0 - before));
    // The picture follows: the other frame of the white button.
    auto* button = dynamic_cast<IBitmapControl*>(saw8);
    rig.Click(CentreX(saw8), CentreY(saw8));
    EXPECT_EQ(button->FrameForValue(), before > 0.5 ? 1 : 2);
}

TEST(EditorMidiLearn, ArmMoveFilterCutoffThenAControllerBindsItAndTheSwitchTurnsOff) {
    EditorRig rig;
    auto* learn = dynamic_cast<ITKSwitchMidiLearn*>(rig.Control(9));
    rig.Click(CentreX(learn), CentreY(learn));
    EXPECT_EQ(learn->Value(), 1.0);
    EXPECT_TRUE(rig.plugin->learnArmed);
    EXPECT_FALSE(rig.plugin->unlearnMode);
    IControl* knob = rig.ControlsOf(kFilterCutoff).at(0);
    rig.window->Press(CentreX(knob), CentreY(knob));
    rig.window->Drag(CentreX(knob), CentreY(knob) - 4);
    rig.window->Release(CentreX(knob), CentreY(knob) - 4);
    EXPECT_EQ(rig.plugin->learnParam, kFilterCutoff);
    EXPECT_TRUE(rig.plugin->learnArmed);
    rig.Controller(74, 100);
    EXPECT_EQ(rig.plugin->controllerMap[74], kFilterCutoff);
    EXPECT_FALSE(rig.plugin->learnArmed);
    // The switch turns off at the editor's next tick, keeping its picture.
    rig.window->Tick();
    EXPECT_EQ(learn->Value(), 0.0);
    EXPECT_TRUE(learn->LearnImage());
    EXPECT_FALSE(learn->NeedsRedraw());

    // Again with controller 71: 74 is unbound, 71 bound.
    rig.Click(CentreX(learn), CentreY(learn));
    rig.Controller(71, 5);
    EXPECT_TRUE(rig.plugin->learnArmed) << "waits for the control";
    rig.window->Press(CentreX(knob), CentreY(knob));
    rig.window->Drag(CentreX(knob), CentreY(knob) + 4);
    rig.window->Release(CentreX(knob), CentreY(knob) + 4);
    EXPECT_EQ(rig.plugin->controllerMap[71], kFilterCutoff);
    EXPECT_EQ(rig.plugin->controllerMap[74], -1);
    rig.window->Tick();
    EXPECT_EQ(learn->Value(), 0.0);
}

TEST(EditorMidiLearn, RightClickSwapsToUnlearnOnlyWhileOffAndUnlearnRemovesABinding) {
    EditorRig rig;
    rig.plugin->controllerMap[71] = kFilterResonance;
    auto* learn = dynamic_cast<ITKSwitchMidiLearn*>(rig.Control(9));
    const int x = CentreX(learn), y = CentreY(learn);
    rig.Click(x, y, HeadlessWindow::Right());
    EXPECT_FALSE(learn->LearnImage());
    EXPECT_EQ(learn->Strip().bitmap, rig.graphics->LoadEditorBitmap(kImageUnlearn, "").bitmap);
    rig.Click(x, y); // arm
    EXPECT_TRUE(rig.plugin->learnArmed);
    EXPECT_TRUE(rig.plugin->unlearnMode);
    rig.Click(x, y, HeadlessWindow::Right()); // on: the right button does nothing
    EXPECT_FALSE(learn->LearnImage());
    EXPECT_EQ(learn->Value(), 1.0);
    rig.Controller(71, 64);
    EXPECT_EQ(rig.plugin->controllerMap[71], -1);
    EXPECT_FALSE(rig.plugin->learnArmed);
    EXPECT_FALSE(rig.plugin->unlearnMode);
    rig.window->Tick();
    EXPECT_EQ(learn->Value(), 0.0);
    EXPECT_FALSE(learn->LearnImage()) << "the picture stays as chosen";
    rig.Click(x, y, HeadlessWindow::Right());
    EXPECT_TRUE(learn->LearnImage());
}

TEST(EditorMidiLearn, ADoubleClickArmsAndDisarmsAgain) {
    EditorRig rig;
    auto* learn = dynamic_cast<ITKSwitchMidiLearn*>(rig.Control(9));
    rig.window->Press(CentreX(learn), CentreY(learn));
    rig.window->Release(CentreX(learn), CentreY(learn));
    rig.window->DoubleClick(CentreX(learn), CentreY(learn));
    rig.window->Release(CentreX(learn), CentreY(learn));
    EXPECT_EQ(learn->Value(), 0.0);
    EXPECT_FALSE(rig.plugin->learnArmed);
}

TEST(EditorProgramMenu, TheNumberOpensFourSubmenusWithTheCurrentProgramChecked) {
    EditorRig rig;
    rig.Click(kNextX, kNextY);
    rig.Click(kNextX, kNextY); // program 2
    std::vector<std::string> titles;
    std::string entry;
    bool checked = false;
    rig.window->onMenu = [&](const PopupMenu& menu) {
        for (int i = 0; i < menu.ItemCount(); ++i)
            titles.push_back(menu.Item(i)->text);
        const PopupMenuItem* item = menu.Item(0)->submenu->Item(2);
        entry = item->text;
        checked = item->IsChecked() && !menu.Item(0)->submenu->Item(1)->IsChecked();
        return menu.Item(2)->submenu->CommandOf(5); // program 37
    };
    rig.Click(830, 50);
    EXPECT_EQ(titles, (std::vector<std::string>{"00 - 15", "16 - 31", "32 - 47", "48 - 63"}));
    EXPECT_EQ(entry, std::string("02: ") + rig.plugin->PresetName(2));
    EXPECT_TRUE(checked);
    EXPECT_EQ(rig.Program(), 37);
    // The menu opens at the selector's rectangle.
    EXPECT_EQ(rig.window->menuRect.left, 822);
    EXPECT_EQ(rig.window->menuRect.bottom, 62);
}

TEST(EditorProgramMenu, ADismissedMenuChangesNothing) {
    EditorRig rig;
    rig.window->onMenu = [](const PopupMenu&) { return 0; };
    rig.Click(830, 50);
    EXPECT_EQ(rig.window->menusShown, 1);
    EXPECT_EQ(rig.Program(), 0);
}

TEST(EditorProgramName, TheNameOpensAFieldOf253CharactersAndCommittingRenames) {
    EditorRig rig;
    const std::string name = rig.plugin->PresetName(0);
    rig.Click(900, 50);
    ASSERT_TRUE(rig.window->fieldOpen);
    EXPECT_EQ(rig.window->fieldText, name);
    EXPECT_EQ(rig.window->field.maxLength, 253);
    EXPECT_EQ(rig.window->field.rect.left, 848);
    EXPECT_EQ(rig.window->field.chars, TextEntryChars::kAny);
    rig.window->fieldText = "Deep Bass";
    rig.window->Field(EditorEvent::kFieldCommit);
    rig.window->Tick();
    EXPECT_STREQ(rig.plugin->PresetName(0), "Deep Bass");
    rig.window->Tick();
    EXPECT_EQ(dynamic_cast<ITKPresetMenu*>(rig.Control(2))->NameText(), "Deep Bass");
}

TEST(EditorProgramName, AnEmptyNameKeepsTheNameButTheProgramTakesTheCurrentValues) {
    EditorRig rig;
    const std::string name = rig.plugin->PresetName(0);
    IControl* knob = rig.ControlsOf(kFilterCutoff).at(0);
    rig.window->Press(CentreX(knob), CentreY(knob));
    rig.window->Drag(CentreX(knob), CentreY(knob) - 30);
    rig.window->Release(CentreX(knob), CentreY(knob) - 30);
    const double edited = rig.Real(kFilterCutoff);
    rig.Click(900, 50);
    rig.window->fieldText = "";
    rig.window->Field(EditorEvent::kFieldCommit);
    rig.window->Tick();
    EXPECT_EQ(rig.plugin->PresetName(0), name);
    // Away and back: the slot kept the edit.
    rig.Click(kNextX, kNextY);
    rig.Click(kPreviousX, kPreviousY);
    EXPECT_EQ(rig.Real(kFilterCutoff), edited);
}

TEST(EditorVoices, ThePolyphonyMenuListsEveryTextAndSetsTheChoice) {
    EditorRig rig;
    std::vector<std::string> texts;
    int checked = -1;
    rig.window->onMenu = [&](const PopupMenu& menu) {
        for (int i = 0; i < menu.ItemCount(); ++i) {
            texts.push_back(menu.Item(i)->text);
            if (menu.Item(i)->IsChecked())
                checked = i;
        }
        return menu.CommandOf(5);
    };
    const int before = static_cast<int>(rig.Real(kVoices));
    rig.Click(130, 15);
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts.front(), "1 Voice");
    EXPECT_EQ(texts.back(), "64 Voices");
    EXPECT_EQ(checked, before);
    EXPECT_EQ(rig.Real(kVoices), 5.0);
    const auto automation = EditorRig::Calls(vst::audioMasterAutomate);
    ASSERT_FALSE(automation.empty());
    EXPECT_EQ(automation.back().index, kVoices);
    EXPECT_EQ(rig.window->menuRect.left, 130);
    EXPECT_STREQ(dynamic_cast<ITKVoiceControl*>(rig.Control(7))->DisplayText(), "32 Voices");
}

TEST(EditorSettings, TheMenuHoldsTheGlobalParametersAndAToggleTwiceRestoresIt) {
    EditorRig rig;
    std::vector<std::string> titles;
    std::size_t syncEntries = 0;
    rig.window->onMenu = [&](const PopupMenu& menu) {
        titles.clear();
        for (int i = 0; i < menu.ItemCount(); ++i)
            titles.push_back(menu.Item(i)->IsSeparator() ? "-" : menu.Item(i)->text);
        syncEntries = static_cast<std::size_t>(menu.Item(1)->submenu->ItemCount());
        return menu.CommandOf(5);
    };
    const double before = rig.Real(kWheelToFm);
    rig.Click(158, 36);
    EXPECT_EQ(titles,
              (std::vector<std::string>{"Polyphony", "Sync-to-Host Rate", "Pitch Bend Range",
                                        "Mod Wheel --> Filter", "-", "Mod Wheel --> LFO to Osc",
                                        "Mod Wheel --> LFO to Filter"}));
    EXPECT_EQ(syncEntries, 20u);
    EXPECT_EQ(rig.Real(kWheelToFm), before >= 0.5 ? 0.0 : 1.0);
    rig.Click(158, 36);
    EXPECT_EQ(rig.Real(kWheelToFm), before);
    const auto automation = EditorRig::Calls(vst::audioMasterAutomate);
    ASSERT_EQ(automation.size(), 2u);
    EXPECT_EQ(automation[0].index, kWheelToFm);
}

TEST(EditorSettings, ASubmenuEntrySetsItsValueAndThePolyphonyDisplayFollows) {
    EditorRig rig;
    rig.window->onMenu = Choose(2, 4); // pitch-bend range "12"
    rig.Click(158, 36);
    EXPECT_EQ(rig.Real(kBendRange), 4.0);
    rig.window->onMenu = Choose(0, 0); // one voice
    rig.Click(158, 36);
    EXPECT_EQ(rig.Real(kVoices), 0.0);
    rig.window->Tick();
    EXPECT_STREQ(dynamic_cast<ITKVoiceControl*>(rig.Control(7))->DisplayText(), "1 Voice");
}

int executedCommand = -1;
void RecordCommand(Synth&, IGraphics&, int command) {
    executedCommand = command;
}

TEST(EditorCommandMenu, OpensAtThePressWithItsEntriesAndHandsTheChoiceToTheExecutor) {
    EditorRig rig;
    auto* button = rig.graphics->MakeControl<ITKOptionMenu>(
        rig.plugin.get(), ScreenRect{0, 380, 10, 390}, -85, &RecordCommand);
    ASSERT_NE(button, nullptr);
    std::vector<std::string> entries;
    bool pasteGreyed = false;
    rig.window->onMenu = [&](const PopupMenu& menu) {
        for (int i = 0; i < menu.ItemCount(); ++i)
            entries.push_back(menu.Item(i)->text);
        pasteGreyed = !menu.Item(1)->IsSelectable();
        return menu.Item(15)->submenu->CommandOf(1); // "Ignore Program Change"
    };
    executedCommand = -1;
    rig.Click(4, 385);
    ASSERT_EQ(entries.size(), 20u);
    EXPECT_EQ(entries[0], "Copy Program");
    EXPECT_EQ(entries[8], "Restore Factory Bank...");
    EXPECT_EQ(entries[19], "Go Online...");
    EXPECT_TRUE(pasteGreyed);
    EXPECT_EQ(executedCommand, kCommandIgnoreProgramChange);
    EXPECT_EQ(rig.window->menuRect.left, 4);
    EXPECT_EQ(rig.window->menuRect.top, 385);

    rig.window->onMenu = Choose(-1, 16);
    rig.Click(4, 385);
    EXPECT_EQ(executedCommand, kCommandReloadConfiguration);
    rig.window->onMenu = Choose(8, 1);
    rig.Click(4, 385);
    EXPECT_EQ(executedCommand, kCommandFactoryBank2);
    // "Visit ..." opens the maker's page itself.
    executedCommand = -1;
    rig.window->onMenu = Choose(19, 1);
    rig.Click(4, 385);
    EXPECT_EQ(executedCommand, -1);
    ASSERT_EQ(rig.window->links.size(), 1u);
    EXPECT_EQ(rig.window->links[0], MakerHomePage());
    // Dismissed: nothing.
    rig.window->onMenu = [](const PopupMenu&) { return 0; };
    rig.Click(4, 385);
    EXPECT_EQ(executedCommand, -1);
}

TEST(EditorCommandMenu, GreyedAndCheckedEntriesFollowTheState) {
    EditorRig rig;
    rig.plugin->CopyProgram();
    rig.plugin->midiThru = true;
    PopupMenu menu;
    BuildCommandMenu(*rig.plugin, menu);
    EXPECT_TRUE(menu.Item(1)->IsSelectable());
    EXPECT_FALSE(menu.Item(11)->IsSelectable()) << "no startup bank";
    EXPECT_FALSE(menu.Item(12)->IsSelectable());
    EXPECT_TRUE(menu.Item(15)->submenu->Item(0)->IsChecked());
    EXPECT_FALSE(menu.Item(15)->submenu->Item(1)->IsChecked());
    EXPECT_EQ(menu.Item(19)->submenu->Item(1)->text, std::string("Visit ") + MakerWebDomain());
}

} // namespace
} // namespace vorlunda::test
