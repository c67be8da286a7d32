// Every test runs with its own configuration folder, never the user's real one: before any test
// starts, XDG_CONFIG_HOME and HOME point into a fresh temporary folder.
#include "support/TestEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace vorlunda::test {

namespace {

std::filesystem::path MakeRoot() {
    std::random_device seed;
    const auto base = std::filesystem::temp_directory_path() /
                      ("vorlunda-tests-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(base / "config");
    std::filesystem::create_directories(base / "home");
#ifndef _WIN32
    setenv("XDG_CONFIG_HOME", (base / "config").string().c_str(), 1);
    setenv("HOME", (base / "home").string().c_str(), 1);
    unsetenv("XDG_DOCUMENTS_DIR");
#endif
    return base;
}

const std::filesystem::path& Root() {
    static const std::filesystem::path root = MakeRoot();
    return root;
}

// Runs before main(): the folder exists before the first instance is constructed.
const bool initialised = !Root().empty();

} // namespace

std::string TemporaryRoot() {
    return Root().string();
}

std::string FreshConfigurationHome() {
    static int counter = 0;
    const auto folder = Root() / ("config-" + std::to_string(++counter));
    std::filesystem::create_directories(folder);
#ifndef _WIN32
    setenv("XDG_CONFIG_HOME", folder.string().c_str(), 1);
#endif
    return folder.string();
}

} // namespace vorlunda::test
