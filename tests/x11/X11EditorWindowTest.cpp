// The X11 window layer on its own, driven by a stand-in for the graphics core that records the
// events it is given and shows a known picture.
#include <gtest/gtest.h> // before the X11 headers, which define None

#include "graphics/EditorEvent.h"
#include "graphics/PopupMenu.h"
#include "graphics/RasterSysBitmap.h"
#include "graphics/X11EditorWindow_x11.h"
#include "x11/X11TestHost.h"

#include <X11/keysym.h>
#include <dirent.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

namespace vorlunda {
namespace {

using test::X11TestHost;

constexpr int kWidth = 1080;
constexpr int kHeight = 396;

// The test pattern: a colour that depends on the position, so a shifted or wrongly converted
// picture shows.
RasterPixel PatternAt(int x, int y, int seed) {
    return 0xFF000000u | static_cast<RasterPixel>((x * 7 + seed) & 0xFF) << 16 |
           static_cast<RasterPixel>((y * 5) & 0xFF) << 8 |
           static_cast<RasterPixel>((x + y + seed * 3) & 0xFF);
}

class FakeCore : public EditorWindowClient {
public:
    explicit FakeCore(EditorWindow& window, int seed = 0)
        : window(window), surface(kWidth, kHeight) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                surface.Row(y)[x] = PatternAt(x, y, seed);
    }

    bool Dispatch(const EditorEvent& e) override {
        std::lock_guard<std::mutex> lock(mutex);
        if (e.type == EditorEvent::kPaint) {
            ++paints;
            window.ShowRegion(surface, e.rect);
            return true;
        }
        if (e.type == EditorEvent::kTimer) {
            ++ticks;
            return true;
        }
        events.push_back(e);
        return e.type != EditorEvent::kKeyDown || takeKeys;
    }
    const RasterBitmap* Surface() const override { return &surface; }

    std::vector<EditorEvent> Events() {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }
    bool Has(EditorEvent::Type type) {
        for (const auto& e : Events())
            if (e.type == type)
                return true;
        return false;
    }
    const EditorEvent* Last(EditorEvent::Type type, std::vector<EditorEvent>& copy) {
        copy = Events();
        for (auto it = copy.rbegin(); it != copy.rend(); ++it)
            if (it->type == type)
                return &*it;
        return nullptr;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex);
        events.clear();
    }

    EditorWindow& window;
    RasterSysBitmap surface;
    std::mutex mutex;
    std::vector<EditorEvent> events;
    std::atomic<int> ticks{0};
    std::atomic<int> paints{0};
    bool takeKeys = true;
};

class X11EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Ready());
        parent = host.CreateParent(0, 0, 1200, 500);
    }
    void TearDown() override {
        if (parent)
            host.DestroyParent(parent);
    }

    // The host's idle call, as Linux hosts make it.
    void Idle(X11EditorWindow& editor) { editor.Idle(); }

    bool PumpUntil(X11EditorWindow& editor, const std::function<bool()>& done) {
        return X11TestHost::WaitUntil(done, std::chrono::milliseconds(3000), [&] { Idle(editor); });
    }

    // Pixels of the editor window compared with the pattern; answers the number of differences.
    int DifferencesFromPattern(::Window editor, int seed) {
        const auto shot = host.Screenshot(editor, ScreenRect{0, 0, kWidth, kHeight});
        if (shot.empty())
            return -1;
        int differences = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                differences +=
                    shot[static_cast<std::size_t>(y * kWidth + x)] != PatternAt(x, y, seed);
        return differences;
    }

    // The picture shows once the window is on the screen and its exposure was painted.
    int SettledDifferences(::Window editor, int seed) {
        int differences = -1;
        X11TestHost::WaitUntil(
            [&] { return (differences = DifferencesFromPattern(editor, seed)) == 0; });
        return differences;
    }

    ::Window Open(X11EditorWindow& editor, FakeCore& core, ::Window in = 0) {
        void* handle = editor.Open(core, host.AsHandle(in ? in : parent), kWidth, kHeight, 25);
        return static_cast<::Window>(reinterpret_cast<std::uintptr_t>(handle));
    }

    X11TestHost host;
    ::Window parent = 0;
};

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

int SharedMemorySegments() {
    std::ifstream in("/proc/sysvipc/shm");
    int lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}

TEST_F(X11EditorWindowTest, OpensAsChildOfTheHostWindowAtEditorSize) {
    X11EditorWindow editor;
    FakeCore core(editor);
    const ::Window w = Open(editor, core);
    ASSERT_NE(w, 0u);
    EXPECT_STREQ(editor.ApiName(), "X11");
    const auto children = host.Children(parent);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0], w);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(host.Get(), w, &attributes));
    EXPECT_EQ(attributes.width, kWidth);
    EXPECT_EQ(attributes.height, kHeight);
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    editor.Close();
    EXPECT_TRUE(host.Children(parent).empty());
    EXPECT_EQ(editor.Handle(), nullptr);
}

TEST_F(X11EditorWindowTest, ShowsTheSurfaceThroughSharedMemory) {
    X11EditorWindow editor;
    FakeCore core(editor, 1);
    const ::Window w = Open(editor, core);
    ASSERT_NE(w, 0u);
    EXPECT_TRUE(editor.UsesSharedMemory()); // Xvfb offers MIT-SHM to local clients
    ASSERT_TRUE(PumpUntil(editor, [&] { return core.paints > 0; }));
    EXPECT_EQ(SettledDifferences(w, 1), 0);
    const auto shot = host.Screenshot(w, ScreenRect{0, 0, kWidth, kHeight});
    EXPECT_TRUE(
        X11TestHost::SavePng(test::ScreenshotFolder() + "pattern-shm.png", shot, kWidth, kHeight));
}

TEST_F(X11EditorWindowTest, ShowsTheSurfaceWithPlainImagesWithoutSharedMemory) {
    X11EditorOptions options;
    options.allowSharedMemory = false;
    X11EditorWindow editor(options);
    FakeCore core(editor, 2);
    const ::Window w = Open(editor, core);
    ASSERT_NE(w, 0u);
    EXPECT_FALSE(editor.UsesSharedMemory());
    ASSERT_TRUE(PumpUntil(editor, [&] { return core.paints > 0; }));
    EXPECT_EQ(SettledDifferences(w, 2), 0);
}

TEST_F(X11EditorWindowTest, RedrawsOnItsOwnTimerWhenTheHostNeverCallsIdle) {
    X11EditorWindow editor;
    FakeCore core(editor, 3);
    const ::Window w = Open(editor, core);
    ASSERT_NE(w, 0u);
    // No idle calls at all: the timer thread ticks every 40 ms and paints the exposure.
    ASSERT_TRUE(X11TestHost::WaitUntil([&] { return core.ticks >= 5 && core.paints > 0; }));
    EXPECT_EQ(SettledDifferences(w, 3), 0);
    // Roughly 25 ticks a second, not more (idle calls and the timer share one schedule).
    const int before = core.ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const int during = core.ticks - before;
    EXPECT_GE(during, 5);
    EXPECT_LE(during, 12);
}

TEST_F(X11EditorWindowTest, HostIdleFromAnotherThreadAndTheTimerShareTheWork) {
    X11EditorWindow editor;
    FakeCore core(editor, 4);
    ASSERT_NE(Open(editor, core), 0u);
    std::atomic<bool> stop{false};
    std::thread hostGui([&] {
        while (!stop) {
            editor.Idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });
    for (int i = 0; i < 20; ++i)
        host.Click(parent, 100 + i, 100);
    ASSERT_TRUE(X11TestHost::WaitUntil([&] {
        int ups = 0;
        for (const auto& e : core.Events())
            ups += e.type == EditorEvent::kMouseUp;
        return ups == 20;
    }));
    stop = true;
    hostGui.join();
    int downs = 0;
    for (const auto& e : core.Events())
        downs += e.type == EditorEvent::kMouseDown || e.type == EditorEvent::kDoubleClick;
    EXPECT_EQ(downs, 20);
}

TEST_F(X11EditorWindowTest, MouseButtonsDragAndWheelArriveInEditorPixels) {
    X11EditorWindow editor;
    FakeCore core(editor);
    ASSERT_NE(Open(editor, core), 0u);
    host.MoveTo(parent, 250, 247);
    host.Button(1, true);
    host.MoveTo(parent, 250, 230);
    host.Button(1, false);
    std::vector<EditorEvent> copy;
    ASSERT_TRUE(PumpUntil(editor, [&] { return core.Has(EditorEvent::kMouseUp); }));
    const EditorEvent* down = core.Last(EditorEvent::kMouseDown, copy);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->x, 250);
    EXPECT_EQ(down->y, 247);
    EXPECT_TRUE(down->mods.left);
    EXPECT_FALSE(down->mods.right);
    const EditorEvent* drag = core.Last(EditorEvent::kMouseDrag, copy);
    ASSERT_NE(drag, nullptr);
    EXPECT_EQ(drag->y, 230);
    EXPECT_TRUE(drag->mods.left);
    const EditorEvent* up = core.Last(EditorEvent::kMouseUp, copy);
    EXPECT_FALSE(up->mods.left); // released

    core.Clear();
    host.MoveTo(parent, 48, 353);
    host.Key(XK_Shift_L, true);
    host.Button(4, true);
    host.Button(4, false);
    host.Key(XK_Shift_L, false);
    host.Button(5, true);
    host.Button(5, false);
    ASSERT_TRUE(PumpUntil(editor, [&] {
        int wheels = 0;
        for (const auto& e : core.Events())
            wheels += e.type == EditorEvent::kWheel;
        return wheels == 2;
    }));
    copy = core.Events();
    std::vector<EditorEvent> wheels;
    for (const auto& e : copy)
        if (e.type == EditorEvent::kWheel)
            wheels.push_back(e);
    EXPECT_EQ(wheels[0].notches, 1); // button 4: away from the user
    EXPECT_TRUE(wheels[0].mods.shift);
    EXPECT_EQ(wheels[0].x, 48);
    EXPECT_EQ(wheels[0].y, 353);
    EXPECT_EQ(wheels[1].notches, -1);
    EXPECT_FALSE(wheels[1].mods.shift);
    EXPECT_FALSE(core.Has(EditorEvent::kMouseDown)); // the wheel is no press

    // Right and middle buttons: a press with right set, and one with neither set.
    core.Clear();
    host.Click(parent, 10, 10, 3);
    host.Click(parent, 12, 10, 2);
    ASSERT_TRUE(PumpUntil(editor, [&] {
        int ups = 0;
        for (const auto& e : core.Events())
            ups += e.type == EditorEvent::kMouseUp;
        return ups == 2;
    }));
    copy = core.Events();
    std::vector<EditorEvent> downs;
    for (const auto& e : copy)
        if (e.type == EditorEvent::kMouseDown)
            downs.push_back(e);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_TRUE(downs[0].mods.right);
    EXPECT_FALSE(downs[0].mods.left);
    EXPECT_FALSE(downs[1].mods.right);
    EXPECT_FALSE(downs[1].mods.left);
}

TEST_F(X11EditorWindowTest, ASecondQuickLeftPressIsADoubleClick) {
    X11EditorWindow editor;
    FakeCore core(editor);
    ASSERT_NE(Open(editor, core), 0u);
    host.Click(parent, 300, 100);
    host.Click(parent, 301, 101);
    host.Click(parent, 301, 101); // a third press starts afresh
    ASSERT_TRUE(PumpUntil(editor, [&] {
        int ups = 0;
        for (const auto& e : core.Events())
            ups += e.type == EditorEvent::kMouseUp;
        return ups == 3;
    }));
    std::vector<EditorEvent::Type> presses;
    for (const auto& e : core.Events())
        if (e.type == EditorEvent::kMouseDown || e.type == EditorEvent::kDoubleClick)
            presses.push_back(e.type);
    EXPECT_EQ(presses,
              (std::vector<EditorEvent::Type>{EditorEvent::kMouseDown, EditorEvent::kDoubleClick,
                                              EditorEvent::kMouseDown}));
}

TEST_F(X11EditorWindowTest, KeysArriveAfterAClickAndUntakenKeysGoToTheHostWindow) {
    X11EditorWindow editor;
    FakeCore core(editor);
    ASSERT_NE(Open(editor, core), 0u);
    host.Click(parent, 400, 200); // the core takes the focus on a press
    ASSERT_TRUE(PumpUntil(editor, [&] { return core.Has(EditorEvent::kMouseUp); }));
    editor.LockEditor();
    editor.TakeFocus();
    editor.UnlockEditor();
    XSync(host.Get(), False);
    host.MoveTo(parent, 410, 210);
    host.TypeKey(XK_a);
    host.TypeKey(XK_7);
    host.TypeKey(XK_Up);
    ASSERT_TRUE(PumpUntil(editor, [&] {
        int keys = 0;
        for (const auto& e : core.Events())
            keys += e.type == EditorEvent::kKeyDown;
        return keys == 3;
    }));
    std::vector<EditorEvent> keys;
    for (const auto& e : core.Events())
        if (e.type == EditorEvent::kKeyDown)
            keys.push_back(e);
    EXPECT_EQ(keys[0].key, kKeyLetterA);
    EXPECT_EQ(keys[0].x, 410);
    EXPECT_EQ(keys[0].y, 210);
    EXPECT_EQ(keys[1].key, kKeyDigit0 + 7);
    EXPECT_EQ(keys[2].key, kKeyUp);

    // A key no control takes reaches the host's top-level window.
    core.takeKeys = false;
    XSelectInput(host.Get(), parent, KeyPressMask | StructureNotifyMask);
    host.TypeKey(XK_b);
    XEvent forwarded{};
    ASSERT_TRUE(PumpUntil(editor, [&] {
        return XCheckTypedWindowEvent(host.Get(), parent, KeyPress, &forwarded) == True;
    }));
    EXPECT_EQ(XLookupKeysym(&forwarded.xkey, 0), static_cast<KeySym>(XK_b));
}

TEST_F(X11EditorWindowTest, ValueEntryFieldFiltersTypingAndReportsEnterEscapeAndFocus) {
    X11EditorWindow editor;
    FakeCore core(editor);
    ASSERT_NE(Open(editor, core), 0u);
    TextStyle style;
    TextFieldRequest request;
    request.rect = ScreenRect{220, 240, 280, 256};
    request.style = &style;
    request.text = "50";
    request.maxLength = 7;
    request.chars = TextEntryChars::kInteger;
    editor.LockEditor();
    ASSERT_TRUE(editor.OpenTextField(request));
    const ::Window field = editor.TextFieldWindow();
    editor.UnlockEditor();
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(host.Get(), field, &attributes));
    EXPECT_EQ(attributes.x, 220);
    EXPECT_EQ(attributes.width, 61); // (width + 1) pixels
    EXPECT_EQ(attributes.height, 17);
    ASSERT_TRUE(PumpUntil(editor, [&] {
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(host.Get(), &focus, &revert);
        return focus == field;
    }));
    // The whole text is selected: typing replaces it; "." is not taken for an integer.
    host.Type("12.5");
    host.TypeKey(XK_BackSpace);
    host.Type("9x");
    std::string typed;
    PumpUntil(editor, [&] {
        editor.LockEditor();
        typed = editor.TextFieldText();
        editor.UnlockEditor();
        return typed == "129";
    });
    EXPECT_EQ(typed, "129");
    EXPECT_FALSE(core.Has(EditorEvent::kFieldFocusGained)); // its first focus is not news
    host.TypeKey(XK_Return);
    ASSERT_TRUE(PumpUntil(editor, [&] { return core.Has(EditorEvent::kFieldEnter); }));
    host.TypeKey(XK_Escape);
    ASSERT_TRUE(PumpUntil(editor, [&] { return core.Has(EditorEvent::kFieldEscape); }));
    // Focus moving elsewhere is reported as lost.
    XSetInputFocus(host.Get(), parent, RevertToParent, CurrentTime);
    XSync(host.Get(), False);
    ASSERT_TRUE(PumpUntil(editor, [&] { return core.Has(EditorEvent::kFieldFocusLost); }));
    editor.LockEditor();
    editor.CloseTextField();
    EXPECT_EQ(editor.TextFieldWindow(), 0u);
    editor.UnlockEditor();
}

// Runs `modal` (a menu or dialog) under the editor lock while `respond` plays the user on a
// connection of its own once a window called `name` is up and has the keyboard. A responder whose
// keys did not end the modal loop within 3 s takes the editor lock, which ends it (and fails the
// test through the answer). Answers whether the window was found.
bool RunModal(X11EditorWindow& editor, const std::string& name,
              const std::function<void(X11TestHost&, ::Window)>& respond,
              const std::function<void()>& modal) {
    std::atomic<bool> found{false};
    std::atomic<bool> done{false};
    std::thread responder([&] {
        X11TestHost other;
        ::Window w = 0;
        if (X11TestHost::WaitUntil([&] { return (w = other.FindTopLevel(name)) != 0; })) {
            found = true;
            // Menus grab the keyboard, dialogs take the focus: either way wait a moment for it.
            X11TestHost::WaitUntil(
                [&] {
                    ::Window focus = 0;
                    int revert = 0;
                    XGetInputFocus(other.Get(), &focus, &revert);
                    for (::Window c : other.Children(w))
                        if (c == focus)
                            return true;
                    return focus == w;
                },
                std::chrono::milliseconds(300));
            respond(other, w);
        }
        if (!X11TestHost::WaitUntil([&] { return done.load(); })) {
            editor.LockEditor();
            editor.UnlockEditor();
        }
    });
    editor.LockEditor();
    modal();
    done = true;
    editor.UnlockEditor();
    responder.join();
    return found;
}

TEST_F(X11EditorWindowTest, PopupMenuChoosesByKeysAndMouseIncludingSubmenus) {
    X11EditorWindow editor;
    FakeCore core(editor);
    ASSERT_NE(Open(editor, core), 0u);
    PopupMenu menu(PopupMenu::kTwoDigits);
    menu.AddItem("Init");
    menu.AddItem("Greyed", PopupMenuItem::kGreyed);
    menu.AddSeparator();
    menu.AddItem("Checked", PopupMenuItem::kChecked);
    PopupMenu& sub = menu.AddSubmenu("More");
    sub.AddItem("Deep one");
    sub.AddItem("Deep two");
    menu.AssignCommands(1);
    const ScreenRect below{100, 50, 180, 70};
    int command = -1;
    auto track = [&] { command = editor.TrackPopupMenu(menu, below); };
    auto keys = [](std::vector<KeySym> list) {
        return [list](X11TestHost& h, ::Window) {
            for (KeySym k : list)
                h.TypeKey(k);
        };
    };

    // Keys: down passes the greyed item (it can be highlighted, not chosen) and skips the
    // separator; Return chooses "Checked".
    EXPECT_TRUE(
        RunModal(editor, "Vorlunda2 menu", keys({XK_Down, XK_Down, XK_Down, XK_Return}), track));
    EXPECT_EQ(command, menu.CommandOf(3));

    // Into the submenu with Right, then Down and Return.
    EXPECT_TRUE(
        RunModal(editor, "Vorlunda2 menu", keys({XK_Up, XK_Right, XK_Down, XK_Return}), track));
    EXPECT_EQ(command, sub.CommandOf(1));
    ASSERT_NE(menu.Choose(command), nullptr);
    EXPECT_EQ(sub.ChosenIndex(), 1);

    // The mouse: a click on the first item chooses it; the menu sits below the rectangle.
    EXPECT_TRUE(RunModal(
        editor, "Vorlunda2 menu",
        [](X11TestHost& h, ::Window w) {
            XWindowAttributes a{};
            XGetWindowAttributes(h.Get(), w, &a);
            EXPECT_EQ(a.x, 100);
            EXPECT_EQ(a.y, 70);
            const auto shot = h.Screenshot(w, ScreenRect{0, 0, a.width, a.height});
            X11TestHost::SavePng(test::ScreenshotFolder() + "popup-menu.png", shot, a.width,
                                 a.height);
            h.Click(w, 40, 10);
        },
        track));
    EXPECT_EQ(command, menu.CommandOf(0));

    // A greyed item cannot be chosen; Escape then closes the menu without a choice.
    EXPECT_TRUE(
        RunModal(editor, "Vorlunda2 menu", keys({XK_Down, XK_Down, XK_Return, XK_Escape}), track));
    EXPECT_EQ(command, 0);

    // A press outside the menu closes it without a choice.
    EXPECT_TRUE(RunModal(
        editor, "Vorlunda2 menu", [&](X11TestHost& h, ::Window) { h.Click(parent, 900, 300); },
        track));
    EXPECT_EQ(command, 0);
}

TEST_F(X11EditorWindowTest, MessageBoxesAnswerWithTheirButtonSets) {
    X11EditorWindow editor;
    FakeCore core(editor);
    ASSERT_NE(Open(editor, core), 0u);
    struct Case {
        int type;
        std::vector<KeySym> keys;
        int answer;
    };
    const std::vector<Case> cases = {
        {kMessageYesNo, {XK_Return}, kAnswerYes},
        {kMessageYesNo, {XK_Tab, XK_Return}, kAnswerNo},
        {kMessageYesNo, {XK_Escape, XK_n}, kAnswerNo}, // Escape does nothing in a Yes/No box
        {kMessageOkCancel, {XK_Escape}, kAnswerCancel},
        {kMessageOk, {XK_space}, kAnswerOk},
    };
    for (const Case& c : cases) {
        int answer = -1;
        EXPECT_TRUE(RunModal(
            editor, "Question",
            [&](X11TestHost& h, ::Window) {
                for (KeySym k : c.keys)
                    h.TypeKey(k);
            },
            [&] { answer = editor.ShowMessage("Overwrite the program?", "Question", c.type); }));
        EXPECT_EQ(answer, c.answer) << "type " << c.type;
    }
    // A click on the second button of an OK/Cancel box.
    int answer = -1;
    EXPECT_TRUE(RunModal(
        editor, "Question",
        [](X11TestHost& h, ::Window w) {
            XWindowAttributes a{};
            XGetWindowAttributes(h.Get(), w, &a);
            const auto shot = h.Screenshot(w, ScreenRect{0, 0, a.width, a.height});
            X11TestHost::SavePng(test::ScreenshotFolder() + "message-box.png", shot, a.width,
                                 a.height);
            h.Click(w, a.width - 16 - 42, a.height - 16 - 13); // centre of the last button
        },
        [&] { answer = editor.ShowMessage("Cannot load file!", "Question", kMessageOkCancel); }));
    EXPECT_EQ(answer, kAnswerCancel);
    // A box the user never answers ends when the host closes the editor (another thread takes
    // the editor lock): no answer.
    EXPECT_TRUE(RunModal(
        editor, "Question", [](X11TestHost&, ::Window) {},
        [&] { answer = editor.ShowMessage("Still there?", "Question", 0); }));
    EXPECT_EQ(answer, kAnswerNone);
}

TEST_F(X11EditorWindowTest, FilePromptWithoutDesktopDialogs) {
    X11EditorOptions options;
    options.desktopDialogs = false;
    X11EditorWindow editor(options);
    FakeCore core(editor);
    ASSERT_NE(Open(editor, core), 0u);
    const std::string folder = test::ScreenshotFolder();
    const std::string existing = folder + "prompt_test.fxp";
    std::ofstream(existing) << "x";
    auto typePath = [](const std::string& path) {
        return [path](X11TestHost& h, ::Window) {
            h.TypeKey(XK_a, ControlMask);
            h.Type(path);
            h.TypeKey(XK_Return);
        };
    };

    // Open: the typed path of an existing file is taken, its folder becomes the folder.
    std::string file = "start.fxp";
    std::string where = folder;
    bool ok = false;
    EXPECT_TRUE(RunModal(editor, "Open file", typePath(existing),
                         [&] { ok = editor.ChooseFile(file, kFileOpen, where, "fxp fxb"); }));
    EXPECT_TRUE(ok);
    EXPECT_EQ(file, existing);
    EXPECT_EQ(where, folder);

    // Save: a name without an extension gets the first one.
    file = "";
    EXPECT_TRUE(RunModal(editor, "Save file", typePath(folder + "newbank"),
                         [&] { ok = editor.ChooseFile(file, kFileSave, where, "fxb fxp"); }));
    EXPECT_TRUE(ok);
    EXPECT_EQ(file, folder + "newbank.fxb");

    // Escape cancels with an empty file name.
    file = "x.fxp";
    EXPECT_TRUE(RunModal(
        editor, "Open file", [](X11TestHost& h, ::Window) { h.TypeKey(XK_Escape); },
        [&] { ok = editor.ChooseFile(file, kFileOpen, where, "fxp"); }));
    EXPECT_FALSE(ok);
    EXPECT_EQ(file, "");
}

TEST_F(X11EditorWindowTest, ClipboardTextComesFromTheSelectionOwner) {
    X11EditorWindow editor;
    FakeCore core(editor);
    ASSERT_NE(Open(editor, core), 0u);
    editor.LockEditor();
    std::string text = "stale";
    EXPECT_FALSE(editor.ClipboardText(text)); // nobody owns the clipboard yet
    EXPECT_EQ(text, "");
    editor.UnlockEditor();

    // The host owns the clipboard and answers requests on a thread of its own.
    std::atomic<bool> stop{false};
    std::thread owner([&] {
        X11TestHost h;
        Display* d = h.Get();
        const ::Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
        const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
        const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
        XSetSelectionOwner(d, clipboard, w, CurrentTime);
        XSync(d, False);
        const std::string value = "0.75 Grüße";
        while (!stop) {
            while (XPending(d)) {
                XEvent e;
                XNextEvent(d, &e);
                if (e.type != SelectionRequest)
                    continue;
                XSelectionEvent reply{};
                reply.type = SelectionNotify;
                reply.display = d;
                reply.requestor = e.xselectionrequest.requestor;
                reply.selection = e.xselectionrequest.selection;
                reply.target = e.xselectionrequest.target;
                reply.time = e.xselectionrequest.time;
                reply.property = None;
                if (e.xselectionrequest.target == utf8) {
                    XChangeProperty(d, reply.requestor, e.xselectionrequest.property, utf8, 8,
                                    PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(value.data()),
                                    static_cast<int>(value.size()));
                    reply.property = e.xselectionrequest.property;
                }
                XSendEvent(d, reply.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
                XFlush(d);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        XDestroyWindow(d, w);
        XSync(d, False);
    });
    ASSERT_TRUE(X11TestHost::WaitUntil([&] {
        return XGetSelectionOwner(host.Get(), XInternAtom(host.Get(), "CLIPBOARD", False)) != None;
    }));
    editor.LockEditor();
    EXPECT_TRUE(editor.ClipboardText(text));
    editor.UnlockEditor();
    stop = true;
    owner.join();
    EXPECT_EQ(text, "0.75 Grüße");
}

TEST_F(X11EditorWindowTest, LinksOpenThroughXdgOpen) {
    const std::string folder = test::ScreenshotFolder() + "fake-bin";
    mkdir(folder.c_str(), 0755);
    const std::string log = folder + "/opened.txt";
    std::remove(log.c_str());
    {
        std::ofstream script(folder + "/xdg-open");
        script << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << log << "'\n";
    }
    chmod((folder + "/xdg-open").c_str(), 0755);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    X11EditorWindow editor;
    setenv("PATH", folder.c_str(), 1);
    EXPECT_TRUE(editor.OpenLink("https://example.org/vorlunda2"));
    setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(editor.OpenLink("https://example.org/other")); // no opener installed
    setenv("PATH", oldPath.c_str(), 1);
    std::string line;
    ASSERT_TRUE(X11TestHost::WaitUntil([&] {
        std::ifstream in(log);
        return static_cast<bool>(std::getline(in, line));
    }));
    EXPECT_EQ(line, "https://example.org/vorlunda2");
}

TEST_F(X11EditorWindowTest, OpenAndClose50TimesLeavesNoConnectionsSegmentsOrWindows) {
    X11EditorWindow editor;
    FakeCore core(editor, 5);
    // One round first, so lazily made things (the timer thread, fonts) exist before counting.
    ASSERT_NE(Open(editor, core), 0u);
    editor.Close();
    const int descriptors = OpenDescriptors();
    const int segments = SharedMemorySegments();
    for (int i = 0; i < 50; ++i) {
        const ::Window w = Open(editor, core);
        ASSERT_NE(w, 0u) << "round " << i;
        if (i % 10 == 0)
            PumpUntil(editor, [&] { return core.paints > 0; });
        if (i % 2)
            editor.Idle();
        editor.Close();
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(SharedMemorySegments(), segments);
    EXPECT_TRUE(host.Children(parent).empty());
    // Closing twice, idling without a window: harmless.
    editor.Close();
    editor.Idle();
}

TEST_F(X11EditorWindowTest, TwoEditorsAtOnceShowTheirOwnPictures) {
    const ::Window second = host.CreateParent(100, 402, 1100, 398);
    X11EditorWindow a;
    X11EditorWindow b;
    FakeCore coreA(a, 6);
    FakeCore coreB(b, 7);
    const ::Window wa = Open(a, coreA);
    const ::Window wb = Open(b, coreB, second);
    ASSERT_NE(wa, 0u);
    ASSERT_NE(wb, 0u);
    ASSERT_TRUE(X11TestHost::WaitUntil([&] { return coreA.paints > 0 && coreB.paints > 0; }));
    EXPECT_EQ(SettledDifferences(wa, 6), 0);
    EXPECT_EQ(SettledDifferences(wb, 7), 0);
    a.Close();
    EXPECT_EQ(SettledDifferences(wb, 7), 0);
    b.Close();
    host.DestroyParent(second);
}

TEST_F(X11EditorWindowTest, BadParentsAndMissingDisplaysFailCleanly) {
    X11EditorWindow editor;
    FakeCore core(editor);
    EXPECT_EQ(editor.Open(core, nullptr, kWidth, kHeight, 25), nullptr);
    // An id that names no window.
    EXPECT_EQ(
        editor.Open(core, reinterpret_cast<void*>(std::uintptr_t{0x3fffff0}), kWidth, kHeight, 25),
        nullptr);
    // A window that is gone.
    const ::Window gone = host.CreateParent(10, 10, 50, 50);
    host.DestroyParent(gone);
    EXPECT_EQ(editor.Open(core, host.AsHandle(gone), kWidth, kHeight, 25), nullptr);
    // No display at all.
    const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    EXPECT_EQ(editor.Open(core, host.AsHandle(parent), kWidth, kHeight, 25), nullptr);
    setenv("DISPLAY", display.c_str(), 1);
    // And then it still opens.
    EXPECT_NE(Open(editor, core), 0u);
}

TEST_F(X11EditorWindowTest, HostDestroyingItsWindowFirstIsHarmless) {
    X11EditorWindow editor;
    FakeCore core(editor);
    ASSERT_NE(Open(editor, core), 0u);
    host.DestroyParent(parent);
    parent = 0;
    for (int i = 0; i < 10; ++i) {
        editor.Idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    editor.Close();
    EXPECT_EQ(editor.Handle(), nullptr);
}

} // namespace
} // namespace vorlunda
