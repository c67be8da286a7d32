// The dispatcher's editor requests against an editor that records what reaches it: the rectangle,
// the flag in the record, and requests arriving in any order with any handle.
#include "graphics/EditorWindow.h"
#include "graphics/IGraphics.h"
#include "support/TestHost.h"
#include "vst2/IPluginVST.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace vorlunda {
namespace {

using test::TestHost;

// Stands in for a window layer: opens in any non-null parent except the one it is told to refuse
// and logs what the core asks of it.
class RecordingWindow : public EditorWindow {
public:
    explicit RecordingWindow(std::vector<std::string>& log) : log(log) {}
    const char* ApiName() const override { return "recording"; }
    void* Open(EditorWindowClient&, void* parent, int width, int height, int fps) override {
        log.push_back("open");
        size = {width, height, fps};
        if (parent == refused)
            return nullptr;
        handle = parent;
        return handle;
    }
    void Close() override {
        log.push_back("close");
        handle = nullptr;
    }
    void* Handle() const override { return handle; }
    void Idle() override { log.push_back("idle"); }
    void Resize(int, int) override {}
    void Invalidate(const ScreenRect&) override {}
    void Validate(const ScreenRect&) override {}
    void PaintNow() override {}
    void ShowRegion(const RasterBitmap&, const ScreenRect&) override {}
    void TakeFocus() override {}
    void CaptureMouse() override {}
    void ReleaseMouse() override {}
    void HidePointer() override {}
    void RestorePointer() override {}
    bool OpenTextField(const TextFieldRequest&) override { return false; }
    std::string TextFieldText() const override { return {}; }
    void CloseTextField() override {}
    int TrackPopupMenu(const PopupMenu&, const ScreenRect&) override { return 0; }
    int ShowMessage(const char*, const char*, int) override { return kAnswerNone; }
    bool ChooseFile(std::string& file, int, std::string&, const char*) override {
        file.clear();
        return false;
    }
    bool ChooseColour(ColourARGB&, const char*) override { return false; }
    bool OpenLink(const char*) override { return false; }
    bool ClipboardText(std::string&) override { return false; }
    std::string Folder(EditorFolder) override { return {}; }

    std::vector<std::string>& log;
    void* refused = nullptr;
    void* handle = nullptr;
    std::array<int, 3> size{};
};

PluginIdentity EditorIdentity() {
    PluginIdentity id;
    id.parameterCount = 2;
    id.programCount = 1;
    id.channelConfigs = "0-2";
    id.version = 0x00020002;
    return id;
}

using Log = std::vector<std::string>;

class EditorPlugin : public IPluginVST {
public:
    // The log outlives the plug-in: the editor still closes its window while the base goes.
    EditorPlugin(TestHost& host, std::vector<std::string>& log)
        : IPluginVST(EditorIdentity()), log(log) {
        ConnectHost(&TestHost::Callback);
        TestHost::ServeUnnamed(&host);
    }
    void EditorOpened() override { log.push_back("opened"); }
    void EditorClosing() override { log.push_back("closing"); }
    void IdleTick() override { log.push_back("tick"); }
    RecordingWindow* Attach() {
        auto window = std::make_unique<RecordingWindow>(log);
        RecordingWindow* w = window.get();
        AttachEditor(new IGraphics(*this, std::move(window)));
        return w;
    }
    std::intptr_t Request(vst::Int32 opcode, void* ptr = nullptr) {
        return Dispatch(opcode, 0, 0, ptr, 0.0f);
    }
    std::vector<std::string>& log;
};

TEST(EditorRequests, AttachedEditorShowsInTheFlagsAndTheRectangle) {
    TestHost host;
    Log log;
    EditorPlugin plugin(host, log);
    const vst::Int32 before = plugin.Effect()->flags;
    EXPECT_EQ(before & vst::effFlagsHasEditor, 0);
    vst::ERect* rect = nullptr;
    EXPECT_EQ(plugin.Request(vst::effEditGetRect, &rect), 0);
    EXPECT_EQ(rect, nullptr);

    plugin.Attach();
    EXPECT_EQ(plugin.Effect()->flags, before | vst::effFlagsHasEditor);
    EXPECT_EQ(plugin.Request(vst::effEditGetRect, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 396);
    EXPECT_EQ(rect->right, 1080);
    EXPECT_EQ(plugin.Request(vst::effEditGetRect, nullptr), 0); // nowhere to put the address
}

TEST(EditorRequests, OpenIdleCloseReachTheEditorAndTheInstrument) {
    TestHost host;
    Log log;
    EditorPlugin plugin(host, log);
    RecordingWindow* editor = plugin.Attach();
    int parent = 0;
    EXPECT_EQ(plugin.Request(vst::effEditOpen, &parent), 1);
    EXPECT_NE(editor->handle, nullptr);
    EXPECT_EQ(editor->size, (std::array<int, 3>{1080, 396, 25})); // pixels, frames per second
    EXPECT_EQ(plugin.Request(vst::effEditIdle), 0);
    EXPECT_EQ(plugin.Request(vst::effIdle), 0);
    EXPECT_EQ(plugin.Request(vst::effEditClose), 1);
    EXPECT_EQ(editor->handle, nullptr);
    EXPECT_EQ(plugin.log, (Log{"open", "opened", "tick", "idle", "tick", "closing", "close"}));
}

TEST(EditorRequests, WithoutAnEditorEveryRequestIsRefused) {
    TestHost host;
    Log log;
    EditorPlugin plugin(host, log);
    int parent = 0;
    EXPECT_EQ(plugin.Request(vst::effEditOpen, &parent), 0);
    EXPECT_EQ(plugin.Request(vst::effEditClose), 0);
    EXPECT_EQ(plugin.Request(vst::effEditIdle), 0);
    EXPECT_EQ(plugin.log, (Log{"tick"})); // the instrument's idle hook still runs
}

TEST(EditorRequests, CloseBeforeOpenAndTwiceEndsNothing) {
    TestHost host;
    Log log;
    EditorPlugin plugin(host, log);
    plugin.Attach();
    EXPECT_EQ(plugin.Request(vst::effEditClose), 1);
    EXPECT_EQ(plugin.Request(vst::effEditClose), 1);
    EXPECT_EQ(plugin.log, (Log{"close", "close"})); // no "closing" without an open window
}

TEST(EditorRequests, IdleWithoutAWindowDoesNotReachTheEditor) {
    TestHost host;
    Log log;
    EditorPlugin plugin(host, log);
    plugin.Attach();
    EXPECT_EQ(plugin.Request(vst::effEditIdle), 0);
    int parent = 0;
    plugin.Request(vst::effEditOpen, &parent);
    plugin.Request(vst::effEditClose);
    plugin.log.clear();
    EXPECT_EQ(plugin.Request(vst::effEditIdle), 0);
    EXPECT_EQ(plugin.log, (Log{"tick"}));
}

TEST(EditorRequests, SecondOpenMovesTheWindowAndEndsTheFirst) {
    TestHost host;
    Log log;
    EditorPlugin plugin(host, log);
    RecordingWindow* editor = plugin.Attach();
    int first = 0;
    int second = 0;
    EXPECT_EQ(plugin.Request(vst::effEditOpen, &first), 1);
    EXPECT_EQ(plugin.Request(vst::effEditOpen, &second), 1);
    EXPECT_NE(editor->handle, nullptr);
    EXPECT_EQ(plugin.log, (Log{"open", "opened", "closing", "open", "opened"}));
}

TEST(EditorRequests, NullOrRefusedParentLeavesTheEditorClosed) {
    TestHost host;
    Log log;
    EditorPlugin plugin(host, log);
    RecordingWindow* editor = plugin.Attach();
    EXPECT_EQ(plugin.Request(vst::effEditOpen, nullptr), 0);
    EXPECT_TRUE(plugin.log.empty()); // a null parent never reaches the window layer
    int foreign = 0;
    editor->refused = &foreign;
    EXPECT_EQ(plugin.Request(vst::effEditOpen, &foreign), 0);
    EXPECT_EQ(editor->handle, nullptr);
    plugin.Request(vst::effEditIdle);
    plugin.Request(vst::effEditClose);
    EXPECT_EQ(plugin.log, (Log{"open", "tick", "close"}));
}

TEST(EditorRequests, ClosingThePluginWithItsEditorOpenIsClean) {
    TestHost host;
    Log log;
    auto* plugin = new EditorPlugin(host, log);
    plugin->Attach();
    int parent = 0;
    EXPECT_EQ(plugin->Request(vst::effEditOpen, &parent), 1);
    log.clear();
    delete plugin; // the editor goes with the plug-in and closes its window on the way
    EXPECT_EQ(log, (Log{"close"}));
}

} // namespace
} // namespace vorlunda
