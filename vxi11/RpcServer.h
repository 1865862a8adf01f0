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
// connection only. Each channel admits up to kMaxConnections of its own; when they are all
// taken, the oldest that holds no link makes room, and a connection that holds no link and
// sends no whole call within kIdleSeconds is closed, so idle or half-sent connections lock
// no one out. A connection that holds links is served as long as it lives; TCP keepalive
// finds one whose host vanished. A call waiting when its client closes is ended. Stop() (or
// the destructor) closes every connection and waits for the threads; the links of each closed
// connection go with it.
class CRpcServer {
public:
    static constexpr std::size_t kMaxConnections = 1024;
    static constexpr int kIdleSeconds = 5;
    // A call from a connection that holds links must arrive whole within this, once begun.
    static constexpr int kRecordSeconds = 10;

    explicit CRpcServer(CVxi11Server& server);
    ~CRpcServer();
    CRpcServer(const CRpcServer&) = delete;
    CRpcServer& operator=(const CRpcServer&) = delete;

    // Smaller limits, for tests; before Start().
    void SetLimits(std::size_t maxConnections, int idleMs);
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
        CVxi11Server::ConnectionId id = 0;
        Channel channel = Channel::Core;
        std::uint32_t peer = 0;
        std::atomic<bool> inCall{false};
        std::atomic<bool> evicted{false};
        std::atomic<bool> done{false};
    };

    void Accept(const CSocket& listener, Channel channel);
    void Serve(Connection* connection);
    void Reap(bool all);
    bool HoldsLinks(const Connection& connection) const;
    // Closes the oldest connection on channel that holds no link; false when there is none.
    bool Evict(Channel channel);
    // Ends the calls of connections whose client closed while they wait.
    void Watch();

    CVxi11Server& m_server;
    CSocket m_core;
    CSocket m_abort;
    CSocket m_wake;  // an eventfd: the watcher looks again at the connections in a call
    std::uint16_t m_corePort = 0;
    std::uint16_t m_abortPort = 0;
    std::thread m_coreThread;
    std::thread m_abortThread;
    std::thread m_watchThread;
    std::mutex m_mutex;
    std::list<Connection> m_connections;
    CVxi11Server::ConnectionId m_nextId = 1;
    std::atomic<bool> m_stopping{false};
    std::size_t m_maxConnections = kMaxConnections;
    int m_idleMs = kIdleSeconds * 1000;
};

}  // namespace vxi11
