#pragma once

#include "editor/HttpGet.h"

#include <optional>
#include <string>
#include <string_view>

namespace vorlunda {

class IGraphics;
class Synth;

// "Check Online for Update": asks the maker's web server for the number of the newest release,
// compares it with our own and tells the user, offering the download page when a newer release
// exists. One synchronous request on the editor's thread, bounded in time and size; nothing runs
// in the background and nothing is stored.
//
// The reply is untrusted. Its body must be a decimal release number (one digit for the major
// number, one for the minor, the rest for the patch: 2003 is 2.0.3, 2010 is 2.0.10), optionally
// with leading blanks and a sign and with trailing white space. A body with "<" anywhere is an
// error page; anything else, an empty body, no answer in time or a body above kMaxReplyBytes is a
// failed check.
class UpdateCheck {
public:
    enum Result : int {
        kShown = 0,            // up to date, or the new-version box was shown
        kNoReply = -1,         // no connection, no answer in time, or an empty body
        kUnreadableReply = -2, // not a release number, too long, or the texts could not be built
        kErrorPage = -3,       // the server sent an HTML page
    };

    static constexpr int kOwnRelease = 2002;   // 2.0.2 as the server counts
    static constexpr int kNewerRelease = 2003; // this number and above are newer
    static constexpr const char* kOwnVersionText = "2.0.2";
    static constexpr const char* kProductName = "Vorlunda2";
    static constexpr const char* kAgent = "Vorlunda2";
    static constexpr const char* kVersionPath = "/music/version/?file=vorlunda2";
    static constexpr const char* kAcceptedTypes = "*/*";
    static constexpr const char* kDownloadPath = "/music/vst.html";
    static constexpr const char* kCaption = "Check Online for Update";
    static constexpr int kTimeoutMs = 5000; // the whole check; a silent server must not hang
    static constexpr std::size_t kMaxReplyBytes = 64 * 1024; // a 404 page fits, megabytes do not
    static constexpr int kMaxReleaseDigits = 9;              // keeps the number inside 32 bits

    // Message-box types: the OK button with the error or the information icon (the Windows
    // icon flags; layers that draw no icons read the button set from the low four bits).
    static constexpr int kErrorBox = 0x10;
    static constexpr int kInformationBox = 0x40;

    struct Options {
        int timeoutMs = kTimeoutMs;
    };

    // Runs the check for `synth` (its maker's server and web domain), showing every result in
    // `editor`'s message boxes. Answers a Result; the command menu ignores it.
    static int Run(const Synth& synth, IGraphics& editor, const Options& options);
    static int Run(const Synth& synth, IGraphics& editor) { return Run(synth, editor, Options{}); }

    // The release number in a reply body; none when the body is not one (see above).
    static std::optional<int> ParseReleaseNumber(std::string_view reply);
    // The release as the user reads it: 2003 gives "2.0.3", 2010 "2.0.10", 2100 "2.1.0". Built
    // from the number's own digits; numbers below 1000 give "".
    static std::string ReleaseText(int number);
    // The texts of the new-version box.
    static std::string NewVersionText(std::string_view release, std::string_view homePage);
    static std::string NewVersionCaption();
    static std::string ErrorText(std::string_view webDomain);
    static std::string InvalidCallText(std::string_view webDomain);

    // The maker's server as the configuration gives it, "name" or "name:port"; none when it is
    // not a plain host name or IPv4 address with an optional port 1..65535.
    struct Server {
        std::string host;
        int port = 80;
    };
    static std::optional<Server> ParseServer(std::string_view text);
    static std::string HomePageAddress(const Synth& synth);
    static std::string DownloadPageAddress(const Synth& synth);
};

} // namespace vorlunda
