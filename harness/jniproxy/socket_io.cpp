#include "socket_io.h"

#include <ws2tcpip.h>

namespace mv::proxy {

namespace {

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

unique_socket ListenOnLoopback(std::uint16_t& port) {
    unique_socket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s) return s;
    sockaddr_in address = LoopbackAddress(0);
    int length = sizeof address;
    if (::bind(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s.get(), 1) != 0 ||
        ::getsockname(s.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    port = ntohs(address.sin_port);
    return s;
}

unique_socket ConnectToLoopback(std::uint16_t port) {
    unique_socket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s) return s;
    sockaddr_in address = LoopbackAddress(port);
    if (::connect(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
    BOOL on = TRUE;
    ::setsockopt(s.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return s;
}

bool WaitReadable(SOCKET s, unsigned milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval timeout{static_cast<long>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000};
    return ::select(0, &set, nullptr, nullptr, &timeout) == 1;
}

bool SendAll(SOCKET s, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        int chunk = size > 0x10000000 ? 0x10000000 : static_cast<int>(size);
        int n = ::send(s, p, chunk, 0);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReceiveAll(SOCKET s, void* data, std::size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        int chunk = size > 0x10000000 ? 0x10000000 : static_cast<int>(size);
        int n = ::recv(s, p, chunk, 0);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace mv::proxy
