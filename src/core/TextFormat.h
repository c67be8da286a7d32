#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace vorlunda {

// Number formatting and parsing that never depend on the process locale: a host running with a
// German locale must still see "0.50" and be able to type "0.5".

// "%d" of an integer into text (capacity bytes, terminator included).
void FormatInt(long long value, char* text, std::size_t capacity);
// "%.*f" of value with `decimals` digits after the point.
void FormatFixed(double value, int decimals, char* text, std::size_t capacity);
// Copies at most capacity - 1 bytes of src and terminates.
void CopyText(char* dst, std::string_view src, std::size_t capacity);
// Parses a decimal number like strtod in the "C" locale, after leading blanks; trailing text is
// ignored. Answers none when no number starts the text.
std::optional<double> ParseDouble(std::string_view text);

} // namespace vorlunda
