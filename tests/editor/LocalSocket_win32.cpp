#include "editor/LocalSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace vorlunda::test::sockets {

namespace {

bool Started() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

bool Readable(SOCKET s, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &wait) > 0;
}

} // namespace

Handle Listen(int* port) {
    if (!Started())
        return kInvalid;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return kInvalid;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 8) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return kInvalid;
    }
    *port = ntohs(address.sin_port);
    return static_cast<Handle>(s);
}

Handle Accept(Handle listener, int timeoutMs) {
    const auto l = static_cast<SOCKET>(listener);
    if (!Readable(l, timeoutMs))
        return kInvalid;
    const SOCKET s = accept(l, nullptr, nullptr);
    return s == INVALID_SOCKET ? kInvalid : static_cast<Handle>(s);
}

int Receive(Handle socket, char* buffer, int size, int timeoutMs) {
    const auto s = static_cast<SOCKET>(socket);
    if (!Readable(s, timeoutMs))
        return -2;
    const int n = recv(s, buffer, size, 0);
    return n < 0 ? -1 : n;
}

bool SendAll(Handle socket, const char* data, std::size_t size) {
    const auto s = static_cast<SOCKET>(socket);
    while (size > 0) {
        const int chunk = size > 65536 ? 65536 : static_cast<int>(size);
        const int n = send(s, data, chunk, 0);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void Close(Handle socket) {
    if (socket != kInvalid)
        closesocket(static_cast<SOCKET>(socket));
}

} // namespace vorlunda::test::sockets
