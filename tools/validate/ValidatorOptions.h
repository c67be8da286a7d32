#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlunda::validate {

// The command line: vorlunda2-validate PLUGIN [--seed N] [--quick] [--group NAME] [--limit S]
struct ValidatorOptions {
    std::string plugin;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    bool quick = false;
    std::string group;    // one group only (name or number); empty: all of them
    int limitSeconds = 0; // every group's time limit instead of its own (0: their own)
    // Internal: run `group` in this process and print its report (how the parent starts a
    // child process where there is no fork).
    bool child = false;
    bool help = false;

    // False with a one-line reason.
    static bool Parse(const std::vector<std::string>& arguments, ValidatorOptions& options,
                      std::string& error);
    // The arguments that start a child process for `group` with the same settings.
    std::vector<std::string> ChildArguments(const std::string& group) const;
};

const char* Usage();

} // namespace vorlunda::validate
