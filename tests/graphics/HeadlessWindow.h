#pragma once

// A window layer without a window: it records what the graphics core asks of it and lets a test
// deliver events through the core's dispatch point, as the Windows and X11 layers do.
#include "graphics/EditorWindow.h"
#include "graphics/PopupMenu.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace vorlunda::test {

class HeadlessWindow : public EditorWindow {
public:
    const char* ApiName() const override { return "Headless"; }

    void* Open(EditorWindowClient& c, void* parentArg, int w, int h, int fpsArg) override {
        if (refuseOpen)
            return nullptr;
        client = &c;
        parent = parentArg;
        width = w;
        height = h;
        fps = fpsArg;
        open = true;
        ++opens;
        return this;
    }
    void Close() override {
        if (!open)
            return;
        open = false;
        fieldOpen = false;
        ++closes;
    }
    void* Handle() const override { return open ? const_cast<HeadlessWindow*>(this) : nullptr; }
    void Resize(int w, int h) override {
        width = w;
        height = h;
    }

    void Invalidate(const ScreenRect& area) override {
        invalidated.push_back(area);
        invalid = Union(invalid, area);
    }
    void Validate(const ScreenRect& area) override {
        validated.push_back(area);
        if (area.left <= invalid.left && area.top <= invalid.top && area.right >= invalid.right &&
            area.bottom >= invalid.bottom)
            invalid = {};
    }
    void PaintNow() override {
        if (invalid.IsEmpty() || !client)
            return;
        const ScreenRect r = invalid;
        invalid = {};
        client->Dispatch(EditorEvent::Paint(r));
    }
    void ShowRegion(const RasterBitmap&, const ScreenRect& area) override { shown.push_back(area); }

    void TakeFocus() override { ++focusTaken; }
    void CaptureMouse() override { captured = true; }
    void ReleaseMouse() override { captured = false; }
    void HidePointer() override { pointerHidden = true; }
    void RestorePointer() override { pointerHidden = false; }

    bool OpenTextField(const TextFieldRequest& request) override {
        if (!open || refuseField)
            return false;
        fieldOpen = true;
        ++fieldOpens;
        field = request;
        fieldStyle = request.style ? *request.style : TextStyle{};
        field.style = &fieldStyle;
        fieldText = request.text ? request.text : "";
        field.text = nullptr;
        return true;
    }
    std::string TextFieldText() const override {
        if (!fieldOpen)
            return {};
        return fieldText.substr(0, static_cast<std::size_t>(std::max(field.maxLength, 0)));
    }
    void CloseTextField() override {
        fieldOpen = false;
        ++fieldCloses;
    }

    int TrackPopupMenu(const PopupMenu& menu, const ScreenRect& rect) override {
        ++menusShown;
        menuRect = rect;
        return onMenu ? onMenu(menu) : 0;
    }
    int ShowMessage(const char* text, const char* caption, int type) override {
        messages.push_back({text, caption, type});
        return messageAnswer;
    }
    bool ChooseFile(std::string& file, int, std::string& folder, const char*) override {
        file = chosenFile;
        if (!chosenFile.empty())
            folder = chosenFolder;
        return !chosenFile.empty();
    }
    bool ChooseColour(ColourARGB&, const char*) override { return false; }
    bool OpenLink(const char* url) override {
        links.push_back(url);
        return linkOpens;
    }
    bool ClipboardText(std::string& out) override {
        out = clipboard;
        return !clipboard.empty();
    }
    std::string Folder(EditorFolder) override { return "/folder/"; }

    // --- Driving the core as a window layer does ---
    bool Send(const EditorEvent& e) { return client && client->Dispatch(e); }
    bool Press(int x, int y, MouseModifiers mods = Left()) {
        return Send(EditorEvent::Mouse(EditorEvent::kMouseDown, x, y, mods));
    }
    bool Release(int x, int y, MouseModifiers mods = Left()) {
        return Send(EditorEvent::Mouse(EditorEvent::kMouseUp, x, y, mods));
    }
    bool Drag(int x, int y, MouseModifiers mods = Left()) {
        return Send(EditorEvent::Mouse(EditorEvent::kMouseDrag, x, y, mods));
    }
    bool DoubleClick(int x, int y, MouseModifiers mods = Left()) {
        return Send(EditorEvent::Mouse(EditorEvent::kDoubleClick, x, y, mods));
    }
    bool Wheel(int x, int y, int notches, MouseModifiers mods = {}) {
        return Send(EditorEvent::Wheel(x, y, mods, notches));
    }
    bool Key(int x, int y, KeyCode key) { return Send(EditorEvent::Key(x, y, key)); }
    bool Tick() { return Send(EditorEvent::Simple(EditorEvent::kTimer)); }
    bool Field(EditorEvent::Type type) { return Send(EditorEvent::Simple(type)); }

    static MouseModifiers Left() {
        MouseModifiers m;
        m.left = true;
        return m;
    }
    static MouseModifiers Right() {
        MouseModifiers m;
        m.right = true;
        return m;
    }
    static ScreenRect Union(const ScreenRect& a, const ScreenRect& b) {
        if (a.IsEmpty())
            return b;
        if (b.IsEmpty())
            return a;
        return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
    }

    struct Message {
        std::string text;
        std::string caption;
        int type;
    };

    EditorWindowClient* client = nullptr;
    void* parent = nullptr;
    int width = 0;
    int height = 0;
    int fps = 0;
    bool open = false;
    bool refuseOpen = false;
    int opens = 0;
    int closes = 0;
    ScreenRect invalid;
    std::vector<ScreenRect> invalidated;
    std::vector<ScreenRect> validated;
    std::vector<ScreenRect> shown;
    int focusTaken = 0;
    bool captured = false;
    bool pointerHidden = false;

    bool refuseField = false;
    bool fieldOpen = false;
    int fieldOpens = 0;
    int fieldCloses = 0;
    TextFieldRequest field;
    TextStyle fieldStyle;
    std::string fieldText; // what the user typed

    std::function<int(const PopupMenu&)> onMenu; // answers the chosen command, or 0
    int menusShown = 0;
    ScreenRect menuRect;
    std::vector<Message> messages;
    int messageAnswer = kAnswerOk;
    std::string chosenFile;
    std::string chosenFolder;
    std::vector<std::string> links;
    bool linkOpens = true;
    std::string clipboard;
};

} // namespace vorlunda::test
