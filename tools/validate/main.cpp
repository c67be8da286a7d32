// vorlunda2-validate: a headless VST 2.4 validator for instrument plug-ins (docs/validator.md).
#include "Validator.h"
#include "ValidatorOptions.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace vorlunda::validate;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ValidatorOptions options;
    std::string error;
    if (!ValidatorOptions::Parse(arguments, options, error)) {
        std::fprintf(stderr, "vorlunda2-validate: %s\n%s", error.c_str(), Usage());
        return 2;
    }
    if (options.help) {
        std::fputs(Usage(), stdout);
        return 0;
    }
    return RunValidator(options);
}
