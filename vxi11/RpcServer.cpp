#include "vxi11/RpcServer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace vxi11 {

namespace {

// A client that stops reading its replies holds its thread no longer than this.
constexpr int kSendTimeoutSeconds = 10;
// A host that vanished without closing is found after idle + interval * count seconds.
constexpr int kKeepaliveIdleSeconds = 30;
constexpr int kKeepaliveIntervalSeconds = 5;
constexpr int kKeepaliveCount = 4;

void Signal(const CSocket& wake) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake.Fd(), &one, sizeof(one));
}

void Configure(int fd) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    timeval timeout{kSendTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    const int idle = kKeepaliveIdleSeconds;
    const int interval = kKeepaliveIntervalSeconds;
    const int count = kKeepaliveCount;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof(one));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof(idle));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof(interval));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof(count));
}

}  // namespace

CRpcServer::CRpcServer(CVxi11Server& server) : m_server(server) {}

CRpcServer::~CRpcServer() {
    Stop();
}

void CRpcServer::SetLimits(std::size_t maxConnections, int idleMs) {
    m_maxConnections = maxConnections;
    m_idleMs = idleMs;
}

bool CRpcServer::Start(const std::string& address, std::uint16_t corePort, std::string* error) {
    m_wake = CSocket(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!m_wake.IsOpen()) {
        *error = "cannot make an event descriptor";
        return false;
    }
    m_core = ListenTcp(address, corePort, &m_corePort, error);
    if (!m_core.IsOpen()) {
        return false;
    }
    m_abort = ListenTcp(address, 0, &m_abortPort, error);
    if (!m_abort.IsOpen()) {
        m_core = CSocket();
        return false;
    }
    m_server.SetAbortPort(m_abortPort);
    m_coreThread = std::thread([this] { Accept(m_core, Channel::Core); });
    m_abortThread = std::thread([this] { Accept(m_abort, Channel::Abort); });
    m_watchThread = std::thread([this] { Watch(); });
    return true;
}

void CRpcServer::Stop() {
    if (m_stopping.exchange(true)) {
        return;
    }
    m_server.Shutdown();
    m_core.Shutdown();
    m_abort.Shutdown();
    if (m_wake.IsOpen()) {
        Signal(m_wake);
    }
    for (std::thread* thread : {&m_coreThread, &m_abortThread, &m_watchThread}) {
        if (thread->joinable()) {
            thread->join();
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Connection& connection : m_connections) {
            connection.socket.Shutdown();
        }
    }
    Reap(true);
    m_core = CSocket();
    m_abort = CSocket();
}

int CRpcServer::ConnectionCount() {
    Reap(false);
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_connections.size());
}

void CRpcServer::Reap(bool all) {
    std::list<Connection> finished;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            const auto next = std::next(it);
            if (all || it->done) {
                finished.splice(finished.end(), m_connections, it);
            }
            it = next;
        }
    }
    for (Connection& connection : finished) {
        connection.thread.join();
    }
}

bool CRpcServer::HoldsLinks(const Connection& connection) const {
    return connection.channel == Channel::Core ? m_server.HoldsLinks(connection.id)
                                               : m_server.PeerHoldsLinks(connection.peer);
}

bool CRpcServer::Evict(Channel channel) {
    for (Connection& connection : m_connections) {
        if (connection.channel == channel && !connection.done && !connection.evicted &&
            !connection.inCall && !HoldsLinks(connection)) {
            connection.evicted = true;  // no longer counted; reaped when its thread ends
            connection.socket.Shutdown();
            return true;
        }
    }
    return false;
}

void CRpcServer::Accept(const CSocket& listener, Channel channel) {
    while (!m_stopping) {
        sockaddr_in peer{};
        socklen_t peerSize = sizeof(peer);
        CSocket socket(
            ::accept4(listener.Fd(), reinterpret_cast<sockaddr*>(&peer), &peerSize, SOCK_CLOEXEC));
        if (!socket.IsOpen()) {
            if (m_stopping || (errno != EINTR && errno != ECONNABORTED && errno != EMFILE &&
                               errno != ENFILE && errno != ENOBUFS && errno != ENOMEM)) {
                return;
            }
            continue;
        }
        Reap(false);
        Configure(socket.Fd());
        std::lock_guard<std::mutex> lock(m_mutex);
        std::size_t open = 0;
        for (const Connection& connection : m_connections) {
            open += connection.channel == channel && !connection.done && !connection.evicted;
        }
        if (m_stopping || (open >= m_maxConnections && !Evict(channel))) {
            continue;
        }
        m_connections.emplace_back();
        Connection* connection = &m_connections.back();
        connection->socket = std::move(socket);
        connection->id = m_nextId++;
        connection->channel = channel;
        connection->peer = peer.sin_family == AF_INET ? ntohl(peer.sin_addr.s_addr) : 0;
        m_server.ConnectionOpened(connection->id, connection->peer);
        connection->thread = std::thread([this, connection] { Serve(connection); });
    }
}

void CRpcServer::Serve(Connection* connection) {
    const int fd = connection->socket.Fd();
    Bytes record;
    for (;;) {
        Clock::time_point deadline;
        if (HoldsLinks(*connection)) {
            // Waits for the next call for as long as the client keeps the connection.
            pollfd entry{fd, POLLIN, 0};
            int ready = 0;
            do {
                ready = ::poll(&entry, 1, -1);
            } while (ready < 0 && errno == EINTR);
            if (ready < 0 || m_stopping) {
                break;
            }
            deadline = Clock::now() + std::chrono::seconds(kRecordSeconds);
        } else {
            deadline = Clock::now() + std::chrono::milliseconds(m_idleMs);
        }
        if (ReadRecord(fd, kMaxRecord, &record, &deadline) != RecordResult::Ok) {
            break;
        }
        connection->inCall = true;
        Signal(m_wake);
        const std::optional<Bytes> reply =
            m_server.HandleRecord(connection->id, connection->channel, record);
        connection->inCall = false;
        // With a deadline: a blocking send would take SO_SNDTIMEO's time-out as a retry.
        const Clock::time_point sendBy = Clock::now() + std::chrono::seconds(kSendTimeoutSeconds);
        if (!reply || !WriteRecord(fd, *reply, &sendBy)) {
            break;
        }
    }
    m_server.ConnectionClosed(connection->id);
    // Tells the client at once; the socket itself is closed when the thread is joined.
    connection->socket.Shutdown();
    connection->done = true;
}

void CRpcServer::Watch() {
    std::vector<pollfd> watched;
    std::vector<CVxi11Server::ConnectionId> ids;
    std::vector<CVxi11Server::ConnectionId> ended;
    while (!m_stopping) {
        watched.assign(1, pollfd{m_wake.Fd(), POLLIN, 0});
        ids.assign(1, 0);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const Connection& connection : m_connections) {
                if (connection.inCall && !connection.done &&
                    std::find(ended.begin(), ended.end(), connection.id) == ended.end()) {
                    watched.push_back(pollfd{connection.socket.Fd(), POLLRDHUP, 0});
                    ids.push_back(connection.id);
                }
            }
        }
        if (::poll(watched.data(), watched.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if (watched[0].revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(m_wake.Fd(), &count, sizeof(count));
            // Forgets the ended connections whose threads are gone.
            std::lock_guard<std::mutex> lock(m_mutex);
            ended.erase(std::remove_if(ended.begin(), ended.end(),
                                       [this](CVxi11Server::ConnectionId id) {
                                           for (const Connection& c : m_connections) {
                                               if (c.id == id && !c.done) {
                                                   return false;
                                               }
                                           }
                                           return true;
                                       }),
                        ended.end());
        }
        for (std::size_t i = 1; i < watched.size(); ++i) {
            if ((watched[i].revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
                // Its links go now, and the call waiting on one of them with them.
                m_server.ConnectionClosed(ids[i]);
                ended.push_back(ids[i]);
            }
        }
    }
}

}  // namespace vxi11
