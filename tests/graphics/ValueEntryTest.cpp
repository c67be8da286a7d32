// Typing and choosing values: the text field's handshake with the window layer, what typed text
// becomes, and the menus of parameters with display texts.
#include "EditorTestSupport.h"

#include "graphics/IKnobMultiControl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vorlunda {
namespace {

using test::EditorFixture;
using test::EditorTestPlugin;
using test::HeadlessWindow;
using test::RecordingControl;
using test::TestStrip;

// A knob with right-click entry on, over a background, in an open editor.
struct EntryFixture : EditorFixture {
    TestStrip knobStrip{20, 40, 64};
    RecordingControl* background = nullptr;
    IKnobMultiControl* knob = nullptr;

    explicit EntryFixture(int param = EditorTestPlugin::kLevel) {
        background = Add<RecordingControl>(ScreenRect{0, 0, 1080, 396});
        knob = Add<IKnobMultiControl>(ScreenRect{100, 100, 120, 140}, param, knobStrip.strip);
        knob->promptDisabled = false;
        Attach();
        PaintAll();
    }
    void OpenEntry() { window->Press(110, 120, HeadlessWindow::Right()); }
    // Types `text` and clicks elsewhere in the editor; the next tick applies it.
    void Commit(const std::string& text) {
        OpenEntry();
        window->fieldText = text;
        window->Press(500, 300);
        window->Tick();
    }
};

TEST(ValueEntry, RightClickOpensAFieldWithThePlainValue) {
    EntryFixture f(EditorTestPlugin::kCutoff);
    f.OpenEntry();
    ASSERT_TRUE(f.window->fieldOpen);
    EXPECT_EQ(f.window->fieldText, "1000.0"); // precision 1 from the 0.1 step
    // A 40 x 16 box centred on the control.
    EXPECT_EQ(f.window->field.rect, (ScreenRect{90, 112, 130, 128}));
    EXPECT_EQ(f.window->field.maxLength, 7);
    EXPECT_EQ(f.window->field.chars, TextEntryChars::kDecimal);
    EXPECT_TRUE(f.graphics->TextEntryOpen());
    EXPECT_EQ(f.graphics->ValueEntryState(), IGraphics::EntryState::kIdle);
}

TEST(ValueEntry, CommitSetsTheParameterAndTellsTheHost) {
    EntryFixture f(EditorTestPlugin::kCutoff);
    f.plugin.ClearCalls();
    f.Commit("10010");
    EXPECT_FALSE(f.window->fieldOpen);
    EXPECT_FALSE(f.graphics->TextEntryOpen());
    // ((10010 - 20) / 19980)^(1/3) = 0.5^(1/3)
    EXPECT_NEAR(f.knob->Value(), std::cbrt(0.5), 1e-12);
    EXPECT_NEAR(f.plugin.Real(EditorTestPlugin::kCutoff), 10010.0, 1e-9);
    const auto autos = f.plugin.Automations();
    ASSERT_EQ(autos.size(), 1u);
    EXPECT_FLOAT_EQ(autos[0].value, static_cast<float>(std::cbrt(0.5)));
}

// A display of its own: kilohertz with two decimals, read back by its reader.
void FormatKilohertz(double value, char* text) {
    std::snprintf(text, PlugParam::kTextSize, "%.2f", value / 1000.0);
}
bool ParseKilohertz(const char* text, double* value) {
    const double khz = std::atof(text);
    if (khz <= 0.0)
        return false;
    *value = khz * 1000.0;
    return true;
}

TEST(ValueEntry, AParameterWithItsOwnDisplayReadsTypedTextInThatUnit) {
    EntryFixture f(EditorTestPlugin::kCutoff);
    f.plugin.Parameter(EditorTestPlugin::kCutoff)
        ->SetDisplayFunction(FormatKilohertz, ParseKilohertz);
    f.OpenEntry();
    EXPECT_EQ(f.window->fieldText, "1.00");
    f.window->Field(EditorEvent::kFieldEscape);
    f.window->Tick();
    // Typing the shown unit sets that value, not 10.01 Hz.
    f.Commit("10.01");
    EXPECT_NEAR(f.plugin.Real(EditorTestPlugin::kCutoff), 10010.0, 1e-9);
    // A text the reader refuses falls back to the plain number (clamped to the range).
    f.Commit("-5");
    EXPECT_NEAR(f.plugin.Real(EditorTestPlugin::kCutoff), 20.0, 1e-9);
}

TEST(ValueEntry, EnterAndLostFocusCommitOnTheNextTick) {
    EntryFixture f;
    f.OpenEntry();
    f.window->fieldText = "0.25";
    f.window->Field(EditorEvent::kFieldEnter);
    EXPECT_EQ(f.knob->Value(), 0.5); // not before the tick
    f.window->Tick();
    EXPECT_EQ(f.knob->Value(), 0.25);

    f.OpenEntry();
    f.window->fieldText = "0.75";
    f.window->Field(EditorEvent::kFieldFocusLost);
    f.window->Tick();
    EXPECT_EQ(f.knob->Value(), 0.75);
}

TEST(ValueEntry, CancelLeavesTheValue) {
    EntryFixture f;
    f.plugin.ClearCalls();
    f.OpenEntry();
    f.window->fieldText = "0.9";
    f.window->Field(EditorEvent::kFieldEscape);
    f.window->Tick();
    EXPECT_FALSE(f.window->fieldOpen);
    EXPECT_EQ(f.knob->Value(), 0.5);

    // A wheel turn in the editor cancels too, and the wheel does not reach the knob.
    f.OpenEntry();
    f.window->fieldText = "0.9";
    f.window->Wheel(110, 120, 3);
    f.window->Tick();
    EXPECT_EQ(f.knob->Value(), 0.5);

    // And the editor's own cancel.
    f.OpenEntry();
    f.graphics->CancelValueEntry();
    f.window->Tick();
    EXPECT_FALSE(f.window->fieldOpen);
    EXPECT_TRUE(f.plugin.Automations().empty());
}

TEST(ValueEntry, PressWhileEditingCancels) {
    EntryFixture f;
    f.OpenEntry();
    f.window->fieldText = "0.9";
    f.window->Field(EditorEvent::kFieldFocusGained);
    EXPECT_EQ(f.graphics->ValueEntryState(), IGraphics::EntryState::kEditing);
    // While Editing, ticks and paints are left to the system.
    EXPECT_FALSE(f.window->Tick());
    EXPECT_FALSE(f.window->Send(EditorEvent::Paint({0, 0, 10, 10})));
    EXPECT_TRUE(f.window->Press(500, 300));
    EXPECT_EQ(f.graphics->ValueEntryState(), IGraphics::EntryState::kCancel);
    f.window->Tick();
    EXPECT_EQ(f.knob->Value(), 0.5);
    EXPECT_EQ(f.background->events, ""); // the press reached no control
}

TEST(ValueEntry, TypedTextIsClampedAndNeverNaN) {
    struct Case {
        const char* text;
        double level; // expected normalised value of Level (0..1, step 0.01)
    };
    // The field holds at most the control's entryLength (7) characters.
    const Case cases[] = {
        {"2", 1.0},     {"-5", 0.0},     {"abc", 0.0},   {"", 0.0},
        {"nan", 0.0},   {"NaN", 0.0},    {"inf", 1.0},   {"-inf", 0.0},
        {"1e999", 1.0}, {"0.3xyz", 0.3}, {"  0.4", 0.4}, {"0.123456789", 0.12345},
    };
    for (const Case& c : cases) {
        EntryFixture f;
        f.Commit(c.text);
        EXPECT_FALSE(std::isnan(f.knob->Value())) << c.text;
        EXPECT_NEAR(f.knob->Value(), c.level, 1e-12) << c.text;
        EXPECT_FALSE(std::isnan(f.plugin.Real(EditorTestPlugin::kLevel))) << c.text;
    }
}

TEST(ValueEntry, OnlyThirtyOneCharactersAreRead) {
    EntryFixture f(EditorTestPlugin::kCutoff);
    f.knob->entryLength = 64;
    // 31 characters of zeros and then a digit that is cut off: 0, clamped to the minimum 20.
    f.Commit(std::string(31, '0') + "5000");
    EXPECT_EQ(f.knob->Value(), 0.0);
}

TEST(ValueEntry, IntegerParametersTakeDigitsAndSigns) {
    EntryFixture f(EditorTestPlugin::kCoarse);
    f.OpenEntry();
    EXPECT_EQ(f.window->fieldText, "0");
    EXPECT_EQ(f.window->field.chars, TextEntryChars::kInteger);
    EXPECT_FALSE(TextEntryAccepts(f.window->field.chars, U'.'));
    EXPECT_TRUE(TextEntryAccepts(f.window->field.chars, U'-'));
    EXPECT_TRUE(TextEntryAccepts(TextEntryChars::kDecimal, U'.'));
    EXPECT_FALSE(TextEntryAccepts(TextEntryChars::kDecimal, U'e'));
    f.window->fieldText = "-32";
    f.window->Field(EditorEvent::kFieldEnter);
    f.window->Tick();
    EXPECT_EQ(f.knob->Value(), 0.25);
    EXPECT_EQ(f.plugin.Real(EditorTestPlugin::kCoarse), -32.0);
}

TEST(ValueEntry, EnumeratedParametersChooseFromAMenu) {
    EntryFixture f(EditorTestPlugin::kMode);
    std::vector<std::string> labels;
    int checkedIndex = -1;
    f.window->onMenu = [&](const PopupMenu& menu) {
        for (int i = 0; i < menu.ItemCount(); ++i) {
            labels.push_back(menu.ItemLabel(i));
            if (menu.Item(i)->IsChecked())
                checkedIndex = i;
        }
        return menu.CommandOf(2);
    };
    f.OpenEntry();
    EXPECT_FALSE(f.window->fieldOpen);
    EXPECT_EQ(labels, (std::vector<std::string>{"Low", "Mid", "High"}));
    EXPECT_EQ(checkedIndex, 1);
    EXPECT_EQ(f.window->menuRect, f.knob->Rect());
    EXPECT_EQ(f.knob->Value(), 1.0);
    EXPECT_EQ(f.plugin.Real(EditorTestPlugin::kMode), 2.0);
    EXPECT_EQ(f.graphics->CaptureIndex(), -1); // the menu took the mouse
}

TEST(ValueEntry, EnumeratedTextMustMatchADisplayText) {
    EditorFixture f;
    auto* c = f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50}, EditorTestPlugin::kMode);
    f.Attach();
    const PlugParam* mode = f.plugin.Parameter(EditorTestPlugin::kMode);
    f.graphics->FinishValueEntry("High", c, mode);
    EXPECT_EQ(c->Value(), 1.0);
    f.graphics->FinishValueEntry("high", c, mode); // exact match only: else 0
    EXPECT_EQ(c->Value(), 0.0);
}

TEST(ValueEntry, FreeTextGoesToTheControl) {
    EditorFixture f;
    auto* c = f.Add<RecordingControl>(ScreenRect{10, 10, 50, 50});
    f.Attach();
    c->entryLength = 253;
    f.graphics->OpenTextEntry(c, c->Style(), c->Rect(), "Init", nullptr);
    ASSERT_TRUE(f.window->fieldOpen);
    EXPECT_EQ(f.window->field.chars, TextEntryChars::kAny);
    EXPECT_EQ(f.window->field.maxLength, 253);
    // A second field cannot open over the first.
    f.graphics->OpenTextEntry(c, c->Style(), c->Rect(), "Other", nullptr);
    EXPECT_EQ(f.window->fieldOpens, 1);
    f.window->fieldText = "Warm Pad";
    f.window->Field(EditorEvent::kFieldCommit);
    f.window->Tick();
    EXPECT_EQ(c->entered, "Warm Pad");
}

TEST(ValueEntry, EditorKeepsRedrawingAroundAnOpenField) {
    EntryFixture f;
    f.OpenEntry();
    auto* other = f.Add<RecordingControl>(ScreenRect{300, 300, 340, 340});
    const int before = other->renders;
    f.window->Tick();
    EXPECT_EQ(other->renders, before + 1);
    ASSERT_FALSE(f.window->validated.empty());
    EXPECT_EQ(f.window->validated.back(), f.knob->Rect()); // not under the field
    EXPECT_EQ(f.graphics->ValueEntryState(), IGraphics::EntryState::kRefresh);
    f.window->Tick(); // Refresh back to Idle; the field stays
    EXPECT_EQ(f.graphics->ValueEntryState(), IGraphics::EntryState::kIdle);
    EXPECT_TRUE(f.window->fieldOpen);
}

TEST(ValueEntry, NothingWithoutParameterOrWithPromptingDisabled) {
    EditorFixture f;
    TestStrip strip(20, 40, 64);
    auto* noParam = f.Add<IKnobMultiControl>(ScreenRect{10, 10, 30, 50}, -1, strip.strip);
    auto* disabled =
        f.Add<IKnobMultiControl>(ScreenRect{40, 10, 60, 50}, EditorTestPlugin::kLevel, strip.strip);
    auto* ghost = f.Add<IKnobMultiControl>(ScreenRect{70, 10, 90, 50}, 99, strip.strip);
    noParam->promptDisabled = false;
    ghost->promptDisabled = false;
    f.Attach();
    f.window->Press(20, 20, HeadlessWindow::Right());
    f.window->Press(50, 20, HeadlessWindow::Right());
    f.window->Press(80, 20, HeadlessWindow::Right());
    EXPECT_EQ(f.window->fieldOpens, 0);
    EXPECT_EQ(f.window->menusShown, 0);
    // Bad calls from controls of the instrument's own.
    f.graphics->StartValueEntry(nullptr, f.plugin.Parameter(0), {0, 0, 5, 5});
    f.graphics->StartValueEntry(disabled, nullptr, {0, 0, 5, 5});
    f.graphics->StartValueEntry(disabled, f.plugin.Parameter(0), {});
    f.graphics->FinishValueEntry("1", nullptr, f.plugin.Parameter(0));
    EXPECT_EQ(f.window->fieldOpens, 0);
}

TEST(ValueEntry, ClosingTheWindowDropsTheEntry) {
    EntryFixture f;
    f.OpenEntry();
    f.window->fieldText = "0.9";
    f.graphics->CloseEditorWindow();
    EXPECT_FALSE(f.graphics->TextEntryOpen());
    f.graphics->OpenEditorWindow(nullptr);
    f.window->Tick();
    EXPECT_EQ(f.knob->Value(), 0.5);
}

TEST(ValueEntry, ResizingDropsTheEntryWithItsControl) {
    EntryFixture f;
    f.OpenEntry();
    f.window->fieldText = "0.9";
    f.window->Field(EditorEvent::kFieldEnter);
    f.graphics->SetEditorSize(640, 200); // every control goes
    EXPECT_FALSE(f.graphics->TextEntryOpen());
    EXPECT_FALSE(f.window->fieldOpen);
    f.window->Tick();
    EXPECT_EQ(f.plugin.Real(EditorTestPlugin::kLevel), 0.5);
}

TEST(PopupMenu, NumberingStylesAndDepthFirstCommands) {
    PopupMenu menu(PopupMenu::kTwoDigits);
    for (int i = 0; i < 5; ++i)
        menu.AddItem("Item" + std::to_string(i));
    PopupMenu& sub = menu.AddSubmenu("More");
    sub.SetNumbering(PopupMenu::kThreeDigits);
    sub.AddItem("Deep");
    sub.AddSeparator();
    PopupMenu& subsub = sub.AddSubmenu("Deeper");
    subsub.AddItem("X");
    menu.AddItem("Last");
    EXPECT_EQ(menu.ItemLabel(4), "05: Item4");
    EXPECT_EQ(sub.ItemLabel(0), "001: Deep");
    PopupMenu one(PopupMenu::kOneDigit);
    for (int i = 0; i < 10; ++i)
        one.AddItem("P");
    EXPECT_EQ(one.ItemLabel(9), "10: P");
    EXPECT_EQ(subsub.ItemLabel(0), "X");

    // Top menu 1..7, its submenu 8..10, that one's submenu 11.
    EXPECT_EQ(menu.AssignCommands(1), 12);
    EXPECT_EQ(menu.CommandOf(6), 7);
    EXPECT_EQ(sub.CommandOf(0), 8);
    EXPECT_EQ(subsub.CommandOf(0), 11);
    EXPECT_EQ(menu.Choose(9), &sub);
    EXPECT_EQ(sub.ChosenIndex(), 1);
    EXPECT_EQ(menu.ChosenIndex(), -1);
    EXPECT_EQ(menu.Choose(11), &subsub);
    EXPECT_EQ(menu.Choose(12), nullptr);
    EXPECT_EQ(menu.Choose(0), nullptr);
    menu.ClearChoice();
    EXPECT_EQ(sub.ChosenIndex(), -1);
    EXPECT_EQ(menu.Item(99), nullptr);
    EXPECT_EQ(menu.ItemLabel(-1), "");
}

} // namespace
} // namespace vorlunda
