// The instrument with a test editor, as a Windows plug-in library for the scripted editor host.
// The editor is built through the graphics core's own API with images drawn in code, its
// controls where the instrument's layout puts them ("Flt Frq" knob at 250, 247; "Saw 8" switch
// at 48, 353), plus a popup switch and two buttons that open a message box and a file dialog.
// Besides the entry points it exports probes that only the test host calls.
#include "engine/ParameterTable.h"
#include "engine/Vorlunda2.h"
#include "graphics/IBitmapControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IGraphicsWin_win32.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/ISwitchControl.h"
#include "graphics/ISwitchPopUpControl.h"
#include "graphics/PopupMenu.h"
#include "graphics/RasterMemBitmap.h"
#include "graphics/RasterSysBitmap.h"
#include "graphics/SystemEditorWindow.h"
#include "vst2/PluginEntry.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

namespace vorlunda {
namespace {

enum ImageId : int {
    kBackgroundImage = 9001,
    kKnobImage,
    kSwitchImage,
    kButtonImage,
};
constexpr int kKnobFrames = 64;
constexpr int kKnobSize = 40; // pixels, one frame
constexpr int kSwitchWidth = 30;
constexpr int kSwitchHeight = 20;

std::atomic<int> lastAnswer{-1};
std::string lastFile;
std::atomic<int> fileCalls{0};
std::atomic<int> lastChoice{-1};
std::string lastColour;

RasterPixel Opaque(int r, int g, int b) {
    return 0xFF000000u | static_cast<RasterPixel>((r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF));
}

std::unique_ptr<RasterBitmap> Fill(int w, int h, RasterPixel (*pixel)(int x, int y)) {
    auto bitmap = std::make_unique<RasterMemBitmap>(w, h);
    if (!bitmap->HasPixels())
        return nullptr;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bitmap->Row(y)[x] = pixel(x, y);
    return bitmap;
}

// Knob frames are stacked; frame k shows a bar k / 64 of the knob's width long.
RasterPixel KnobPixel(int x, int y) {
    const int frame = y / kKnobSize;
    const int bar = (frame + 1) * kKnobSize / kKnobFrames;
    return x < bar ? Opaque(250, 200, 40) : Opaque(40, 40, 60 + frame * 3);
}

class TestEditor : public IGraphics {
public:
    using IGraphics::IGraphics;
    std::unique_ptr<RasterBitmap> LoadBitmapByName(int id, const char*) override {
        switch (id) {
        case kBackgroundImage:
            return Fill(kDefaultWidth, kDefaultHeight, [](int x, int y) {
                return Opaque(x * 255 / kDefaultWidth, y * 255 / kDefaultHeight, 64);
            });
        case kKnobImage:
            return Fill(kKnobSize, kKnobSize * kKnobFrames, &KnobPixel);
        case kSwitchImage:
            return Fill(kSwitchWidth, kSwitchHeight * 2, [](int, int y) {
                return y < kSwitchHeight ? Opaque(20, 20, 120) : Opaque(240, 240, 0);
            });
        case kButtonImage:
            return Fill(kSwitchWidth, kSwitchHeight,
                        [](int x, int) { return Opaque(180, 180, 180 - x); });
        default:
            return nullptr;
        }
    }
};

// A button without a parameter that runs one of the editor's modal requests.
class ActionButton : public IBitmapControl {
public:
    enum Action { kAskYesNo, kOpenFile, kNumberedMenu, kPickColour };
    ActionButton(IPluginBase* plug, int x, int y, const BitmapStrip& strip, Action action)
        : IBitmapControl(plug, x, y, -1, strip), action(action) {}
    void MouseDown(int, int, const MouseModifiers&) override {
        if (!Graphics())
            return;
        if (action == kAskYesNo) {
            lastAnswer = Graphics()->ShowMessage("Keep the edit?", "Vorlunda2 test", kMessageYesNo);
        } else if (action == kNumberedMenu) {
            ShowNumberedMenu();
        } else if (action == kPickColour) {
            ColourARGB colour{255, 10, 20, 30};
            const bool ok = Graphics()->ChooseColour(colour, "Pick a test colour");
            lastColour = (ok ? "ok " : "cancel ") + std::to_string(colour.alpha) + " " +
                         std::to_string(colour.red) + " " + std::to_string(colour.green) + " " +
                         std::to_string(colour.blue);
        } else {
            std::string file;
            std::string folder;
            Graphics()->ChooseFile(file, kFileOpen, folder, "fxp fxb");
            lastFile = file;
            ++fileCalls;
        }
    }

private:
    // Two-digit numbering with every item flag and a one-digit submenu; the choice is stored as
    // 100 x depth + index.
    void ShowNumberedMenu() {
        PopupMenu menu(PopupMenu::kTwoDigits);
        menu.AddItem("Init");
        menu.AddItem("Copy", PopupMenuItem::kChecked);
        menu.AddSeparator();
        menu.AddItem("Paste", PopupMenuItem::kGreyed);
        menu.AddItem("Load", PopupMenuItem::kDisabled);
        PopupMenu& bank = menu.AddSubmenu("Bank");
        bank.SetNumbering(PopupMenu::kOneDigit);
        bank.AddItem("A");
        bank.AddItem("B");
        PopupMenu* chosen = Graphics()->ShowPopupMenu(menu, Rect());
        if (!chosen)
            lastChoice = -1;
        else
            lastChoice = (chosen == &menu ? 0 : 100) + chosen->ChosenIndex();
    }

    Action action;
};

void AddTestControls(TestEditor& editor, IPluginBase& plug) {
    const BitmapStrip background = editor.LoadEditorBitmap(kBackgroundImage, "back.png");
    const BitmapStrip knob = editor.LoadEditorBitmap(kKnobImage, "knob.png", kKnobFrames);
    const BitmapStrip toggle = editor.LoadEditorBitmap(kSwitchImage, "switch.png", 2);
    const BitmapStrip button = editor.LoadEditorBitmap(kButtonImage, "button.png");
    editor.MakeControl<IBitmapControl>(&plug, 0, 0, -1, background);
    auto* cutoff = editor.MakeControl<IKnobMultiControl>(
        &plug, ScreenRect{250, 247, 250 + kKnobSize, 247 + kKnobSize}, kFilterCutoff, knob);
    cutoff->promptDisabled = false; // a right click types a value
    editor.MakeControl<ISwitchControl>(&plug, 48, 353, kSaw8, toggle);
    editor.MakeControl<ISwitchPopUpControl>(&plug, 400, 100, kBendRange, toggle);
    editor.MakeControl<ActionButton>(&plug, 600, 100, button, ActionButton::kAskYesNo);
    editor.MakeControl<ActionButton>(&plug, 650, 100, button, ActionButton::kOpenFile);
    editor.MakeControl<ActionButton>(&plug, 700, 100, button, ActionButton::kNumberedMenu);
    editor.MakeControl<ActionButton>(&plug, 750, 100, button, ActionButton::kPickColour);
}

} // namespace

IPluginVST* CreatePluginInstance() {
    auto* plugin = new Vorlunda2();
    auto* editor = new TestEditor(*plugin, CreateSystemEditorWindow());
    AddTestControls(*editor, *plugin);
    plugin->AttachEditor(editor);
    return plugin;
}

} // namespace vorlunda

using vorlunda::vst::AEffect;

extern "C" {

// The answer of the last message box (-1 before any).
__declspec(dllexport) int VorlundaTestLastAnswer() {
    return vorlunda::lastAnswer.exchange(-1);
}

// The path the last file dialog returned, UTF-8, and how many dialogs ran.
__declspec(dllexport) int VorlundaTestLastFile(char* out, int capacity) {
    if (out && capacity > 0) {
        std::strncpy(out, vorlunda::lastFile.c_str(), static_cast<std::size_t>(capacity - 1));
        out[capacity - 1] = '\0';
    }
    return vorlunda::fileCalls.load();
}

// The last numbered-menu choice (100 x depth + index, -1 for none) and the colour dialog's result.
__declspec(dllexport) int VorlundaTestLastChoice() {
    return vorlunda::lastChoice.exchange(-1);
}

__declspec(dllexport) void VorlundaTestLastColour(char* out, int capacity) {
    if (out && capacity > 0) {
        std::strncpy(out, vorlunda::lastColour.c_str(), static_cast<std::size_t>(capacity - 1));
        out[capacity - 1] = '\0';
    }
}

// The editor's clipboard text (`which` = -1) or a standard folder (EditorFolder), UTF-8;
// answers 1 when the clipboard held text.
__declspec(dllexport) int VorlundaTestEditorText(AEffect* effect, int which, char* out,
                                                 int capacity) {
    using namespace vorlunda;
    IPluginVST* plugin = IPluginVST::FromEffect(effect);
    IGraphics* editor = plugin ? AsGraphics(plugin->AttachedEditor()) : nullptr;
    if (!editor || !out || capacity <= 0)
        return 0;
    std::string text;
    int answer = 0;
    switch (which) {
    case -1:
        answer = editor->ClipboardText(text) ? 1 : 0;
        break;
    case 0:
        editor->HostFolder(text);
        break;
    case 1:
        editor->PluginFolder(text);
        break;
    case 2:
        editor->DesktopFolder(text);
        break;
    case 3:
        editor->AppDataFolder(text, false);
        break;
    default:
        editor->AppDataFolder(text, true);
        break;
    }
    std::strncpy(out, text.c_str(), static_cast<std::size_t>(capacity - 1));
    out[capacity - 1] = '\0';
    return answer;
}

// The window layer's own USER and GDI objects alive in the process.
__declspec(dllexport) void VorlundaTestObjects(int* user, int* gdi, int* windows) {
    *user = vorlunda::IGraphicsWin::LiveUserObjects();
    *gdi = vorlunda::IGraphicsWin::LiveGdiObjects();
    *windows = vorlunda::IGraphicsWin::OpenWindowCount();
}

// The same editor drawn without a window from the instance's current parameter values: what
// the window must show. `pixels` holds 1080 x 396 values (0x00RRGGBB; alpha cleared).
__declspec(dllexport) int VorlundaTestRenderHeadless(AEffect* effect, std::uint32_t* pixels) {
    using namespace vorlunda;
    IPluginVST* plugin = IPluginVST::FromEffect(effect);
    if (!plugin || !pixels)
        return 0;
    TestEditor editor(*plugin);
    AddTestControls(editor, *plugin);
    {
        IPluginBase::Lock lock(plugin->Mutex());
        for (int i = 0; i < plugin->ParameterCount(); ++i)
            editor.UpdateParameterControls(i, plugin->Parameter(i)->ToNormalised(), true);
    }
    editor.ApplyPendingParameterValues();
    editor.PrepareSurface();
    editor.PaintRegion({0, 0, editor.Width(), editor.Height()});
    const RasterSysBitmap* surface = editor.SurfaceBitmap();
    if (!surface || !surface->HasPixels())
        return 0;
    for (int y = 0; y < editor.Height(); ++y)
        for (int x = 0; x < editor.Width(); ++x)
            pixels[y * editor.Width() + x] = surface->Row(y)[x] & 0x00FFFFFFu;
    return 1;
}

} // extern "C"
