// The update check's request through WinINet.
#include "editor/HttpGet.h"

#include <windows.h>
#include <wininet.h>

namespace vorlunda {

namespace {

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle = nullptr) : handle(handle) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() {
        if (handle)
            InternetCloseHandle(handle);
    }
    HINTERNET Get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

private:
    HINTERNET handle;
};

// Milliseconds left until `deadline` (GetTickCount64 time), at least 1.
DWORD Remaining(ULONGLONG deadline) {
    const ULONGLONG now = GetTickCount64();
    return now >= deadline ? 1 : static_cast<DWORD>(deadline - now);
}

// The time-outs go on the request handle: some implementations ignore the session's, and a
// server that accepts and never answers would then hold the editor for minutes.
void SetTimeouts(HINTERNET handle, DWORD ms) {
    for (DWORD option : {static_cast<DWORD>(INTERNET_OPTION_CONNECT_TIMEOUT),
                         static_cast<DWORD>(INTERNET_OPTION_SEND_TIMEOUT),
                         static_cast<DWORD>(INTERNET_OPTION_RECEIVE_TIMEOUT)})
        InternetSetOptionA(handle, option, &ms, sizeof ms);
}

bool TimedOut(DWORD error) {
    return error == ERROR_INTERNET_TIMEOUT;
}

} // namespace

HttpResponse HttpGet(const HttpRequest& request) {
    HttpResponse response;
    const DWORD timeout = request.timeoutMs > 0 ? static_cast<DWORD>(request.timeoutMs) : 1;
    const ULONGLONG deadline = GetTickCount64() + timeout;
    // Closed in the reverse order of opening: request, connection, internet handle.
    const InternetHandle internet(
        InternetOpenA(request.agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!internet)
        return response;
    SetTimeouts(internet.Get(), timeout);
    const InternetHandle connection(InternetConnectA(
        internet.Get(), request.host.c_str(), static_cast<INTERNET_PORT>(request.port), nullptr,
        nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return response;
    const char* accepted[] = {request.accept.c_str(), nullptr};
    // Always asked of the server: a cached answer would hide a new release.
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    const InternetHandle get(HttpOpenRequestA(connection.Get(), "GET", request.path.c_str(),
                                              nullptr, nullptr, accepted, flags, 0));
    if (!get)
        return response;
    SetTimeouts(get.Get(), Remaining(deadline));
    if (!HttpSendRequestA(get.Get(), nullptr, 0, nullptr, 0)) {
        if (TimedOut(GetLastError()))
            response.outcome = HttpResponse::Outcome::kTimedOut;
        return response;
    }
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    if (HttpQueryInfoA(get.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                       &statusSize, nullptr))
        response.status = static_cast<int>(status);

    char chunk[1024];
    for (;;) {
        if (GetTickCount64() >= deadline) {
            response.outcome = HttpResponse::Outcome::kTimedOut;
            response.body.clear();
            return response;
        }
        SetTimeouts(get.Get(), Remaining(deadline));
        DWORD read = 0;
        if (!InternetReadFile(get.Get(), chunk, sizeof chunk, &read)) {
            // The body ends where a read fails, unless the server just went silent.
            if (TimedOut(GetLastError())) {
                response.outcome = HttpResponse::Outcome::kTimedOut;
                response.body.clear();
                return response;
            }
            break;
        }
        if (read == 0)
            break;
        if (read > request.maxBodyBytes - response.body.size()) {
            response.outcome = HttpResponse::Outcome::kTooLarge;
            response.body.clear();
            return response;
        }
        response.body.append(chunk, read);
    }
    response.outcome = HttpResponse::Outcome::kReceived;
    return response;
}

} // namespace vorlunda
