#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "vxi11/RpcMessage.h"

namespace vxi11 {

using Clock = std::chrono::steady_clock;

// The steady clock in ms, as the simulated devices count time.
inline long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

// One socket with one owner.
class CSocket {
public:
    CSocket() = default;
    explicit CSocket(int fd) : m_fd(fd) {}
    ~CSocket();
    CSocket(CSocket&& other) noexcept : m_fd(other.Release()) {}
    CSocket& operator=(CSocket&& other) noexcept;
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    int Fd() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    int Release();
    // Wakes any thread blocked on the socket; the owner still closes it.
    void Shutdown() const;

private:
    int m_fd = -1;
};

// Connects over TCP to an IPv4 address or host name, giving up at the deadline.
CSocket ConnectTcp(const std::string& host, std::uint16_t port, Clock::time_point deadline,
                   std::string* error);
// A listening TCP socket on address:port (port 0: any); the port taken is returned.
CSocket ListenTcp(const std::string& address, std::uint16_t port, std::uint16_t* boundPort,
                  std::string* error);
// The IPv4 address (host order) and port of either end of a connected socket.
bool LocalAddress(int fd, std::uint32_t* address, std::uint16_t* port);

enum class RecordResult { Ok, Closed, TooLarge, TimedOut };

// Reads one RPC record (all its fragments, at most 64) of at most maxSize bytes; the deadline
// is checked before every read. With no deadline it waits for as long as the peer keeps the
// connection.
RecordResult ReadRecord(int fd, std::uint32_t maxSize, Bytes* record,
                        const Clock::time_point* deadline = nullptr);
// Writes one record as a single fragment; false when the peer is gone or the deadline passed.
bool WriteRecord(int fd, const Bytes& record, const Clock::time_point* deadline = nullptr);

}  // namespace vxi11
