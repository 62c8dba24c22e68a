#include "posix_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mv::server {

void unique_fd::reset(int fd) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
}

namespace {

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void NoDelay(int fd) {
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

std::string Describe(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

unique_fd ListenOnLoopback(std::uint16_t& port, std::string& error) {
    unique_fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        error = Describe("socket");
        return {};
    }
    sockaddr_in address = LoopbackAddress(0);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd.get(), SOMAXCONN) != 0) {  // many threads of a host attach at once
        error = Describe("bind/listen");
        return {};
    }
    socklen_t length = sizeof address;
    if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = Describe("getsockname");
        return {};
    }
    port = ntohs(address.sin_port);
    return fd;
}

unique_fd ConnectToLoopback(std::uint16_t port, std::string& error) {
    unique_fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        error = Describe("socket");
        return {};
    }
    sockaddr_in address = LoopbackAddress(port);
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = Describe("connect");
        return {};
    }
    NoDelay(fd.get());
    return fd;
}

unique_fd AcceptConnection(int listener) {
    int fd;
    do {
        fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) NoDelay(fd);
    return unique_fd(fd);
}

bool SendAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReceiveAll(int fd, void* data, std::size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::recv(fd, p, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReceiveMessage(int fd, std::vector<std::uint8_t>& body, std::uint32_t maxSize) {
    std::uint32_t size = 0;
    if (!ReceiveAll(fd, &size, sizeof size) || size < 4 || size > maxSize) return false;
    body.resize(size);
    return ReceiveAll(fd, body.data(), size);
}

}  // namespace mv::server
