#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlunda::validate {

struct SampleFaults;

enum class Verdict { Passed, Failed, NotApplicable };

// What one group found: its figures (what was done and measured), its failures, or why it does
// not apply to this plug-in binary. A group runs in a child process, which hands its report to
// the parent as text (Serialise / Parse); a child that dies leaves no complete report.
class GroupReport {
public:
    static constexpr std::size_t kKeptFailures = 5; // described; the rest only counted

    void Figure(std::string text);
    void Fail(std::string what);
    // A failure that explains the others (the child crashed or hung): kept first, so that it
    // is shown however many failures the group had found before.
    void FailFirst(std::string what);
    // Fails once with the summary when the faults hold more than subnormal output.
    void Faults(const SampleFaults& faults, std::string_view what);
    void NotApplicable(std::string why);
    // Something a user should know that is not a fault (a plug-in merely slow, a text beyond
    // the interface's limit that hosts cope with): shown among the figures, fails nothing.
    void Warn(const std::string& what);

    Verdict Result() const;
    const std::vector<std::string>& Figures() const { return figures; }
    const std::vector<std::string>& Failures() const { return failures; }
    long FailureCount() const { return failureCount; }
    const std::string& Reason() const { return reason; }

    std::string Serialise() const;
    // False when the text holds no complete report (the child died while writing it).
    static bool Parse(std::string_view text, GroupReport& report);

private:
    std::vector<std::string> figures;
    std::vector<std::string> failures;
    long failureCount = 0;
    std::string reason; // not applicable, and why
};

} // namespace vorlunda::validate
