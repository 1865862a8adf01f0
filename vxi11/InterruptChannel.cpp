#include "vxi11/InterruptChannel.h"

#include <arpa/inet.h>

namespace vxi11 {

namespace {

// A client that does not answer a service request costs the device no more than this.
constexpr auto kReplyTimeout = std::chrono::seconds(1);

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
    return std::shared_ptr<CInterruptChannel>(
        new CInterruptChannel(std::move(socket), program, version));
}

CInterruptChannel::CInterruptChannel(CSocket socket, std::uint32_t program, std::uint32_t version)
    : m_socket(std::move(socket)), m_program(program), m_version(version) {}

bool CInterruptChannel::SendServiceRequest(const Bytes& handle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_socket.IsOpen()) {
        return false;
    }
    Device_SrqParms parms{};
    parms.handle.handle_len = static_cast<u_int>(handle.size());
    parms.handle.handle_val = reinterpret_cast<char*>(const_cast<std::uint8_t*>(handle.data()));
    const CallHeader header{m_xid++, m_program, m_version, kProcIntrSrq};
    const Bytes call = EncodeCall(header, reinterpret_cast<xdrproc_t>(xdr_Device_SrqParms), &parms);
    const Clock::time_point deadline = Clock::now() + kReplyTimeout;
    Bytes reply;
    if (!WriteRecord(m_socket.Fd(), call, &deadline) ||
        ReadRecord(m_socket.Fd(), 4096, &reply, &deadline) != RecordResult::Ok) {
        // The stream is out of step or gone; later requests are not sent.
        m_socket = CSocket();
        return false;
    }
    CXdrReader reader(reply);
    return DecodeSuccessReply(reader.Get(), header.xid);
}

}  // namespace vxi11
