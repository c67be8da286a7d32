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

} // namespace vorlunda::folders
