#include "editor/LocalSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vorlunda::test::sockets {

namespace {

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0;
}

} // namespace

Handle Listen(int* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return kInvalid;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return kInvalid;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

Handle Accept(Handle listener, int timeoutMs) {
    if (!Readable(static_cast<int>(listener), timeoutMs))
        return kInvalid;
    const int fd = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    return fd < 0 ? kInvalid : fd;
}

int Receive(Handle socket, char* buffer, int size, int timeoutMs) {
    if (!Readable(static_cast<int>(socket), timeoutMs))
        return -2;
    const ssize_t n = ::recv(static_cast<int>(socket), buffer, static_cast<std::size_t>(size), 0);
    return n < 0 ? -1 : static_cast<int>(n);
}

bool SendAll(Handle socket, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void Close(Handle socket) {
    if (socket != kInvalid)
        ::close(static_cast<int>(socket));
}

} // namespace vorlunda::test::sockets
