#include "support/BuiltPlugin.h"

namespace vorlunda::test {

std::string BuiltPluginPath() {
    // The build tree's path as wine sees it: the Unix root is drive Z:.
    std::string path = "Z:" VORLUNDA_PLUGIN_FILE;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

} // namespace vorlunda::test
