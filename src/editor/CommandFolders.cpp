#include "editor/CommandFolders.h"

#include "synth/Synth.h"

#include <mutex>
#include <utility>

namespace vorlunda {

namespace {

struct Folders {
    std::mutex lock;
    bool prepared = false;
    std::string lastProgram;
    std::string lastStartupBank;
};

Folders& Shared() {
    static Folders folders;
    return folders;
}

} // namespace

void CommandFolders::Prepare(const Synth& synth) {
    Folders& f = Shared();
    std::lock_guard<std::mutex> guard(f.lock);
    if (f.prepared)
        return;
    f.prepared = true;
    f.lastProgram = synth.ProgramFilesPath();
    f.lastStartupBank = synth.DocumentsPath();
}

bool CommandFolders::Prepared() {
    Folders& f = Shared();
    std::lock_guard<std::mutex> guard(f.lock);
    return f.prepared;
}

std::string CommandFolders::LastProgramFolder() {
    Folders& f = Shared();
    std::lock_guard<std::mutex> guard(f.lock);
    return f.lastProgram;
}

void CommandFolders::SetLastProgramFolder(std::string folder) {
    Folders& f = Shared();
    std::lock_guard<std::mutex> guard(f.lock);
    f.lastProgram = std::move(folder);
}

std::string CommandFolders::LastStartupBankFolder() {
    Folders& f = Shared();
    std::lock_guard<std::mutex> guard(f.lock);
    return f.lastStartupBank;
}

void CommandFolders::SetLastStartupBankFolder(std::string folder) {
    Folders& f = Shared();
    std::lock_guard<std::mutex> guard(f.lock);
    f.lastStartupBank = std::move(folder);
}

void CommandFolders::Forget() {
    Folders& f = Shared();
    std::lock_guard<std::mutex> guard(f.lock);
    f.prepared = false;
    f.lastProgram.clear();
    f.lastStartupBank.clear();
}

std::string CommandFolders::FolderOf(std::string_view path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string_view::npos)
        return {};
    return std::string(path.substr(0, separator));
}

} // namespace vorlunda
