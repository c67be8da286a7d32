#pragma once

#include <string>
#include <string_view>

namespace vorlunda::render {

// Numbers in and out of text with a decimal point whatever the C locale says.
std::string Fixed(double value, int decimals);
std::string Decibels(double amplitude);               // "-6.02" or "-inf", relative to full scale
bool ParseNumber(std::string_view text, double& out); // the whole text must be the number
bool ParseInteger(std::string_view text, long long& out);

} // namespace vorlunda::render
