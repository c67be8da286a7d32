#pragma once

#include <cstddef>
#include <cstdint>

// The few socket calls the tests' local HTTP server needs, over BSD sockets or Winsock. Every
// socket is bound to 127.0.0.1 only.
namespace vorlunda::test::sockets {

using Handle = std::intptr_t;
constexpr Handle kInvalid = -1;

// Listens on 127.0.0.1 at a free port, which `port` receives.
Handle Listen(int* port);
// The next connection, or kInvalid when none arrives within `timeoutMs`.
Handle Accept(Handle listener, int timeoutMs);
// Bytes received (0 when the peer closed), -1 on error, -2 when nothing arrived in `timeoutMs`.
int Receive(Handle socket, char* buffer, int size, int timeoutMs);
bool SendAll(Handle socket, const char* data, std::size_t size);
void Close(Handle socket);

} // namespace vorlunda::test::sockets
