#pragma once

#include <string>

namespace vorlunda::test {

// The per-run temporary folder that holds the tests' configuration and home folders.
std::string TemporaryRoot();
// Points the configuration folder of instances created from now on at a new empty folder
// (Linux; under Windows the configuration lives in the test's own wine prefix).
std::string FreshConfigurationHome();

} // namespace vorlunda::test
