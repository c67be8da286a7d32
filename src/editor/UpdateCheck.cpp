#include "editor/UpdateCheck.h"

#include "graphics/IGraphics.h"
#include "synth/Synth.h"

#include <exception>

namespace vorlunda {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsTrailingSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '.' || c == '-';
}

// The error box, built without letting an exception out (the check runs under the host's
// window procedure).
void ShowFailure(IGraphics& editor, const std::string& domain) noexcept {
    try {
        editor.ShowMessage(UpdateCheck::ErrorText(domain).c_str(), UpdateCheck::kCaption,
                           UpdateCheck::kErrorBox);
    } catch (const std::exception&) {
        // No memory even for the text: the check ends silently.
    }
}

} // namespace

std::optional<int> UpdateCheck::ParseReleaseNumber(std::string_view reply) {
    std::size_t i = 0;
    while (i < reply.size() && IsBlank(reply[i]))
        ++i;
    bool negative = false;
    if (i < reply.size() && (reply[i] == '+' || reply[i] == '-'))
        negative = reply[i++] == '-';
    const std::size_t firstDigit = i;
    long long value = 0;
    while (i < reply.size() && IsDigit(reply[i])) {
        if (i - firstDigit >= static_cast<std::size_t>(kMaxReleaseDigits))
            return std::nullopt; // no release number is this long
        value = value * 10 + (reply[i] - '0');
        ++i;
    }
    if (i == firstDigit)
        return std::nullopt;
    for (; i < reply.size(); ++i) {
        if (!IsTrailingSpace(reply[i]))
            return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

std::string UpdateCheck::ReleaseText(int number) {
    if (number < 1000)
        return {};
    const std::string digits = std::to_string(number);
    // One digit each for major and minor; the patch drops one leading zero (2003 is 2.0.3).
    const std::size_t patch = digits[2] == '0' ? 3 : 2;
    return digits.substr(0, 1) + "." + digits.substr(1, 1) + "." + digits.substr(patch);
}

std::string UpdateCheck::NewVersionText(std::string_view release, std::string_view homePage) {
    std::string text = "A new version of ";
    text += kProductName;
    text += " is available.\n\n\tYour version: \t";
    text += kOwnVersionText;
    text += "\n\tNew version: \t";
    text += release;
    text += "\n\nDo you want to go to ";
    text += homePage;
    text += " to get the new version?";
    return text;
}

std::string UpdateCheck::NewVersionCaption() {
    return std::string("New Version of ") + kProductName + " Detected";
}

std::string UpdateCheck::ErrorText(std::string_view webDomain) {
    return "An error occurred while contacting " + std::string(webDomain) + ".";
}

std::string UpdateCheck::InvalidCallText(std::string_view webDomain) {
    return "Invalid call to " + std::string(webDomain) + ".";
}

std::optional<UpdateCheck::Server> UpdateCheck::ParseServer(std::string_view text) {
    Server server;
    const std::size_t colon = text.find(':');
    const std::string_view host = text.substr(0, colon);
    if (host.empty() || host.size() > 253 || host.front() == '-' || host.front() == '.')
        return std::nullopt;
    for (char c : host) {
        if (!IsHostCharacter(c))
            return std::nullopt;
    }
    server.host = std::string(host);
    if (colon == std::string_view::npos)
        return server;
    const std::string_view port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5)
        return std::nullopt;
    int value = 0;
    for (char c : port) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    server.port = value;
    return server;
}

std::string UpdateCheck::HomePageAddress(const Synth& synth) {
    return "http://" + synth.MakerServer() + "/";
}

std::string UpdateCheck::DownloadPageAddress(const Synth& synth) {
    return "http://" + synth.MakerServer() + kDownloadPath;
}

int UpdateCheck::Run(const Synth& synth, IGraphics& editor, const Options& options) {
    const std::string& domain = synth.MakerWebDomain();
    try {
        const std::optional<Server> server = ParseServer(synth.MakerServer());
        HttpResponse response;
        if (server) {
            HttpRequest request;
            request.host = server->host;
            request.port = server->port;
            request.path = kVersionPath;
            request.agent = kAgent;
            request.accept = kAcceptedTypes;
            request.timeoutMs = options.timeoutMs;
            request.maxBodyBytes = kMaxReplyBytes;
            response = HttpGet(request);
        }
        // The status code is not examined: an error page shows itself by its "<".
        const bool received = response.outcome == HttpResponse::Outcome::kReceived;
        if (response.outcome == HttpResponse::Outcome::kTooLarge) {
            editor.ShowMessage(ErrorText(domain).c_str(), kCaption, kErrorBox);
            return kUnreadableReply;
        }
        if (!received || response.body.empty()) {
            editor.ShowMessage(ErrorText(domain).c_str(), kCaption, kErrorBox);
            return kNoReply;
        }
        if (response.body.find('<') != std::string::npos) {
            editor.ShowMessage(InvalidCallText(domain).c_str(), kCaption, kErrorBox);
            return kErrorPage;
        }
        const std::optional<int> number = ParseReleaseNumber(response.body);
        if (!number) {
            editor.ShowMessage(ErrorText(domain).c_str(), kCaption, kErrorBox);
            return kUnreadableReply;
        }
        if (*number < kNewerRelease) {
            editor.ShowMessage("Your version is up to date.", kCaption, kInformationBox);
            return kShown;
        }
        const std::string text = NewVersionText(ReleaseText(*number), HomePageAddress(synth));
        if (editor.ShowMessage(text.c_str(), NewVersionCaption().c_str(), kMessageYesNo) ==
            kAnswerYes)
            editor.OpenLink(DownloadPageAddress(synth).c_str(), nullptr, nullptr, nullptr);
        return kShown;
    } catch (const std::exception&) {
        // Out of memory while building a text.
        ShowFailure(editor, domain);
        return kUnreadableReply;
    }
}

} // namespace vorlunda
