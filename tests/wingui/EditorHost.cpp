// A scripted Windows host for the plug-in's editor, run under wine64 on a virtual X display:
// loads a plug-in library through its entry point, opens the editor in windows of its own,
// drives it by posted messages and by real input (SendInput), answers menus and dialogs from a
// responder thread, saves screenshots as PNG and compares them with the editor drawn without a
// window. Prints one line per check and "ALL EDITOR CHECKS PASSED" only when every check held.
//
// editor-host PLUGIN.dll OUTPUT-FOLDER
// editor-host --library PLUGIN.dll BANK.fxb REFERENCE.png OUTPUT-FOLDER: the shipped editor
#include "EditorHostSupport.h"
#include "support/EditorReference.h"

#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace editorhost;

namespace {

constexpr int kWidth = 1080;
constexpr int kHeight = 396;
constexpr int kCutoff = 28;   // "Flt Frq", knob at 250, 247 (40 x 40)
constexpr int kSaw8 = 61;     // "Saw 8", switch at 48, 353 (30 x 20)
constexpr int kBendRange = 3; // "PB Range", popup switch at 400, 100: "2" "3" "5" "7" "12"
constexpr POINT kKnob{270, 267};
constexpr POINT kSwitch{63, 363};
constexpr POINT kPopup{415, 110};
constexpr POINT kAskButton{615, 110};
constexpr POINT kFileButton{665, 110};
constexpr POINT kMenuButton{715, 110};
constexpr POINT kColourButton{765, 110};
constexpr POINT kBackground{900, 300};

std::string outputFolder;

// The editor's picture equals the one drawn without a window (every pixel, alpha aside), at the
// latest 3 s from now: a change shows at the next redraw tick, later only on a starved machine.
void CheckPicture(Host& host, Plugin& p, const char* name) {
    std::vector<std::uint32_t> shown;
    std::vector<std::uint32_t> expected(static_cast<std::size_t>(kWidth * kHeight));
    bool rendered = false;
    PictureDifference d;
    const auto matches = [&] {
        shown = Screenshot(p.EditorWindow(), kWidth, kHeight);
        rendered = p.RenderHeadless(expected.data());
        d = Compare(shown, expected);
        return rendered && shown.size() == expected.size() && d.pixels >= 0 && d.pixels <= 16 &&
               d.largest <= 8;
    };
    const bool same = host.PumpUntil(matches);
    SavePng(outputFolder + "/" + name + ".png", shown, kWidth, kHeight);
    SavePng(outputFolder + "/" + name + "-expected.png", expected, kWidth, kHeight);
    Check(same, std::string("picture ") + name + " matches the headless rendering",
          "differing pixels " + std::to_string(d.pixels) + ", largest channel difference " +
              std::to_string(d.largest));
}

void OpensAtItsSize(Host& host, Plugin& p) {
    Check((p.effect->flags & 1) != 0, "record's flags show the editor");
    ERect* rect = nullptr;
    Check(p.Dispatch(effEditGetRect, 0, 0, &rect) == 1 && rect && rect->top == 0 &&
              rect->left == 0 && rect->bottom == kHeight && rect->right == kWidth,
          "get-rect answers 1080 x 396");
    Check(p.Open(host.NewParent(0, 0)) == 1, "editor opens in the host's window");
    HWND editor = p.EditorWindow();
    RECT r{};
    GetClientRect(editor, &r);
    Check(editor && r.right == kWidth && r.bottom == kHeight, "editor window is 1080 x 396",
          std::to_string(r.right) + " x " + std::to_string(r.bottom));
    Check(GetParent(editor) == p.parent && (GetWindowLongPtrW(editor, GWL_STYLE) & WS_CHILD),
          "editor window is a child of the host's window");
    host.Pump(200);
    CheckPicture(host, p, "open");
}

void DragOnKnob(Host& host, Plugin& p) {
    const double before = p.Parameter(kCutoff);
    p.ClearLog();
    host.MouseTo(p, kKnob);
    host.Pump(60);
    host.Button(true);
    host.Pump(60);
    for (int step = 1; step <= 4; ++step) {
        host.MouseTo(p, {kKnob.x, kKnob.y - 10 * step}); // 40 pixels up in all
        host.Pump(60);
    }
    host.Button(false);
    host.PumpUntil([&] { return p.Count(audioMasterEndEdit, kCutoff) > 0; });
    // 40 pixels up on a 40-pixel knob with gearing 4: +0.25.
    const double moved = p.LastAutomation(kCutoff) - before;
    Check(p.Count(audioMasterBeginEdit, kCutoff) == 1 && p.Count(audioMasterEndEdit, kCutoff) == 1,
          "a drag on Flt Frq is one gesture for the host");
    Check(std::fabs(moved - 0.25) < 0.01, "a drag on Flt Frq reaches the host as automation",
          "moved by " + std::to_string(moved));
    CheckPicture(host, p, "after-drag");
}

// A real click (through the system's input) on "Saw 8", waiting for the end of its gesture.
void ClickSaw8(Host& host, Plugin& p) {
    p.ClearLog();
    host.MouseTo(p, kSwitch);
    host.Pump(60);
    host.Button(true);
    host.Pump(60);
    host.Button(false);
    host.PumpUntil([&] { return p.Count(audioMasterEndEdit, kSaw8) > 0; });
}

void ClickOnSwitch(Host& host, Plugin& p) {
    ClickSaw8(host, p);
    Check(p.Count(audioMasterAutomate, kSaw8) >= 1 && p.LastAutomation(kSaw8) == 1.0,
          "a click on Saw 8 reaches the host as automation of parameter 61");
    CheckPicture(host, p, "after-click");
}

void WheelAndKeys(Host& host, Plugin& p) {
    const double before = p.Parameter(kCutoff);
    p.ClearLog();
    POINT screen = kKnob;
    ClientToScreen(p.EditorWindow(), &screen);
    PostMessageW(p.EditorWindow(), WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA),
                 MAKELPARAM(screen.x, screen.y));
    host.PumpUntil([&] { return p.Count(audioMasterAutomate, kCutoff) > 0; });
    Check(std::fabs(p.LastAutomation(kCutoff) - (before + 0.02)) < 1e-4,
          "two wheel notches over the knob raise it by 0.02");
    const int keysBefore = host.parentKeys;
    PostMessageW(p.EditorWindow(), WM_KEYDOWN, 'Q', 0);
    PostMessageW(p.EditorWindow(), WM_KEYDOWN, VK_F5, 0);
    PostMessageW(p.EditorWindow(), WM_KEYUP, 'Q', 0);
    host.PumpUntil([&] { return host.parentKeys - keysBefore >= 3; });
    host.Pump(30);
    Check(host.parentKeys - keysBefore == 3, "keys no control takes reach the host's window",
          std::to_string(host.parentKeys - keysBefore) + " arrived");
}

HWND OpenField(Host& host, Plugin& p) {
    PostMessageW(p.EditorWindow(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(kKnob.x, kKnob.y));
    PostMessageW(p.EditorWindow(), WM_RBUTTONUP, 0, MAKELPARAM(kKnob.x, kKnob.y));
    HWND field = nullptr;
    host.PumpUntil([&] {
        field = FindWindowExW(p.EditorWindow(), nullptr, L"Edit", nullptr);
        return field != nullptr;
    });
    host.Pump(20);
    return field;
}

void Type(HWND field, const char* text) {
    for (const char* c = text; *c; ++c)
        PostMessageW(field, WM_CHAR, static_cast<unsigned char>(*c), 0);
}

void ValueEntry(Host& host, Plugin& p) {
    HWND field = OpenField(host, p);
    Check(field != nullptr, "a right click on Flt Frq opens the value field");
    if (!field)
        return;
    const std::string initial = WindowText(field);
    Check(!initial.empty(), "the field starts with the current value", initial);
    Type(field, "ab!,");
    host.Pump(60);
    Check(WindowText(field) == initial, "letters and signs other than + - . are refused",
          WindowText(field));
    // Flt Frq shows hertz, and typed text is read in hertz.
    Type(field, "440.");
    host.Pump(60);
    Check(WindowText(field) == "440.", "digits and a point replace the selected text",
          WindowText(field));
    p.ClearLog();
    PostMessageW(field, WM_KEYDOWN, VK_RETURN, 0);
    host.PumpUntil([&] { return !IsWindow(field); });
    Check(!IsWindow(field), "Return closes the field at the next tick");
    Check(p.Count(audioMasterAutomate, kCutoff) == 1 && p.Display(kCutoff) == "440",
          "Return commits the typed value in the unit shown", p.Display(kCutoff));
    CheckPicture(host, p, "after-entry");

    const double before = p.Parameter(kCutoff);
    field = OpenField(host, p);
    Check(field != nullptr, "the field opens again");
    if (!field)
        return;
    p.ClearLog();
    Type(field, "55");
    PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 0);
    host.PumpUntil([&] { return !IsWindow(field); });
    Check(!IsWindow(field) && p.Count(audioMasterAutomate, kCutoff) == 0 &&
              p.Parameter(kCutoff) == before,
          "Escape closes the field and keeps the value");

    field = OpenField(host, p);
    p.ClearLog();
    Type(field, "1000");
    // A press elsewhere in the editor (the field not focused) finishes the entry.
    PostMessageW(p.EditorWindow(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(kBackground.x, kBackground.y));
    PostMessageW(p.EditorWindow(), WM_LBUTTONUP, 0, MAKELPARAM(kBackground.x, kBackground.y));
    host.PumpUntil([&] { return !IsWindow(field); });
    Check(field && !IsWindow(field) && p.Display(kCutoff) == "1000",
          "a press outside the field commits it", p.Display(kCutoff));
}

void PopupMenuChoice(Host& host, Plugin& p) {
    p.ClearLog();
    // No item is highlighted at first: four steps down reach the fourth item, "7".
    Responder responder(AnswerMenu({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}));
    PostMessageW(p.EditorWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(kPopup.x, kPopup.y));
    PostMessageW(p.EditorWindow(), WM_LBUTTONUP, 0, MAKELPARAM(kPopup.x, kPopup.y));
    host.PumpUntil([&] { return responder.Done(); }, 7000);
    host.Pump(100);
    Check(responder.Finish(), "the popup switch shows a menu", responder.Note());
    Check(p.Display(kBendRange) == "7", "the menu's fourth choice becomes PB Range 7",
          p.Display(kBendRange));
    CheckPicture(host, p, "after-menu");
}

void MessageBoxAnswer(Host& host, Plugin& p) {
    for (const int answer : {IDNO, IDYES}) {
        Responder responder(AnswerMessageBoxWith(answer));
        PostMessageW(p.EditorWindow(), WM_LBUTTONDOWN, MK_LBUTTON,
                     MAKELPARAM(kAskButton.x, kAskButton.y));
        PostMessageW(p.EditorWindow(), WM_LBUTTONUP, 0, MAKELPARAM(kAskButton.x, kAskButton.y));
        host.PumpUntil([&] { return responder.Done(); }, 7000);
        host.Pump(100);
        Check(responder.Finish(), "a yes/no message box appears", responder.Note());
        const int got = p.LastAnswer();
        Check(got == answer, "the message box answers " + std::to_string(answer),
              std::to_string(got));
    }
}

void FileDialogPath(Host& host, Plugin& p) {
    const std::string path = TemporaryFile("vorlunda-editor-test.fxp");
    Responder responder(AnswerFileDialogWith(path));
    PostMessageW(p.EditorWindow(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(kFileButton.x, kFileButton.y));
    PostMessageW(p.EditorWindow(), WM_LBUTTONUP, 0, MAKELPARAM(kFileButton.x, kFileButton.y));
    host.PumpUntil([&] { return responder.Done(); }, 7000);
    host.Pump(200);
    Check(responder.Finish(), "an open-file dialog appears", responder.Note());
    const std::string chosen = p.LastFile();
    Check(SamePath(chosen, path), "the file dialog returns the chosen path", chosen);
}

void Press(Host& host, Plugin& p, POINT at, const Responder& responder) {
    PostMessageW(p.EditorWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageW(p.EditorWindow(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    host.PumpUntil([&] { return responder.Done(); }, 7000);
    host.Pump(150);
}

void NumberedMenuAndColour(Host& host, Plugin& p) {
    {
        // Up from no selection reaches the last item, "Bank"; right opens it on "A"; down: "B".
        Responder responder(CheckNumberedMenuThen({VK_UP, VK_RIGHT, VK_DOWN, VK_RETURN}));
        Press(host, p, kMenuButton, responder);
        Check(responder.Finish(), "menu items show numbering styles 2 and 1 and their flags",
              responder.Note());
        const int choice = p.LastChoice();
        Check(choice == 101, "a submenu's choice is found in the submenu", std::to_string(choice));
    }
    {
        Responder responder(CheckNumberedMenuThen({VK_ESCAPE, VK_ESCAPE}));
        Press(host, p, kMenuButton, responder);
        responder.Finish();
        const int choice = p.LastChoice();
        Check(choice == -1, "Escape chooses nothing", std::to_string(choice));
    }
    {
        Responder responder(AcceptColourDialog("Pick a test colour"));
        Press(host, p, kColourButton, responder);
        Check(responder.Finish(), "the colour dialog carries the prompt as its title",
              responder.Note());
        Check(p.LastColour() == "ok 255 10 20 30", "OK keeps the colour it started with",
              p.LastColour());
    }
}

void ClipboardAndFolders(const char* library, Plugin& p) {
    int answer = 0;
    const bool set = SetClipboardUnicode(L"Vorlunda \u00c4 2.5");
    const std::string text = p.EditorText(-1, &answer);
    Check(set && answer == 1 && text == "Vorlunda \xc3\x84 2.5", "clipboard text arrives as UTF-8",
          text);
    std::string dll(library);
    const std::string pluginFolder = dll.substr(0, dll.find_last_of('\\') + 1);
    Check(SamePath(p.EditorText(1), pluginFolder), "plug-in folder is the library's folder",
          p.EditorText(1));
    const std::string hostFolder = p.EditorText(0);
    Check(!hostFolder.empty() && hostFolder.back() == '\\', "host folder ends with a backslash",
          hostFolder);
    Check(!p.EditorText(2).empty() && !p.EditorText(3).empty() && !p.EditorText(4).empty() &&
              p.EditorText(3) != p.EditorText(4),
          "desktop, user and common application-data folders are known",
          p.EditorText(2) + " | " + p.EditorText(3) + " | " + p.EditorText(4));
}

void HostAutomationRedraws(Host& host, Plugin& p) {
    p.SetParameter(kCutoff, 0.9f);
    p.SetParameter(kSaw8, 0.0f);
    // The next tick redraws; CheckPicture waits for it.
    CheckPicture(host, p, "after-host-automation");
}

void TwoEditors(Host& host, Plugin& first) {
    Plugin second(host, "second");
    Check(second.Open(host.NewParent(100, 400)) == 1, "a second instance opens its editor too");
    host.Pump(150);
    CheckPicture(host, second, "second-open");
    first.ClearLog();
    second.ClearLog();
    host.MouseTo(second, kSwitch);
    host.Pump(60);
    host.Button(true);
    host.Pump(60);
    host.Button(false);
    host.PumpUntil([&] { return second.Count(audioMasterEndEdit, kSaw8) > 0; });
    Check(second.Count(audioMasterAutomate, kSaw8) >= 1 &&
              first.Count(audioMasterAutomate, kSaw8) == 0,
          "a click in the second editor reaches only the second instance");
    CheckPicture(host, first, "first-beside-second");
    CheckPicture(host, second, "second-after-click");
    second.Close();
}

void OpenCloseFiftyTimes(Host& host, Plugin& p) {
    p.Close();
    host.Pump(50);
    const Objects before = p.LiveObjects();
    HWND parent = p.parent;
    for (int i = 0; i < 50; ++i) {
        p.Open(parent);
        host.Pump(i % 10 == 0 ? 60 : 5);
        if (i % 10 == 5) {
            // Now and then with a value field open when the host closes.
            OpenField(host, p);
        }
        p.Close();
    }
    host.Pump(50);
    const Objects after = p.LiveObjects();
    Check(after == before, "50 opens and closes leave no window, menu or font behind",
          before.Text() + " before, " + after.Text() + " after");
    p.Open(parent);
    host.Pump(100);
    CheckPicture(host, p, "after-fifty");
}

void CloseDuringDrag(Host& host, Plugin& p) {
    p.ClearLog();
    host.MouseTo(p, kKnob);
    host.Pump(60);
    host.Button(true);
    host.Pump(60);
    host.MouseTo(p, {kKnob.x, kKnob.y - 8});
    host.Pump(60);
    p.Close(); // the host closes the editor under the user's hand
    host.MouseTo(p, {kKnob.x, kKnob.y - 20});
    host.Pump(60);
    host.Button(false);
    host.Pump(60);
    Check(GetCapture() == nullptr, "closing during a drag leaves no mouse capture behind");
    Check(p.Open(p.parent) == 1, "the editor opens again after a close during a drag");
    host.Pump(100);
    CheckPicture(host, p, "after-close-during-drag");
}

void RequestsInWrongOrder(Host& host) {
    Plugin p(host, "odd-order");
    const Objects before = p.LiveObjects();
    Check(p.Dispatch(effEditClose) == 1, "close before open is harmless");
    Check(p.Dispatch(effEditIdle) == 0, "idle without an open editor is harmless");
    Check(p.Open(nullptr) == 0, "open with a null window is refused");
    Check(p.Open(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ff1234))) == 0,
          "open with a handle that is no window is refused");
    HWND gone = host.NewParent(0, 0);
    DestroyWindow(gone);
    Check(p.Open(gone) == 0, "open with a destroyed window is refused");
    HWND a = host.NewParent(0, 0);
    HWND b = host.NewParent(50, 50);
    Check(p.Open(a) == 1 && p.Open(b) == 1, "open twice answers 1 both times");
    host.Pump(100);
    Check(FindWindowExW(a, nullptr, L"IPluginWndClass", nullptr) == nullptr &&
              FindWindowExW(b, nullptr, L"IPluginWndClass", nullptr) != nullptr,
          "the second open moves the editor into the second window");
    // The host destroys its window with the editor still in it, then closes late.
    DestroyWindow(b);
    host.Pump(60);
    Check(p.Dispatch(effEditIdle) == 0 && p.Dispatch(effEditClose) == 1,
          "idle and close after the host destroyed its window are harmless");
    Check(p.LiveObjects() == before, "nothing is left of a window the host destroyed",
          p.LiveObjects().Text());
    Check(p.Open(a) == 1, "the editor opens again afterwards");
    host.Pump(100);
    // The host destroys its window while a value is being typed, then opens the editor anew
    // without a close in between.
    HWND c = host.NewParent(0, 0);
    p.Open(c);
    host.Pump(60);
    const bool typing = OpenField(host, p) != nullptr;
    const double typedOver = p.Parameter(kCutoff);
    p.ClearLog();
    DestroyWindow(c);
    host.Pump(60);
    Check(typing && p.Open(a) == 1, "the editor opens after its window went during value entry");
    host.Pump(100);
    // The field lost its focus on the way out; that must not commit its (vanished) text.
    Check(p.Count(audioMasterAutomate, kCutoff) == 0 && p.Parameter(kCutoff) == typedOver,
          "a field that went with the host's window changes nothing",
          std::to_string(typedOver) + " -> " + std::to_string(p.Parameter(kCutoff)));
    HWND field = OpenField(host, p);
    Check(field != nullptr, "value entry works again after its field went with the window");
    if (field)
        PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 0);
    host.Pump(100);
    p.Close();
    p.Close();
    DestroyWindow(a);
}

// The chunk of a bank file saved as one opaque chunk ("CcnK" ... "FBCh"): 160 bytes of header,
// the last four the chunk's size, big-endian.
std::vector<unsigned char> BankChunkOf(const std::vector<unsigned char>& file) {
    constexpr std::size_t kHeader = 160;
    if (file.size() < kHeader || std::memcmp(file.data(), "CcnK", 4) != 0 ||
        std::memcmp(file.data() + 8, "FBCh", 4) != 0)
        return {};
    const std::size_t size = std::size_t{file[156]} << 24 | std::size_t{file[157]} << 16 |
                             std::size_t{file[158]} << 8 | file[159];
    if (size > file.size() - kHeader)
        return {};
    return {file.begin() + kHeader, file.begin() + static_cast<std::ptrdiff_t>(kHeader + size)};
}

// The shipped DLL's own editor, opened through its entry point like any host does: the picture
// equals the README's (program 0 of factory bank 2) outside the text, which the system's text
// renderer draws here, and a real click on a switch reaches the host.
int TheLibrarysEditor(const char* plugin, const char* bankFile, const char* referenceFile) {
    const auto start = std::chrono::steady_clock::now();
    int width = 0, height = 0;
    const std::vector<std::uint32_t> reference = LoadPng(referenceFile, width, height);
    Check(width == kWidth && height == kHeight, "the reference picture reads as 1080 x 396");
    Host host(plugin);
    if (!host.Loaded() || reference.empty()) {
        std::printf("FAIL - cannot load %s or %s\n", plugin, referenceFile);
        return 1;
    }
    {
        Plugin p(host, "library");
        Check((p.effect->flags & 1) != 0, "record's flags show the editor");
        ERect* rect = nullptr;
        Check(p.Dispatch(effEditGetRect, 0, 0, &rect) == 1 && rect &&
                  rect->right - rect->left == kWidth && rect->bottom - rect->top == kHeight,
              "get-rect answers 1080 x 396");
        // Factory bank 2 whatever startup bank an earlier test chose in this prefix.
        std::vector<unsigned char> chunk = BankChunkOf(ReadFileBytes(bankFile));
        Check(!chunk.empty() && p.Dispatch(effSetChunk, 0, static_cast<std::intptr_t>(chunk.size()),
                                           chunk.data()) == 1,
              "factory bank 2 loads as the host's bank chunk");
        p.Dispatch(effSetProgram, 0, 0);
        Check(p.Open(host.NewParent(0, 0)) == 1 && p.EditorWindow(),
              "the editor opens in the host's window");
        std::vector<std::uint32_t> shown;
        vorlunda::test::ReferenceDifference d;
        const bool same = host.PumpUntil([&] {
            shown = Screenshot(p.EditorWindow(), kWidth, kHeight);
            if (shown.size() != reference.size())
                return false;
            d = vorlunda::test::CompareWithReference(shown.data(), kWidth, reference.data(),
                                                     kWidth);
            return d.panelOff == 0;
        });
        SavePng(outputFolder + "/library.png", shown, kWidth, kHeight);
        Check(same, "the editor's picture is the reference's outside the text",
              std::to_string(d.panelOff) + " pixels more than 2 levels away");
        std::printf("info - text areas differ by %.1f levels on average (system text)\n",
                    d.textMean);

        const double before = p.Parameter(kSaw8);
        ClickSaw8(host, p);
        const double expected = before < 0.5 ? 1.0 : 0.0;
        Check(p.LastAutomation(kSaw8) == expected && p.Parameter(kSaw8) == expected,
              "a click on Saw 8 reaches the host as automation of parameter 61");
        const bool redrawn = host.PumpUntil([&] {
            shown = Screenshot(p.EditorWindow(), kWidth, kHeight);
            return shown.size() == reference.size() &&
                   vorlunda::test::CompareWithReference(shown.data(), kWidth, reference.data(),
                                                        kWidth)
                           .panelOff > 0;
        });
        SavePng(outputFolder + "/library-after-click.png", shown, kWidth, kHeight);
        Check(redrawn, "the switch shows its new state");
        HWND editor = p.EditorWindow();
        p.Close();
        host.Pump(60);
        Check(!IsWindow(editor), "closing the editor destroys its window");
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return Summary(seconds);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "--library") == 0) {
        outputFolder = argv[5];
        CreateDirectoryA(outputFolder.c_str(), nullptr);
        return TheLibrarysEditor(argv[2], argv[3], argv[4]);
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: editor-host PLUGIN.dll OUTPUT-FOLDER\n"
                             "       editor-host --library PLUGIN.dll BANK.fxb REFERENCE.png "
                             "OUTPUT-FOLDER\n");
        return 2;
    }
    outputFolder = argv[2];
    CreateDirectoryA(outputFolder.c_str(), nullptr);
    const auto start = std::chrono::steady_clock::now();
    Host host(argv[1]);
    if (!host.Loaded()) {
        std::printf("FAIL cannot load %s\n", argv[1]);
        return 1;
    }
    // What text would be drawn with here (information only: the test editor draws no text).
    for (const wchar_t* face : {L"Verdana", L"Arial"})
        std::printf("info - font %s resolves to %s\n", WideToUtf8(face).c_str(),
                    WideToUtf8(ResolvedFace(face).c_str()).c_str());
    {
        Plugin p(host, "main");
        OpensAtItsSize(host, p);
        if (p.EditorWindow()) {
            DragOnKnob(host, p);
            ClickOnSwitch(host, p);
            WheelAndKeys(host, p);
            ValueEntry(host, p);
            PopupMenuChoice(host, p);
            MessageBoxAnswer(host, p);
            FileDialogPath(host, p);
            NumberedMenuAndColour(host, p);
            ClipboardAndFolders(argv[1], p);
            HostAutomationRedraws(host, p);
            TwoEditors(host, p);
            OpenCloseFiftyTimes(host, p);
            CloseDuringDrag(host, p);
        }
        p.Close();
    }
    RequestsInWrongOrder(host);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return Summary(seconds);
}
