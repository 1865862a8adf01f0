#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "vxi11/RecordStream.h"

namespace vxi11 {

// The device's side of a client's interrupt channel: a connection to the client's own RPC
// server, on which service requests are sent as device_intr_srq calls.
class CInterruptChannel {
public:
    // Connects to the client's server, giving up after timeoutMs; nothing when it cannot.
    static std::shared_ptr<CInterruptChannel> Connect(std::uint32_t address, std::uint16_t port,
                                                      std::uint32_t program, std::uint32_t version,
                                                      int timeoutMs);

    // Sends one request and waits, bounded, for its reply; false when the client is gone.
    bool SendServiceRequest(const Bytes& handle);

private:
    CInterruptChannel(CSocket socket, std::uint32_t program, std::uint32_t version);

    std::mutex m_mutex;
    CSocket m_socket;
    std::uint32_t m_program;
    std::uint32_t m_version;
    std::uint32_t m_xid = 1;
};

}  // namespace vxi11
