#include "Groups.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#if defined(__SANITIZE_THREAD__)
// Under ThreadSanitizer the first data race ends the child process with the sanitizer's exit
// code (66), which fails its group; by default the report would only be printed.
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_options() {
    return "halt_on_error=1";
}
#endif

namespace vorlunda::validate {

const std::vector<GroupInfo>& AllGroups() {
    // Limits are far above a healthy plug-in's time (the full run of Vorlunda2 takes a few
    // seconds per group natively) and leave room for wine and a busy machine.
    static const std::vector<GroupInfo> groups = {
        {1, "Load", RunLoadGroup, 120},
        {2, "Lifecycle", RunLifecycleGroup, 120},
        {3, "Grid", RunGridGroup, 180},
        {4, "VariableBlocks", RunVariableBlocksGroup, 120},
        {5, "MidiFuzz", RunMidiFuzzGroup, 300},
        {6, "ParameterFuzz", RunParameterFuzzGroup, 180},
        {7, "Threads", RunThreadsGroup, 180},
        {8, "State", RunStateGroup, 300},
        {9, "Denormals", RunDenormalsGroup, 240},
        {10, "Realtime", RunRealtimeGroup, 120},
        {11, "OddHosts", RunOddHostsGroup, 120},
        {12, "Determinism", RunDeterminismGroup, 180},
        {13, "Editor", RunEditorGroup, 120},
        {0, "LoadTime", RunLoadTimeHelper, 60},
        {0, "DeterminismRun", RunDeterminismHelper, 80},
        {0, "LifecycleEarly", RunLifecycleEarlyHelper, 60},
        {0, "LifecycleCycles", RunLifecycleCyclesHelper, 100},
        {0, "Programs", RunProgramsHelper, 60},
        {0, "GridRate", RunGridRateHelper, 120},
        {0, "StateNull", RunStateNullHelper, 60},
        {0, "Probe", RunProbeHelper, 60},
    };
    return groups;
}

const GroupInfo* FindGroup(std::string_view key) {
    int number = -1;
    std::from_chars(key.data(), key.data() + key.size(), number);
    auto same = [&](const char* name) {
        const std::string_view n(name);
        return n.size() == key.size() &&
               std::equal(n.begin(), n.end(), key.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    for (const GroupInfo& group : AllGroups())
        if (same(group.name) || (group.number > 0 && group.number == number))
            return &group;
    return nullptr;
}

int TimeLimitFactor() {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    return 10;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
    return 10;
#else
    return 1;
#endif
#else
    return 1;
#endif
}

} // namespace vorlunda::validate
