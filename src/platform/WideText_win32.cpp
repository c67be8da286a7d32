#include "platform/WideText_win32.h"

#include <windows.h>

namespace vorlunda {

namespace {

// Converts in `codePage`; false when the conversion fails (with `flags`, on invalid input).
bool Convert(UINT codePage, DWORD flags, const char* text, std::wstring& wide) {
    const int length = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
    if (length <= 0)
        return false;
    wide.assign(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(codePage, flags, text, -1, wide.data(), length) != length)
        return false;
    wide.resize(static_cast<std::size_t>(length - 1));
    return true;
}

} // namespace

std::wstring Widen(const char* text) {
    std::wstring wide;
    if (!text || !*text || !Convert(CP_UTF8, 0, text, wide))
        return {};
    return wide;
}

std::wstring WidenPath(const char* text) {
    std::wstring wide;
    if (!text || !*text)
        return {};
    if (Convert(CP_UTF8, MB_ERR_INVALID_CHARS, text, wide) || Convert(CP_ACP, 0, text, wide))
        return wide;
    return {};
}

std::string Narrow(const wchar_t* text, int length) {
    if (!text || length == 0 || (length < 0 && !*text))
        return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
    if (length < 0)
        out.resize(static_cast<std::size_t>(bytes - 1)); // the terminator was converted too
    return out;
}

} // namespace vorlunda
