#include "vxi11/RpcServer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace vxi11 {

namespace {

// More connections than this are closed as soon as they are accepted.
constexpr std::size_t kMaxConnections = 128;
// A client that stops reading its replies holds its thread no longer than this.
constexpr int kSendTimeoutSeconds = 10;

}  // namespace

CRpcServer::CRpcServer(CVxi11Server& server) : m_server(server) {}

CRpcServer::~CRpcServer() {
    Stop();
}

bool CRpcServer::Start(const std::string& address, std::uint16_t corePort, std::string* error) {
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
    return true;
}

void CRpcServer::Stop() {
    if (m_stopping.exchange(true)) {
        return;
    }
    m_server.Shutdown();
    m_core.Shutdown();
    m_abort.Shutdown();
    if (m_coreThread.joinable()) {
        m_coreThread.join();
    }
    if (m_abortThread.joinable()) {
        m_abortThread.join();
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

void CRpcServer::Accept(const CSocket& listener, Channel channel) {
    while (!m_stopping) {
        CSocket socket(::accept4(listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!socket.IsOpen()) {
            if (m_stopping || (errno != EINTR && errno != ECONNABORTED && errno != EMFILE &&
                               errno != ENFILE && errno != ENOBUFS && errno != ENOMEM)) {
                return;
            }
            continue;
        }
        Reap(false);
        const int one = 1;
        ::setsockopt(socket.Fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        timeval timeout{kSendTimeoutSeconds, 0};
        ::setsockopt(socket.Fd(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping || m_connections.size() >= kMaxConnections) {
            continue;
        }
        m_connections.emplace_back();
        Connection* connection = &m_connections.back();
        connection->socket = std::move(socket);
        const CVxi11Server::ConnectionId id = m_nextId++;
        connection->thread =
            std::thread([this, connection, id, channel] { Serve(connection, id, channel); });
    }
}

void CRpcServer::Serve(Connection* connection, CVxi11Server::ConnectionId id, Channel channel) {
    const int fd = connection->socket.Fd();
    Bytes record;
    while (ReadRecord(fd, kMaxRecord, &record) == RecordResult::Ok) {
        const std::optional<Bytes> reply = m_server.HandleRecord(id, channel, record);
        if (!reply || !WriteRecord(fd, *reply)) {
            break;
        }
    }
    m_server.ConnectionClosed(id);
    // Tells the client at once; the socket itself is closed when the thread is joined.
    connection->socket.Shutdown();
    connection->done = true;
}

}  // namespace vxi11
