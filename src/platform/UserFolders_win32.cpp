#include "platform/UserFolders.h"

#include <shlobj.h>
#include <windows.h>

namespace vorlunda::folders {

namespace {
std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, csidl, nullptr, 0, path) != S_OK)
        return {};
    return path;
}
} // namespace

std::string LocalApplicationData() {
    return ShellFolder(CSIDL_LOCAL_APPDATA);
}
std::string Documents() {
    return ShellFolder(CSIDL_PERSONAL);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsRegularFile(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0 || Exists(path);
}

bool CreatePrivateFolders(const std::string& path) {
    // The profile folder the shell names always exists; levels below it inherit its access
    // rights, which are the user's own.
    for (std::size_t at = path.find_first_of("\\/", 3);; at = path.find_first_of("\\/", at + 1)) {
        const std::string level = path.substr(0, at);
        if (!Exists(level) && !CreateFolder(level))
            return false;
        if (at == std::string::npos)
            return true;
    }
}

} // namespace vorlunda::folders
