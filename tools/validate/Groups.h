#pragma once

#include "GroupReport.h"
#include "Random.h"
#include "ValidatorOptions.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlunda::validate {

// What a group's body works with, in its child process.
struct GroupContext {
    const ValidatorOptions& options;
    Random random; // this group's own stream, derived from the seed and the group's name
    // Runs a helper group in a fresh child process of its own (a cold start, or a second run
    // that shares nothing with the first) and answers its report.
    std::function<GroupReport(const std::string& group)> runChild;
    // Tells the parent what the group is doing now, so that a crash or a hang can be placed.
    std::function<void(const std::string& stage)> stage;

    bool Quick() const { return options.quick; }
    // The full figure, or the quick one in --quick mode.
    int Count(int full, int quick) const { return options.quick ? quick : full; }
};

using GroupBody = void (*)(GroupContext& context, GroupReport& report);

struct GroupInfo {
    int number;       // 1..13 as the validator lists them; 0 for helpers other groups start
    const char* name; // as given to --group
    GroupBody body;
    int limitSeconds; // wall-clock limit of the group's child process
};

const std::vector<GroupInfo>& AllGroups();
// By name (any letter case) or number; null when there is no such group.
const GroupInfo* FindGroup(std::string_view nameOrNumber);
// Sanitizer builds run many times slower; their limits are stretched by this factor.
int TimeLimitFactor();

// The group bodies (groups/*.cpp).
void RunLoadGroup(GroupContext& context, GroupReport& report);
void RunLoadTimeHelper(GroupContext& context, GroupReport& report);
void RunLifecycleGroup(GroupContext& context, GroupReport& report);
void RunLifecycleEarlyHelper(GroupContext& context, GroupReport& report);
void RunLifecycleCyclesHelper(GroupContext& context, GroupReport& report);
void RunProgramsHelper(GroupContext& context, GroupReport& report);
void RunGridGroup(GroupContext& context, GroupReport& report);
void RunGridRateHelper(GroupContext& context, GroupReport& report);
void RunVariableBlocksGroup(GroupContext& context, GroupReport& report);
void RunMidiFuzzGroup(GroupContext& context, GroupReport& report);
void RunParameterFuzzGroup(GroupContext& context, GroupReport& report);
void RunThreadsGroup(GroupContext& context, GroupReport& report);
void RunStateGroup(GroupContext& context, GroupReport& report);
void RunStateNullHelper(GroupContext& context, GroupReport& report);
void RunProbeHelper(GroupContext& context, GroupReport& report);
void RunDenormalsGroup(GroupContext& context, GroupReport& report);
void RunRealtimeGroup(GroupContext& context, GroupReport& report);
void RunOddHostsGroup(GroupContext& context, GroupReport& report);
void RunDeterminismGroup(GroupContext& context, GroupReport& report);
void RunDeterminismHelper(GroupContext& context, GroupReport& report);
void RunEditorGroup(GroupContext& context, GroupReport& report);

} // namespace vorlunda::validate
