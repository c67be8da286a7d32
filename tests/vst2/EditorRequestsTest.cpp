// The dispatcher's editor requests against an editor that records what reaches it: the rectangle,
// the flag in the record, and requests arriving in any order with any handle.
#include "graphics/IGraphics.h"
#include "support/TestHost.h"
#include "vst2/IPluginVST.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlunda {
namespace {

using test::TestHost;

// Stands in for a window layer: opens in any non-null parent except the one it is told to refuse.
class RecordingEditor : public IGraphics {
public:
    explicit RecordingEditor(std::vector<std::string>& log) : log(log) {}
    void SetParameterFromPlug(int, double, bool) override {}
    void PrepareDrawingSurface() override {}
    bool OpenWindow(void* parent) override {
        log.push_back("open");
        if (parent == refused)
            return false;
        open = true;
        return true;
    }
    void CloseWindow() override {
        log.push_back("close");
        open = false;
    }
    void IdleWindow() override { log.push_back("idle"); }
    int Width() const override { return 1080; }
    int Height() const override { return 396; }

    std::vector<std::string>& log;
    void* refused = nullptr;
    bool open = false;
};

PluginIdentity EditorIdentity() {
    PluginIdentity id;
    id.parameterCount = 2;
    id.programCount = 1;
    id.channelConfigs = "0-2";
    id.version = 0x00020002;
    return id;
}

class EditorPlugin : public IPluginVST {
public:
    explicit EditorPlugin(TestHost& host) : IPluginVST(EditorIdentity()) {
        ConnectHost(&TestHost::Callback);
        TestHost::current = &host;
    }
    void EditorOpened() override { log.push_back("opened"); }
    void EditorClosing() override { log.push_back("closing"); }
    void IdleTick() override { log.push_back("tick"); }
    RecordingEditor* Attach() {
        auto* editor = new RecordingEditor(log);
        AttachEditor(editor);
        return editor;
    }
    std::intptr_t Request(vst::Int32 opcode, void* ptr = nullptr) {
        return Dispatch(opcode, 0, 0, ptr, 0.0f);
    }
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST(EditorRequests, AttachedEditorShowsInTheFlagsAndTheRectangle) {
    TestHost host;
    EditorPlugin plugin(host);
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
    EditorPlugin plugin(host);
    RecordingEditor* editor = plugin.Attach();
    int parent = 0;
    EXPECT_EQ(plugin.Request(vst::effEditOpen, &parent), 1);
    EXPECT_TRUE(editor->open);
    EXPECT_EQ(plugin.Request(vst::effEditIdle), 0);
    EXPECT_EQ(plugin.Request(vst::effIdle), 0);
    EXPECT_EQ(plugin.Request(vst::effEditClose), 1);
    EXPECT_FALSE(editor->open);
    EXPECT_EQ(plugin.log, (Log{"open", "opened", "tick", "idle", "tick", "closing", "close"}));
}

TEST(EditorRequests, WithoutAnEditorEveryRequestIsRefused) {
    TestHost host;
    EditorPlugin plugin(host);
    int parent = 0;
    EXPECT_EQ(plugin.Request(vst::effEditOpen, &parent), 0);
    EXPECT_EQ(plugin.Request(vst::effEditClose), 0);
    EXPECT_EQ(plugin.Request(vst::effEditIdle), 0);
    EXPECT_EQ(plugin.log, (Log{"tick"})); // the instrument's idle hook still runs
}

TEST(EditorRequests, CloseBeforeOpenAndTwiceEndsNothing) {
    TestHost host;
    EditorPlugin plugin(host);
    plugin.Attach();
    EXPECT_EQ(plugin.Request(vst::effEditClose), 1);
    EXPECT_EQ(plugin.Request(vst::effEditClose), 1);
    EXPECT_EQ(plugin.log, (Log{"close", "close"})); // no "closing" without an open window
}

TEST(EditorRequests, IdleWithoutAWindowDoesNotReachTheEditor) {
    TestHost host;
    EditorPlugin plugin(host);
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
    EditorPlugin plugin(host);
    RecordingEditor* editor = plugin.Attach();
    int first = 0;
    int second = 0;
    EXPECT_EQ(plugin.Request(vst::effEditOpen, &first), 1);
    EXPECT_EQ(plugin.Request(vst::effEditOpen, &second), 1);
    EXPECT_TRUE(editor->open);
    EXPECT_EQ(plugin.log, (Log{"open", "opened", "closing", "open", "opened"}));
}

TEST(EditorRequests, NullOrRefusedParentLeavesTheEditorClosed) {
    TestHost host;
    EditorPlugin plugin(host);
    RecordingEditor* editor = plugin.Attach();
    EXPECT_EQ(plugin.Request(vst::effEditOpen, nullptr), 0);
    EXPECT_TRUE(plugin.log.empty()); // a null parent never reaches the window layer
    int foreign = 0;
    editor->refused = &foreign;
    EXPECT_EQ(plugin.Request(vst::effEditOpen, &foreign), 0);
    EXPECT_FALSE(editor->open);
    plugin.Request(vst::effEditIdle);
    plugin.Request(vst::effEditClose);
    EXPECT_EQ(plugin.log, (Log{"open", "tick", "close"}));
}

TEST(EditorRequests, ClosingThePluginWithItsEditorOpenIsClean) {
    TestHost host;
    auto* plugin = new EditorPlugin(host);
    plugin->Attach();
    int parent = 0;
    EXPECT_EQ(plugin->Request(vst::effEditOpen, &parent), 1);
    delete plugin; // the editor goes with the plug-in, window state and all
}

} // namespace
} // namespace vorlunda
