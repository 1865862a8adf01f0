#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "vxi11/RecordStream.h"

namespace vxi11 {

// The device's side of a client's interrupt channel: a connection to the client's own RPC
// server, on which service requests are sent as device_intr_srq calls. Several clients never
// reply to that call, so it is sent one-way: a reply is read and dropped if one comes, never
// waited for. Each channel sends from a thread of its own, so a slow or dead client delays no
// call being served and no other client.
class CInterruptChannel {
public:
    // Connects to the client's server, giving up after timeoutMs; nothing when it cannot.
    static std::shared_ptr<CInterruptChannel> Connect(std::uint32_t address, std::uint16_t port,
                                                      std::uint32_t program, std::uint32_t version,
                                                      int timeoutMs);
    ~CInterruptChannel();
    CInterruptChannel(const CInterruptChannel&) = delete;
    CInterruptChannel& operator=(const CInterruptChannel&) = delete;

    // Queues one request to be sent without waiting; false when the channel is gone (the
    // client closed it or took too long to take a call) or too many requests are queued.
    bool Post(const Bytes& handle);

private:
    CInterruptChannel(CSocket socket, std::uint32_t program, std::uint32_t version);
    void Run();
    // Reads and drops whatever the client sent (replies, or noise); false when it closed.
    bool Drain();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Bytes> m_queue;
    bool m_stopping = false;
    bool m_gone = false;
    CSocket m_socket;
    std::uint32_t m_program;
    std::uint32_t m_version;
    std::uint32_t m_xid = 1;
    std::thread m_thread;
};

}  // namespace vxi11
