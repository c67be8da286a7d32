#include "platform/UserFolders.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace vorlunda::folders {

namespace {

std::string Environment(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string Home() {
    return Environment("HOME");
}

std::string ConfigHome() {
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() && !Home().empty())
        config = Home() + "/.config";
    return config;
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs: a line like XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string XdgDocuments() {
    std::string dir = Environment("XDG_DOCUMENTS_DIR");
    if (!dir.empty())
        return dir;
    const std::string file = ConfigHome() + "/user-dirs.dirs";
    std::FILE* f = std::fopen(file.c_str(), "r");
    if (!f)
        return {};
    char line[1024];
    while (std::fgets(line, sizeof line, f)) {
        const char* prefix = "XDG_DOCUMENTS_DIR=\"";
        if (std::strncmp(line, prefix, std::strlen(prefix)) != 0)
            continue;
        std::string value(line + std::strlen(prefix));
        const auto quote = value.find('"');
        value = value.substr(0, quote);
        if (value.rfind("$HOME", 0) == 0)
            value = Home() + value.substr(5);
        dir = value;
        break;
    }
    std::fclose(f);
    return dir;
}

} // namespace

std::string LocalApplicationData() {
    return ConfigHome();
}

std::string Documents() {
    const std::string docs = XdgDocuments();
    if (!docs.empty() && Exists(docs))
        return docs;
    return Home();
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateFolder(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0 || Exists(path);
}

bool CreatePrivateFolders(const std::string& path) {
    if (path.empty())
        return false;
    // Each prefix ending before a separator, then the whole path; existing levels are kept as
    // they are.
    for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string level = path.substr(0, at);
        if (!level.empty() && !Exists(level) && mkdir(level.c_str(), 0700) != 0 && !Exists(level))
            return false;
        if (at == std::string::npos)
            return true;
    }
}

} // namespace vorlunda::folders
