#include "NumberText.h"

#include <charconv>
#include <cmath>

namespace vorlunda::render {

std::string Fixed(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return "?";
    return std::string(text, result.ptr);
}

std::string Decibels(double amplitude) {
    if (!(amplitude > 0.0))
        return "-inf";
    return Fixed(20.0 * std::log10(amplitude), 2);
}

bool ParseNumber(std::string_view text, double& out) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        !std::isfinite(value))
        return false;
    out = value;
    return true;
}

bool ParseInteger(std::string_view text, long long& out) {
    long long value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return false;
    out = value;
    return true;
}

} // namespace vorlunda::render
