#include "CanaryText.h"

#include <algorithm>

namespace vorlunda::validate {

CanaryText::Verdict CanaryText::Check() const {
    Verdict verdict;
    verdict.untouched =
        std::all_of(bytes.begin(), bytes.end(), [](char b) { return b == kCanary; });
    const auto end = std::find(bytes.begin(), bytes.end(), '\0');
    verdict.terminated = end != bytes.end();
    if (!verdict.terminated)
        return verdict;
    verdict.length = static_cast<int>(end - bytes.begin());
    verdict.clean = std::all_of(end + 1, bytes.end(), [](char b) { return b == kCanary; });
    const auto last =
        std::find_if(bytes.rbegin(), bytes.rend(), [](char b) { return b != kCanary; });
    verdict.reach = static_cast<int>(bytes.rend() - last);
    verdict.zeroPadded =
        std::all_of(end + 1, bytes.begin() + verdict.reach, [](char b) { return b == '\0'; });
    return verdict;
}

std::string CanaryText::Text() const {
    const auto end = std::find(bytes.begin(), bytes.end(), '\0');
    if (end == bytes.end())
        return {};
    return std::string(bytes.begin(), end);
}

} // namespace vorlunda::validate
