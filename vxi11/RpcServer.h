#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "vxi11/RecordStream.h"
#include "vxi11/Vxi11Server.h"

namespace vxi11 {

// The network side of a VXI-11 server: a listener for the core channel and one for the abort
// channel, a thread per connection. A record that is too large or not a call costs its
// connection only. Stop() (or the destructor) closes every connection and waits for the
// threads; the links of each closed connection go with it.
class CRpcServer {
public:
    explicit CRpcServer(CVxi11Server& server);
    ~CRpcServer();
    CRpcServer(const CRpcServer&) = delete;
    CRpcServer& operator=(const CRpcServer&) = delete;

    // Listens on address (IPv4); corePort 0 takes any free port.
    bool Start(const std::string& address, std::uint16_t corePort, std::string* error);
    void Stop();

    std::uint16_t CorePort() const { return m_corePort; }
    std::uint16_t AbortPort() const { return m_abortPort; }
    int ConnectionCount();

private:
    struct Connection {
        CSocket socket;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void Accept(const CSocket& listener, Channel channel);
    void Serve(Connection* connection, CVxi11Server::ConnectionId id, Channel channel);
    void Reap(bool all);

    CVxi11Server& m_server;
    CSocket m_core;
    CSocket m_abort;
    std::uint16_t m_corePort = 0;
    std::uint16_t m_abortPort = 0;
    std::thread m_coreThread;
    std::thread m_abortThread;
    std::mutex m_mutex;
    std::list<Connection> m_connections;
    CVxi11Server::ConnectionId m_nextId = 1;
    std::atomic<bool> m_stopping{false};
};

}  // namespace vxi11
