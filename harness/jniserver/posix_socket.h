#pragma once
// Small owners and helpers for the server's TCP sockets (IPv4 loopback only).

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mv::server {

// Owns a file descriptor.
class unique_fd {
public:
    unique_fd() = default;
    explicit unique_fd(int fd) : m_fd(fd) {}
    ~unique_fd() { reset(); }
    unique_fd(unique_fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    unique_fd& operator=(unique_fd&& other) noexcept {
        if (this != &other) reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    unique_fd(const unique_fd&) = delete;
    unique_fd& operator=(const unique_fd&) = delete;

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// A listening socket on 127.0.0.1 with a port chosen by the system.
unique_fd ListenOnLoopback(std::uint16_t& port, std::string& error);
// Connects to 127.0.0.1:port.
unique_fd ConnectToLoopback(std::uint16_t port, std::string& error);
// Accepts one connection and turns off Nagle's delay on it.
unique_fd AcceptConnection(int listener);

bool SendAll(int fd, const void* data, std::size_t size);
bool ReceiveAll(int fd, void* data, std::size_t size);
// Reads one framed message (u32 size, then size bytes) into `body`; false on EOF or error.
bool ReceiveMessage(int fd, std::vector<std::uint8_t>& body, std::uint32_t maxSize);

}  // namespace mv::server
