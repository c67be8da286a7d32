#pragma once

// The instrument with an editor on a headless window whose menus, message boxes and file dialogs
// are answered by the test's script, and which records what each of them was shown.
#include "editor/CommandFolders.h"
#include "engine/Vorlunda2.h"
#include "graphics/HeadlessWindow.h"
#include "graphics/IGraphics.h"
#include "support/TestEnvironment.h"

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace vorlunda::test {

// Paths are UTF-8 in the plug-in; std::filesystem takes them as char8_t text.
inline std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class ScriptedWindow : public HeadlessWindow {
public:
    struct Dialog {
        std::string file;   // proposed name
        int action;         // FileAction
        std::string folder; // starting folder
        std::string extensions;
    };

    bool ChooseFile(std::string& file, int action, std::string& folder,
                    const char* extensions) override {
        dialogs.push_back({file, action, folder, extensions ? extensions : ""});
        std::string answer;
        if (!files.empty()) {
            answer = files.front();
            files.pop_front();
        }
        file = answer;
        if (!answer.empty())
            folder = Utf8(FsPath(answer).parent_path());
        return !answer.empty();
    }
    int ShowMessage(const char* text, const char* caption, int type) override {
        HeadlessWindow::ShowMessage(text, caption, type);
        if (answers.empty())
            return messageAnswer;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::string> files; // what the user picks in the next dialogs ("" cancels)
    std::deque<int> answers;       // answers to the next message boxes, else messageAnswer
    std::vector<Dialog> dialogs;
};

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(FsPath(path), std::ios::binary) << bytes;
}

// A fresh configuration folder (its INI file removed), a new instance holding factory bank 2, and
// an open editor on a scripted window. The process-wide folders start anew.
struct CommandFixture {
    std::unique_ptr<Vorlunda2> plug;
    ScriptedWindow* window = nullptr;
    IGraphics* editor = nullptr;
    std::string folder; // a scratch folder of this fixture

    explicit CommandFixture(const std::string& ini = "") {
        FreshConfigurationHome();
        {
            Vorlunda2 probe; // finds the file's path (and creates the folder)
            std::remove(probe.IniPath().c_str());
            if (!ini.empty())
                WriteFileBytes(probe.IniPath(), ini);
        }
        CommandFolders::Forget();
        plug = std::make_unique<Vorlunda2>();
        AttachEditor();
        static int counter = 0;
        folder = Utf8(FsPath(TemporaryRoot()) / ("commands-" + std::to_string(++counter)));
        std::filesystem::create_directories(FsPath(folder));
    }
    // Under Windows every instance of the test process shares one configuration file: the
    // settings written here must not reach the instances of later tests.
    ~CommandFixture() {
        CommandFolders::Forget();
        std::remove(plug->IniPath().c_str());
    }

    void AttachEditor() {
        auto w = std::make_unique<ScriptedWindow>();
        window = w.get();
        auto graphics = std::make_unique<IGraphics>(*plug, std::move(w));
        editor = graphics.get();
        plug->AttachEditor(graphics.release());
        editor->OpenEditorWindow(reinterpret_cast<void*>(0x1234));
    }
    std::string Path(const std::string& name) const { return Utf8(FsPath(folder) / FsPath(name)); }
    // Every slot's name and the parameter values its state holds (whatever layout the state was
    // stored in), and last the current program with its live parameters.
    std::vector<std::string> Programs() {
        std::vector<std::string> all;
        for (int i = 0; i < plug->ProgramCount(); ++i) {
            const PresetSlot* slot = plug->Preset(i);
            probe.ReadState(slot->state, 0);
            all.push_back(slot->name + Values(probe));
        }
        all.push_back(std::to_string(plug->CurrentProgram()) + Values(*plug));
        return all;
    }
    static std::string Values(Vorlunda2& instance) {
        std::string text;
        for (int p = 0; p < instance.ParameterCount(); ++p)
            text += ' ' + std::to_string(instance.Parameter(p)->RealValue());
        return text;
    }
    Vorlunda2 probe; // reads stored states
};

} // namespace vorlunda::test
