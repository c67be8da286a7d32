#include "support/BuiltPlugin.h"

namespace vorlunda::test {

std::string BuiltPluginPath() {
    return VORLUNDA_PLUGIN_FILE;
}

} // namespace vorlunda::test
