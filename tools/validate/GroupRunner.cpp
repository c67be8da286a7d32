// The part of running a group in a child process that is the same on every system: the time
// limit and what the child's output and ending make of the group's report.
#include "GroupRunner.h"

namespace vorlunda::validate {

int GroupRunner::LimitSeconds(const GroupInfo& group) const {
    return options.limitSeconds > 0 ? options.limitSeconds : group.limitSeconds * TimeLimitFactor();
}

GroupReport GroupRunner::ChildReport(const std::string& output, bool cleanExit, std::string what) {
    GroupReport report;
    const bool complete = GroupReport::Parse(output, report);
    if (complete && cleanExit)
        return report;
    const std::string stage = LastStage(output);
    if (!stage.empty())
        what += " while: " + stage;
    report.FailFirst(what);
    return report;
}

GroupReport GroupRunner::NotStarted(const std::string& why) {
    GroupReport report;
    report.Fail(why);
    return report;
}

} // namespace vorlunda::validate
