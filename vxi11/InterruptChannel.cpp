#include "vxi11/InterruptChannel.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>

namespace vxi11 {

namespace {

// A client that does not take a call within this long has stopped reading: its channel is
// closed and later requests are not sent to it.
constexpr auto kSendTimeout = std::chrono::seconds(1);
// Requests beyond this many waiting to be sent are dropped: the client already has one to see.
constexpr std::size_t kMaxQueued = 16;

}  // namespace

std::shared_ptr<CInterruptChannel> CInterruptChannel::Connect(std::uint32_t address,
                                                              std::uint16_t port,
                                                              std::uint32_t program,
                                                              std::uint32_t version,
                                                              int timeoutMs) {
    in_addr host{};
    host.s_addr = htonl(address);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &host, text, sizeof(text));
    std::string error;
    CSocket socket =
        ConnectTcp(text, port, Clock::now() + std::chrono::milliseconds(timeoutMs), &error);
    if (!socket.IsOpen()) {
        return nullptr;
    }
    std::shared_ptr<CInterruptChannel> channel(
        new CInterruptChannel(std::move(socket), program, version));
    channel->m_thread = std::thread([raw = channel.get()] { raw->Run(); });
    return channel;
}

CInterruptChannel::CInterruptChannel(CSocket socket, std::uint32_t program, std::uint32_t version)
    : m_socket(std::move(socket)), m_program(program), m_version(version) {}

CInterruptChannel::~CInterruptChannel() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    // Wakes a send that waits for a client that stopped reading.
    m_socket.Shutdown();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CInterruptChannel::Post(const Bytes& handle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_gone || m_stopping || m_queue.size() >= kMaxQueued) {
        return false;
    }
    m_queue.push_back(handle);
    m_wake.notify_all();
    return true;
}

bool CInterruptChannel::Drain() {
    std::uint8_t scratch[4096];
    // Bounded, so that a client streaming bytes at us cannot hold this thread.
    for (int i = 0; i < 16; ++i) {
        const ssize_t got = ::recv(m_socket.Fd(), scratch, sizeof(scratch), MSG_DONTWAIT);
        if (got == 0) {
            return false;
        }
        if (got < 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
    }
    return true;
}

void CInterruptChannel::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) {
            return;
        }
        const Bytes handle = std::move(m_queue.front());
        m_queue.pop_front();
        const std::uint32_t xid = m_xid++;
        lock.unlock();
        Device_SrqParms parms{};
        parms.handle.handle_len = static_cast<u_int>(handle.size());
        parms.handle.handle_val = reinterpret_cast<char*>(const_cast<std::uint8_t*>(handle.data()));
        const Bytes call = EncodeCall(CallHeader{xid, m_program, m_version, kProcIntrSrq},
                                      reinterpret_cast<xdrproc_t>(xdr_Device_SrqParms), &parms);
        const Clock::time_point deadline = Clock::now() + kSendTimeout;
        const bool sent = Drain() && WriteRecord(m_socket.Fd(), call, &deadline);
        lock.lock();
        if (!sent) {
            m_gone = true;
            m_queue.clear();
            return;
        }
    }
}

}  // namespace vxi11
