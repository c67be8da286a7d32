#include "Validator.h"

#include "GroupRunner.h"
#include "Groups.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

namespace vorlunda::validate {

namespace {

constexpr int kNameWidth = 15;

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::Passed:
        return "pass";
    case Verdict::Failed:
        return "FAIL";
    case Verdict::NotApplicable:
        return "n/a ";
    }
    return "?";
}

std::string Join(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty())
            text += ", ";
        text += item;
    }
    return text;
}

void PrintLine(const GroupInfo& group, const GroupReport& report, double seconds) {
    std::string figures = Join(report.Figures());
    if (report.Result() == Verdict::NotApplicable)
        figures = report.Reason() + (figures.empty() ? "" : "; " + figures);
    std::printf("%2d %-*s %s  %s  (%.1f s)\n", group.number, kNameWidth, group.name,
                VerdictText(report.Result()), figures.c_str(), seconds);
    for (const std::string& failure : report.Failures())
        std::printf("     - %s\n", failure.c_str());
    const long more = report.FailureCount() - static_cast<long>(report.Failures().size());
    if (more > 0)
        std::printf("     - and %ld more\n", more);
    std::fflush(stdout);
}

int RunChild(const ValidatorOptions& options) {
    const GroupInfo* group = FindGroup(options.group);
    if (!group) {
        std::fprintf(stderr, "vorlunda2-validate: no group '%s'\n", options.group.c_str());
        return 2;
    }
    GroupRunner::PrepareChild();
    const GroupReport report = RunGroupHere(*group, options, [](const std::string& stage) {
        std::printf("s %s\n", stage.c_str());
        std::fflush(stdout);
    });
    std::fputs(report.Serialise().c_str(), stdout);
    std::fflush(stdout);
    return 0;
}

} // namespace

GroupReport RunGroupHere(const GroupInfo& group, const ValidatorOptions& options,
                         const std::function<void(const std::string&)>& stage) {
    GroupReport report;
    std::string lastStage;
    auto noteStage = [&](const std::string& text) {
        lastStage = text;
        stage(text);
    };
    GroupContext context{options, Random(options.seed).Derive(group.name),
                         [&options](const std::string& name) {
                             GroupRunner runner(options);
                             double seconds = 0.0;
                             const GroupInfo* helper = FindGroup(name);
                             if (!helper) {
                                 GroupReport missing;
                                 missing.Fail("no helper group " + name);
                                 return missing;
                             }
                             return runner.Run(*helper, seconds);
                         },
                         noteStage};
    try {
        group.body(context, report);
    } catch (const std::exception& e) {
        // Nothing in the validator's own code throws but an allocation: an exception here has
        // almost always come out of a plug-in call, through an interface that has none.
        report.FailFirst(std::string("stopped on an exception thrown out of a call (") + e.what() +
                         ")" + (lastStage.empty() ? "" : " while: " + lastStage));
    } catch (...) {
        report.FailFirst("stopped on an exception thrown out of a call" +
                         (lastStage.empty() ? std::string() : " while: " + lastStage));
    }
    return report;
}

std::string LastStage(const std::string& output) {
    std::size_t at = output.rfind("\ns ");
    if (at == std::string::npos) {
        if (output.compare(0, 2, "s ") != 0)
            return {};
        at = 0;
    } else {
        at += 1;
    }
    const std::size_t end = output.find('\n', at);
    std::string stage =
        output.substr(at + 2, end == std::string::npos ? std::string::npos : end - at - 2);
    if (!stage.empty() && stage.back() == '\r')
        stage.pop_back();
    return stage;
}

int RunValidator(ValidatorOptions options) {
    if (options.child)
        return RunChild(options);
    std::error_code ec;
    if (!std::filesystem::exists(options.plugin, ec)) {
        std::fprintf(stderr, "vorlunda2-validate: no such file: %s\n", options.plugin.c_str());
        return 2;
    }
    const GroupInfo* only = nullptr;
    if (!options.group.empty()) {
        only = FindGroup(options.group);
        if (!only || only->number == 0) {
            std::fprintf(stderr, "vorlunda2-validate: no group '%s'\n%s", options.group.c_str(),
                         Usage());
            return 2;
        }
    }
    if (!options.seedGiven)
        options.seed = FreshSeed();
    std::printf("vorlunda2-validate %s\nseed %llu (--seed %llu repeats this run)%s\n",
                options.plugin.c_str(), static_cast<unsigned long long>(options.seed),
                static_cast<unsigned long long>(options.seed), options.quick ? ", quick mode" : "");
    std::fflush(stdout);

    GroupRunner runner(options);
    // A library without an instrument is refused once (exit code 2), before any group; one
    // that cannot even be probed is left to the groups, which say what happens.
    if (const GroupInfo* probe = FindGroup("Probe")) {
        double seconds = 0.0;
        const GroupReport report = runner.Run(*probe, seconds);
        if (report.Result() == Verdict::NotApplicable) {
            std::printf("not validated: %s\n", report.Reason().c_str());
            return 2;
        }
    }

    int passed = 0;
    int failed = 0;
    int notApplicable = 0;
    for (const GroupInfo& group : AllGroups()) {
        if (group.number == 0 || (only && &group != only))
            continue;
        double seconds = 0.0;
        const GroupReport report = runner.Run(group, seconds);
        PrintLine(group, report, seconds);
        switch (report.Result()) {
        case Verdict::Passed:
            ++passed;
            break;
        case Verdict::Failed:
            ++failed;
            break;
        case Verdict::NotApplicable:
            ++notApplicable;
            break;
        }
    }
    if (notApplicable > 0)
        std::printf("%d passed, %d failed (%d not applicable)\n", passed, failed, notApplicable);
    else
        std::printf("%d passed, %d failed\n", passed, failed);
    return failed > 0 ? 1 : 0;
}

} // namespace vorlunda::validate
