#pragma once
// Text between the project's UTF-8 and the UTF-16 of the Windows wide-character functions.
#include <string>

namespace vorlunda {

// UTF-8 to UTF-16 (invalid sequences become U+FFFD); empty for null or empty text.
std::wstring Widen(const char* text);
inline std::wstring Widen(const std::string& text) {
    return Widen(text.c_str());
}
// A path: UTF-8 first; bytes that are not valid UTF-8 came from an ANSI source (the "A"
// functions) and are read in the ANSI code page.
std::wstring WidenPath(const char* text);
// UTF-16 to UTF-8: `length` units, or up to the terminator when negative; empty for null text.
std::string Narrow(const wchar_t* text, int length = -1);

} // namespace vorlunda
