#pragma once

#include "GroupReport.h"
#include "Groups.h"
#include "ValidatorOptions.h"

#include <functional>
#include <string>

namespace vorlunda::validate {

// Runs one group in a child process of its own under the group's time limit, so that a crash
// or a hang is that group's failure and every group starts from a freshly loaded library.
// POSIX forks (the child runs the group body directly); Windows has no fork, so the validator
// starts itself again with --child --group NAME and reads the report from the child's output.
class GroupRunner {
public:
    explicit GroupRunner(const ValidatorOptions& options) : options(options) {}

    // A crash, a hang past the limit or a child that ends without a complete report fails
    // the group, naming what happened and the stage the child had reached.
    GroupReport Run(const GroupInfo& group, double& seconds);

    // First thing in a child process: crashes end the process at once with their code,
    // without dialogs or debuggers.
    static void PrepareChild();

private:
    // The group's wall-clock limit in seconds: the one given on the command line, else the
    // group's own stretched for sanitizer builds.
    int LimitSeconds(const GroupInfo& group) const;
    // The child's report when it ended cleanly with a complete one, else that report with the
    // failure `what` (and the stage the child had reached) in front.
    static GroupReport ChildReport(const std::string& output, bool cleanExit, std::string what);
    // A group that could not even start its child.
    static GroupReport NotStarted(const std::string& why);

    const ValidatorOptions& options;
};

// Runs a group's body in this process (the child's side of GroupRunner::Run). `stage` passes
// the group's progress notes on to the parent.
GroupReport RunGroupHere(const GroupInfo& group, const ValidatorOptions& options,
                         const std::function<void(const std::string&)>& stage);

// The last progress note in a child's output ("" when there is none).
std::string LastStage(const std::string& output);

} // namespace vorlunda::validate
