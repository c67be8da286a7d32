#pragma once

#include <cstddef>
#include <string>

namespace vorlunda {

// One synchronous HTTP GET, made by the platform's client (WinINet under Windows, libcurl
// elsewhere) on the calling thread, without a proxy, cookies or cache.
struct HttpRequest {
    std::string host; // a name or an IPv4 address
    int port = 80;
    std::string path; // begins with "/"
    std::string agent;
    std::string accept;           // the accepted media types
    int timeoutMs = 5000;         // for the whole request: connecting, sending and every read
    std::size_t maxBodyBytes = 0; // a longer body fails the request
};

struct HttpResponse {
    enum class Outcome {
        kReceived, // the body below is complete (possibly empty)
        kFailed,   // no connection, refused, reset, failed send, unusable request
        kTimedOut, // the server did not answer in time
        kTooLarge, // the body passed maxBodyBytes
    };
    Outcome outcome = Outcome::kFailed;
    int status = 0; // HTTP status code, 0 when none arrived
    std::string body;
};

HttpResponse HttpGet(const HttpRequest& request);

} // namespace vorlunda
