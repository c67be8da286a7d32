#include "GroupReport.h"

#include "SampleCheck.h"

#include <cstdlib>

namespace vorlunda::validate {

namespace {

constexpr std::string_view kBegin = "=report";
constexpr std::string_view kEnd = "=end";

// Items travel one per line.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

} // namespace

void GroupReport::Figure(std::string text) {
    figures.push_back(OneLine(std::move(text)));
}

void GroupReport::Fail(std::string what) {
    ++failureCount;
    if (failures.size() < kKeptFailures)
        failures.push_back(OneLine(std::move(what)));
}

void GroupReport::FailFirst(std::string what) {
    ++failureCount;
    failures.insert(failures.begin(), OneLine(std::move(what)));
    if (failures.size() > kKeptFailures)
        failures.pop_back();
}

void GroupReport::Faults(const SampleFaults& faults, std::string_view what) {
    // Subnormal output is judged once, by what it costs (Denormals), not here.
    if (faults.Severe() == 0)
        return;
    Fail(std::string(what) + ": " + faults.Summary() + "; first: " + faults.first);
}

void GroupReport::Warn(const std::string& what) {
    figures.push_back(OneLine("warning: " + what));
}

void GroupReport::NotApplicable(std::string why) {
    reason = OneLine(std::move(why));
}

Verdict GroupReport::Result() const {
    if (failureCount > 0)
        return Verdict::Failed;
    return reason.empty() ? Verdict::Passed : Verdict::NotApplicable;
}

std::string GroupReport::Serialise() const {
    std::string text(kBegin);
    text += '\n';
    for (const std::string& f : figures)
        text += "f " + f + '\n';
    for (const std::string& f : failures)
        text += "x " + f + '\n';
    text += "c " + std::to_string(failureCount) + '\n';
    if (!reason.empty())
        text += "n " + reason + '\n';
    text += kEnd;
    text += '\n';
    return text;
}

bool GroupReport::Parse(std::string_view text, GroupReport& report) {
    report = GroupReport();
    const auto begin = text.find(kBegin);
    if (begin == std::string_view::npos)
        return false;
    text.remove_prefix(begin + kBegin.size());
    bool complete = false;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1); // a child's text-mode output under Windows
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (line == kEnd) {
            complete = true;
            break;
        }
        if (line.size() < 2)
            continue;
        const std::string item(line.substr(2));
        switch (line[0]) {
        case 'f':
            report.figures.push_back(item);
            break;
        case 'x':
            report.failures.push_back(item);
            break;
        case 'c':
            report.failureCount = std::strtol(item.c_str(), nullptr, 10);
            break;
        case 'n':
            report.reason = item;
            break;
        default:
            break;
        }
    }
    // A failure described but not counted cannot pass.
    if (report.failureCount < static_cast<long>(report.failures.size()))
        report.failureCount = static_cast<long>(report.failures.size());
    return complete;
}

} // namespace vorlunda::validate
