#pragma once
// Winsock pieces of the proxy: an owner for sockets and blocking loopback I/O.

#include <winsock2.h>

#include <cstddef>
#include <cstdint>

#include "common/win/unique_resource.h"

namespace mv::proxy {

namespace traits {
struct socket_handle {
    using type = SOCKET;
    static type invalid() noexcept { return INVALID_SOCKET; }
    static void close(type s) noexcept { ::closesocket(s); }
};
}  // namespace traits
using unique_socket = unique_resource<traits::socket_handle>;

// Starts Winsock once per process; false if it cannot.
bool StartWinsock();

unique_socket ListenOnLoopback(std::uint16_t& port);
unique_socket ConnectToLoopback(std::uint16_t port);
// Waits up to `milliseconds` for `s` to have data, a connection to accept, or an end.
bool WaitReadable(SOCKET s, unsigned milliseconds);

bool SendAll(SOCKET s, const void* data, std::size_t size);
bool ReceiveAll(SOCKET s, void* data, std::size_t size);

}  // namespace mv::proxy
