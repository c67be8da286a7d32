#pragma once
// What the scripted editor host is made of: checks, the host and its windows, plug-in instances
// with a record of what they told the host, real input, screenshots, and a responder thread for
// menus and dialogs.
#include "Host.h"
#include "PluginLibrary.h"
#include "vst2/VstAbi.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace editorhost {

using vorlunda::vst::AEffect;
using vorlunda::vst::ERect;
using namespace vorlunda::vst; // opcodes

// Prints "ok - name" or "FAIL - name: detail" and counts.
void Check(bool passed, const std::string& name, const std::string& detail = {});
// Prints the totals, and "ALL EDITOR CHECKS PASSED" when there were checks and none failed.
int Summary(double seconds);

struct Objects {
    int user = 0;
    int gdi = 0;
    int windows = 0;
    bool operator==(const Objects&) const = default;
    std::string Text() const;
};

class Plugin;

class Host {
public:
    explicit Host(const char* path);
    ~Host();
    bool Loaded() const { return library.IsOpen(); }
    // A borderless top-level window of editor size at screen position (x, y).
    HWND NewParent(int x, int y);
    // Runs the message loop for `ms` milliseconds, sending the editor-idle request every 40 ms
    // as hosts do.
    void Pump(int ms);
    // Runs the message loop until `done` holds (checked every few milliseconds) or `ms` passed;
    // answers `done`. Slow machines then wait longer, fast ones not at all.
    bool PumpUntil(const std::function<bool()>& done, int ms = 3000);
    // Real input through the system: the pointer to `client` in p's editor, the left button.
    void MouseTo(Plugin& p, POINT client);
    void Button(bool down);

    // The plug-in library, loaded as every host of the project loads it; its test probes are
    // further exports of the same library.
    vorlunda::vsthost::PluginLibrary library;
    std::vector<Plugin*> plugins;
    int parentKeys = 0; // key messages that reached a host window

private:
    static LRESULT CALLBACK ParentProc(HWND, UINT, WPARAM, LPARAM);
    std::vector<HWND> parents;
};

class Plugin {
public:
    Plugin(Host& host, const char* name);
    ~Plugin();
    std::intptr_t Dispatch(int opcode, int index = 0, std::intptr_t value = 0, void* ptr = nullptr,
                           float opt = 0.0f);
    std::intptr_t Open(HWND parent);
    void Close();
    HWND EditorWindow() const;
    double Parameter(int index) const;
    void SetParameter(int index, float value);
    std::string Display(int index);
    void ClearLog();
    int Count(int opcode, int index) const;
    // The last automated value of `index`, or -1 when there was none.
    double LastAutomation(int index) const;
    // The test library's probes.
    int LastAnswer();
    std::string LastFile();
    Objects LiveObjects();
    int LastChoice();
    std::string LastColour();
    // The editor's clipboard text (which = -1, `answer` its result) or a standard folder.
    std::string EditorText(int which, int* answer = nullptr);
    bool RenderHeadless(std::uint32_t* pixels);

    AEffect* effect = nullptr;
    HWND parent = nullptr;
    std::string name;

    struct Call {
        int opcode;
        int index;
        float value;
    };

private:
    // The project's host answering this instance, recording the edits the editor reports
    // (automation, begin and end of a gesture) as they arrive; the rest of its answers are the
    // shared table's.
    class Recorder : public vorlunda::vsthost::Host {
    public:
        Recorder();
        void Clear();
        std::vector<Call> Calls() const;

    protected:
        void Automated(std::int32_t index, float value) override;
        void Edited(std::int32_t opcode, std::int32_t index) override;

    private:
        // A plug-in may call back from any of its threads, not only the window thread.
        mutable std::mutex mutex;
        std::vector<Call> calls;
    };

    Host& host;
    Recorder recorder;
};

// A thread that answers one menu or dialog; the check it made and what it saw.
class Responder {
public:
    explicit Responder(std::function<bool(std::string&)> task);
    ~Responder();
    bool Finish();
    bool Done() const { return done; }
    const std::string& Note() const { return note; }

private:
    std::thread thread;
    std::string note;
    bool result = false;
    std::atomic<bool> done{false};
};

// Responder tasks: each waits at most 5 s for its window.
std::function<bool(std::string&)> AnswerMenuKeys(std::initializer_list<WPARAM> keys);
std::function<bool(std::string&)> AnswerMessageBoxWith(int command);
std::function<bool(std::string&)> AnswerFileDialogWith(const std::string& path);
// Checks the numbered test menu's texts and states, then sends `keys`.
std::function<bool(std::string&)> CheckNumberedMenuThen(std::initializer_list<WPARAM> keys);
// The colour dialog titled `title`: OK.
std::function<bool(std::string&)> AcceptColourDialog(const std::string& title);
bool SetClipboardUnicode(const wchar_t* text);
inline std::function<bool(std::string&)> AnswerMenu(std::initializer_list<WPARAM> keys) {
    return AnswerMenuKeys(keys);
}

std::vector<std::uint32_t> Screenshot(HWND window, int width, int height);
bool SavePng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width,
             int height);
// The PNG's pixels as 0xAARRGGBB, rows top to bottom; empty when it cannot be read.
std::vector<std::uint32_t> LoadPng(const std::string& path, int& width, int& height);
// The whole file; empty when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);
struct PictureDifference {
    int pixels = 0;
    int largest = 0;
};
PictureDifference Compare(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);

std::string WindowText(HWND window);
std::string WideToUtf8(const wchar_t* text);
// The face the system picks for a request of `face`.
std::wstring ResolvedFace(const wchar_t* face);
std::string TemporaryFile(const char* name);
bool SamePath(const std::string& a, const std::string& b);

} // namespace editorhost
