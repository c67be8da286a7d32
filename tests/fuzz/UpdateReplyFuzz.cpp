// The update check's reply and server-setting parsers on arbitrary bytes: a number is accepted
// only when the whole reply is one (blanks, a sign, at most nine digits, trailing white space),
// the release text built from it is well formed, and a server setting is accepted only as a
// plain host with a port in range.
#include "editor/UpdateCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace vorlunda;

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    if (const auto number = UpdateCheck::ParseReleaseNumber(reply)) {
        if (*number > 999999999 || *number < -999999999)
            std::abort();
        // The digits of the number appear in the reply as they are (leading zeros aside).
        const std::string digits = std::to_string(*number < 0 ? -*number : *number);
        if (reply.find(digits) == std::string_view::npos)
            std::abort();
        if (reply.find('<') != std::string_view::npos)
            std::abort();
        const std::string release = UpdateCheck::ReleaseText(*number);
        if (*number >= UpdateCheck::kNewerRelease) {
            // "d.d.rest", rest made of digits only.
            if (release.size() < 5 || !IsDigit(release[0]) || release[1] != '.' ||
                !IsDigit(release[2]) || release[3] != '.')
                std::abort();
            for (std::size_t i = 4; i < release.size(); ++i) {
                if (!IsDigit(release[i]))
                    std::abort();
            }
            // The message that shows it is built without fault.
            if (UpdateCheck::NewVersionText(release, "http://www.example.com/").empty())
                std::abort();
        }
    }
    if (const auto server = UpdateCheck::ParseServer(reply)) {
        if (server->host.empty() || server->port < 1 || server->port > 65535)
            std::abort();
        for (char c : server->host) {
            if (!(IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
                  c == '-'))
                std::abort();
        }
    }
    return 0;
}
