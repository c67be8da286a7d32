// The update check's request through libcurl.
#include "editor/HttpGet.h"

#include <curl/curl.h>

#include <memory>

namespace vorlunda {

namespace {

struct Receiver {
    std::string* body;
    std::size_t limit;
    bool overflow = false;
};

std::size_t Receive(char* data, std::size_t size, std::size_t count, void* user) {
    auto* receiver = static_cast<Receiver*>(user);
    const std::size_t bytes = size * count;
    if (bytes > receiver->limit - receiver->body->size()) {
        receiver->overflow = true;
        return 0; // ends the transfer
    }
    receiver->body->append(data, bytes);
    return bytes;
}

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

} // namespace

HttpResponse HttpGet(const HttpRequest& request) {
    HttpResponse response;
    const std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl)
        return response;
    const std::string url =
        "http://" + request.host + ":" + std::to_string(request.port) + request.path;
    const std::string accept = "Accept: " + request.accept;
    const std::unique_ptr<curl_slist, ListDeleter> headers(
        curl_slist_append(nullptr, accept.c_str()));
    if (!headers)
        return response;
    Receiver receiver{&response.body, request.maxBodyBytes};
    CURL* c = curl.get();
    const long timeout = request.timeoutMs > 0 ? request.timeoutMs : 1;
    bool ok = curl_easy_setopt(c, CURLOPT_URL, url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_USERAGENT, request.agent.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK;
    // A direct connection, as the Windows client makes it; no proxy from the environment.
    ok = ok && curl_easy_setopt(c, CURLOPT_PROXY, "") == CURLE_OK;
    // No signals: the host owns them, and other threads may be running.
    ok = ok && curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, timeout) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, timeout) == CURLE_OK;
    // Redirects are followed as the Windows client follows them, a few at most, and only to
    // web addresses.
    ok = ok && curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Receive) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_WRITEDATA, &receiver) == CURLE_OK;
    if (!ok)
        return response;

    const CURLcode result = curl_easy_perform(c);
    long status = 0;
    if (curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK)
        response.status = static_cast<int>(status);
    if (result == CURLE_OK)
        response.outcome = HttpResponse::Outcome::kReceived;
    else if (receiver.overflow)
        response.outcome = HttpResponse::Outcome::kTooLarge;
    else if (result == CURLE_OPERATION_TIMEDOUT)
        response.outcome = HttpResponse::Outcome::kTimedOut;
    if (response.outcome != HttpResponse::Outcome::kReceived)
        response.body.clear();
    return response;
}

} // namespace vorlunda
