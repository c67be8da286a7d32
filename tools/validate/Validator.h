#pragma once

#include "ValidatorOptions.h"

namespace vorlunda::validate {

// Runs the groups the options ask for, each in its own child process, prints one line per
// group and the summary, and answers the exit code (0 all passed, 1 a group failed). In a
// child (--child) it runs the one group here and prints its report for the parent.
int RunValidator(ValidatorOptions options);

} // namespace vorlunda::validate
