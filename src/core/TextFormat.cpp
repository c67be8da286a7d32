#include "core/TextFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace vorlunda {

void FormatInt(long long value, char* text, std::size_t capacity) {
    if (capacity == 0)
        return;
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
    CopyText(text, std::string_view(buffer, ec == std::errc() ? end - buffer : 0), capacity);
}

void FormatFixed(double value, int decimals, char* text, std::size_t capacity) {
    if (capacity == 0)
        return;
    if (std::isnan(value)) {
        CopyText(text, std::signbit(value) ? "-nan" : "nan", capacity);
        return;
    }
    if (std::isinf(value)) {
        CopyText(text, value < 0 ? "-inf" : "inf", capacity);
        return;
    }
    char buffer[400]; // the longest fixed-point double is about 330 characters
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, decimals);
    CopyText(text, std::string_view(buffer, ec == std::errc() ? end - buffer : 0), capacity);
}

void CopyText(char* dst, std::string_view src, std::size_t capacity) {
    if (capacity == 0)
        return;
    const std::size_t n = src.size() < capacity - 1 ? src.size() : capacity - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

std::optional<double> ParseDouble(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\f' || text[i] == '\v'))
        ++i;
    text.remove_prefix(i);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
        if (!text.empty() && (text[0] == '+' || text[0] == '-'))
            return std::nullopt; // from_chars would accept "--1" after our own sign strip
    }
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ptr == text.data())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: a negative exponent means it underflowed.
        const std::string_view digits(text.data(), static_cast<std::size_t>(ptr - text.data()));
        const bool underflow = digits.find("e-") != std::string_view::npos ||
                               digits.find("E-") != std::string_view::npos;
        v = underflow ? 0.0 : HUGE_VAL;
    }
    return negative ? -v : v;
}

} // namespace vorlunda
