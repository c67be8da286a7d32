#pragma once

#include <string>

namespace vorlunda::test {

// The plug-in library built next to the tests, as the system's library loader names it.
std::string BuiltPluginPath();

} // namespace vorlunda::test
