#pragma once

#include <string>

namespace vorlunda {

// UTF-8 to the UTF-16 of the Windows wide-character functions; empty when `text` is not UTF-8.
std::wstring Widen(const std::string& text);

} // namespace vorlunda
