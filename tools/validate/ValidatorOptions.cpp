#include "ValidatorOptions.h"

#include <charconv>

namespace vorlunda::validate {

const char* Usage() {
    return "usage: vorlunda2-validate PLUGIN [--seed N] [--quick] [--group NAME] [--limit S]\n"
           "  PLUGIN        a VST 2.4 instrument library (.so, or .dll in the Windows build)\n"
           "  --seed N      the seed of every random choice (default: from the clock; printed)\n"
           "  --quick       fewer iterations in the longer groups (the test command's mode)\n"
           "  --group NAME  run one group only, by name or number (1..12)\n"
           "  --limit S     every group's time limit in seconds instead of its own\n"
           "Groups: 1 Load, 2 Lifecycle, 3 Grid, 4 VariableBlocks, 5 MidiFuzz, 6 ParameterFuzz,\n"
           "        7 Threads, 8 State, 9 Denormals, 10 Realtime, 11 OddHosts, 12 Determinism\n"
           "Each group runs in its own process under a time limit; the exit code is 1 when any\n"
           "group fails, 2 for a usage error.\n";
}

bool ValidatorOptions::Parse(const std::vector<std::string>& arguments, ValidatorOptions& options,
                             std::string& error) {
    options = ValidatorOptions();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](const char* name) -> const std::string* {
            if (i + 1 >= arguments.size()) {
                error = std::string(name) + " needs a value";
                return nullptr;
            }
            return &arguments[++i];
        };
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--quick") {
            options.quick = true;
        } else if (a == "--child") {
            options.child = true;
        } else if (a == "--seed") {
            const std::string* text = value("--seed");
            if (!text)
                return false;
            const char* end = text->data() + text->size();
            const auto [at, code] = std::from_chars(text->data(), end, options.seed);
            if (code != std::errc() || at != end || text->empty()) {
                error = "--seed takes a whole number, not '" + *text + "'";
                return false;
            }
            options.seedGiven = true;
        } else if (a == "--group") {
            const std::string* text = value("--group");
            if (!text)
                return false;
            options.group = *text;
        } else if (a == "--limit") {
            const std::string* text = value("--limit");
            if (!text)
                return false;
            const char* end = text->data() + text->size();
            const auto [at, code] = std::from_chars(text->data(), end, options.limitSeconds);
            if (code != std::errc() || at != end || options.limitSeconds <= 0) {
                error = "--limit takes a whole number of seconds, not '" + *text + "'";
                return false;
            }
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else if (options.plugin.empty()) {
            options.plugin = a;
        } else {
            error = "more than one plug-in given ('" + options.plugin + "', '" + a + "')";
            return false;
        }
    }
    if (!options.help && options.plugin.empty()) {
        error = "no plug-in given";
        return false;
    }
    if (options.child && options.group.empty()) {
        error = "--child needs --group";
        return false;
    }
    return true;
}

std::vector<std::string> ValidatorOptions::ChildArguments(const std::string& name) const {
    std::vector<std::string> arguments = {"--child", "--group", name, "--seed",
                                          std::to_string(seed)};
    if (quick)
        arguments.push_back("--quick");
    if (limitSeconds > 0) {
        arguments.push_back("--limit");
        arguments.push_back(std::to_string(limitSeconds));
    }
    arguments.push_back(plugin);
    return arguments;
}

} // namespace vorlunda::validate
