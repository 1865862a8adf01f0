#include "vxi11/Vxi11Client.h"

#include <arpa/inet.h>

#include <algorithm>

#include "vxi11/RpcCall.h"
#include "vxi11/SrqListener.h"

namespace vxi11 {

namespace {

// Frees what decoding allocated in a result, once the caller has copied what it needs.
template <typename T>
struct FreeOnExit {
    xdrproc_t proc;
    T* value;
    ~FreeOnExit() { xdr_free(proc, reinterpret_cast<char*>(value)); }
};

}  // namespace

CVxi11Client::CVxi11Client() = default;

CVxi11Client::~CVxi11Client() {
    Close();
}

int CVxi11Client::Call(CSocket& socket, std::uint32_t program, std::uint32_t procedure,
                       xdrproc_t args, const void* argument, xdrproc_t proc, void* result,
                       std::uint32_t waitMs, std::string* error) {
    if (!socket.IsOpen()) {
        *error = "no link";
        return kTransportError;
    }
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(waitMs) + std::chrono::milliseconds(m_timeoutMs);
    const int status = ExchangeCall(socket.Fd(), m_xid++, program, procedure, args, argument, proc,
                                    result, deadline, error);
    if (status < 0) {
        // The stream may hold a late reply: nothing further is read from it.
        socket = CSocket();
    }
    return status;
}

std::int32_t CVxi11Client::Flags() const {
    return m_lockTimeoutMs > 0 ? kFlagWaitLock : 0;
}

int CVxi11Client::Open(const std::string& host, const std::string& device, int timeoutMs,
                       std::uint16_t corePort, bool lockDevice, std::uint32_t lockTimeoutMs) {
    Close();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_host = host;
    m_timeoutMs = timeoutMs;
    if (corePort == 0) {
        corePort = vxi11::PortmapperPort(host, kCoreProgram, kProgramVersion, timeoutMs, &m_error);
        if (corePort == 0) {
            return kTransportError;
        }
    }
    m_core =
        ConnectTcp(host, corePort, Clock::now() + std::chrono::milliseconds(timeoutMs), &m_error);
    if (!m_core.IsOpen()) {
        return kTransportError;
    }
    Create_LinkParms parms{};
    parms.clientId = 0;
    parms.lockDevice = lockDevice ? 1 : 0;
    parms.lock_timeout = lockTimeoutMs;
    parms.device = const_cast<char*>(device.c_str());
    Create_LinkResp result{};
    const int status = Call(m_core, kCoreProgram, kProcCreateLink, Proc(xdr_Create_LinkParms),
                            &parms, Proc(xdr_Create_LinkResp), &result, lockTimeoutMs, &m_error);
    if (status != 0 || result.error != kOk) {
        m_core = CSocket();
        if (status == 0) {
            m_error = "create_link failed with error " + std::to_string(result.error);
        }
        return status != 0 ? status : static_cast<int>(result.error);
    }
    m_link = static_cast<std::int32_t>(result.lid);
    m_maxRecvSize = static_cast<std::uint32_t>(result.maxRecvSize);
    m_abortPort = result.abortPort;
    return kOk;
}

void CVxi11Client::Close() {
    m_srq.reset();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_core.IsOpen() && m_link != 0) {
        Device_Link link = m_link;
        Device_Error result{};
        Call(m_core, kCoreProgram, kProcDestroyLink, Proc(xdr_Device_Link), &link,
             Proc(xdr_Device_Error), &result, 0, &m_error);
    }
    m_core = CSocket();
    {
        std::lock_guard<std::mutex> abortLock(m_abortMutex);
        m_abort = CSocket();
    }
    m_link = 0;
    m_interruptChannel = false;
}

int CVxi11Client::Write(const std::string& data, bool end, std::uint32_t ioTimeoutMs,
                        std::size_t* written) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::size_t sent = 0;
    if (written != nullptr) {
        *written = 0;
    }
    const std::size_t piece = m_maxRecvSize > 0 ? m_maxRecvSize : 1024;
    do {
        const std::size_t size = std::min(piece, data.size() - sent);
        const bool last = sent + size == data.size();
        Device_WriteParms parms{};
        parms.lid = m_link;
        parms.io_timeout = ioTimeoutMs;
        parms.lock_timeout = m_lockTimeoutMs;
        parms.flags = Flags() | (last && end ? kFlagEnd : 0);
        parms.data.data_len = static_cast<u_int>(size);
        parms.data.data_val = const_cast<char*>(data.data() + sent);
        Device_WriteResp result{};
        const int status =
            Call(m_core, kCoreProgram, kProcWrite, Proc(xdr_Device_WriteParms), &parms,
                 Proc(xdr_Device_WriteResp), &result, ioTimeoutMs + m_lockTimeoutMs, &m_error);
        if (status != 0) {
            return status;
        }
        if (result.error != kOk) {
            return static_cast<int>(result.error);
        }
        sent += std::min<std::size_t>(static_cast<std::size_t>(result.size), size);
        if (written != nullptr) {
            *written = sent;
        }
        if (result.size == 0 && size > 0) {
            m_error = "the device took no data";
            return kIoError;
        }
    } while (sent < data.size());
    return kOk;
}

int CVxi11Client::Read(std::uint32_t requestSize, int termChar, std::uint32_t ioTimeoutMs,
                       std::string* data, std::int32_t* reason) {
    std::lock_guard<std::mutex> lock(m_mutex);
    data->clear();
    *reason = 0;
    Device_ReadParms parms{};
    parms.lid = m_link;
    parms.requestSize = requestSize;
    parms.io_timeout = ioTimeoutMs;
    parms.lock_timeout = m_lockTimeoutMs;
    parms.flags = Flags() | (termChar >= 0 && termChar <= 255 ? kFlagTermChar : 0);
    parms.termChar = static_cast<char>(termChar);
    Device_ReadResp result{};
    FreeOnExit<Device_ReadResp> release{Proc(xdr_Device_ReadResp), &result};
    const int status =
        Call(m_core, kCoreProgram, kProcRead, Proc(xdr_Device_ReadParms), &parms,
             Proc(xdr_Device_ReadResp), &result, ioTimeoutMs + m_lockTimeoutMs, &m_error);
    if (status != 0) {
        return status;
    }
    data->assign(result.data.data_val, result.data.data_len);
    *reason = static_cast<std::int32_t>(result.reason);
    return static_cast<int>(result.error);
}

int CVxi11Client::ReadMessage(std::string* message, std::uint32_t ioTimeoutMs, std::size_t maxSize,
                              int termChar, std::int32_t* reason) {
    message->clear();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ioTimeoutMs);
    for (;;) {
        const long long left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        // A device that hands out a byte at a time, each just inside the time-out, does not
        // stretch the call.
        if (left <= 0 && !message->empty()) {
            m_error = "the message did not end within the time-out";
            return kIoTimeout;
        }
        std::string piece;
        std::int32_t why = 0;
        const int status = Read(static_cast<std::uint32_t>(maxSize - message->size()), termChar,
                                static_cast<std::uint32_t>(std::max(left, 0LL)), &piece, &why);
        message->append(piece);
        if (reason != nullptr) {
            *reason = why;
        }
        if (status != kOk || (why & (kReasonEnd | kReasonTermChar)) != 0 ||
            message->size() >= maxSize) {
            return status;
        }
        // Nothing and no end: asking again would only spin.
        if (piece.empty()) {
            m_error = "the device sent nothing and no end";
            return kIoError;
        }
    }
}

int CVxi11Client::Query(const std::string& command, std::string* reply, std::uint32_t ioTimeoutMs) {
    const int status = Write(command, true, ioTimeoutMs);
    return status != kOk ? status : ReadMessage(reply, ioTimeoutMs);
}

int CVxi11Client::Generic(std::uint32_t procedure) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Device_GenericParms parms{};
    parms.lid = m_link;
    parms.flags = Flags();
    parms.lock_timeout = m_lockTimeoutMs;
    parms.io_timeout = static_cast<u_long>(m_timeoutMs);
    Device_Error result{};
    const int status =
        Call(m_core, kCoreProgram, procedure, Proc(xdr_Device_GenericParms), &parms,
             Proc(xdr_Device_Error), &result, m_lockTimeoutMs + m_timeoutMs, &m_error);
    return status != 0 ? status : static_cast<int>(result.error);
}

int CVxi11Client::ReadStb(std::uint8_t* stb) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Device_GenericParms parms{};
    parms.lid = m_link;
    parms.flags = Flags();
    parms.lock_timeout = m_lockTimeoutMs;
    parms.io_timeout = static_cast<u_long>(m_timeoutMs);
    Device_ReadStbResp result{};
    const int status =
        Call(m_core, kCoreProgram, kProcReadStb, Proc(xdr_Device_GenericParms), &parms,
             Proc(xdr_Device_ReadStbResp), &result, m_lockTimeoutMs, &m_error);
    if (status != 0) {
        return status;
    }
    *stb = result.stb;
    return static_cast<int>(result.error);
}

int CVxi11Client::Trigger() {
    return Generic(kProcTrigger);
}
int CVxi11Client::Clear() {
    return Generic(kProcClear);
}
int CVxi11Client::Remote() {
    return Generic(kProcRemote);
}
int CVxi11Client::Local() {
    return Generic(kProcLocal);
}

int CVxi11Client::Lock(std::uint32_t lockTimeoutMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Device_LockParms parms{};
    parms.lid = m_link;
    parms.flags = lockTimeoutMs > 0 ? kFlagWaitLock : 0;
    parms.lock_timeout = lockTimeoutMs;
    Device_Error result{};
    const int status = Call(m_core, kCoreProgram, kProcLock, Proc(xdr_Device_LockParms), &parms,
                            Proc(xdr_Device_Error), &result, lockTimeoutMs, &m_error);
    return status != 0 ? status : static_cast<int>(result.error);
}

int CVxi11Client::Unlock() {
    std::lock_guard<std::mutex> lock(m_mutex);
    Device_Link link = m_link;
    Device_Error result{};
    const int status = Call(m_core, kCoreProgram, kProcUnlock, Proc(xdr_Device_Link), &link,
                            Proc(xdr_Device_Error), &result, 0, &m_error);
    return status != 0 ? status : static_cast<int>(result.error);
}

int CVxi11Client::EnableSrq(const Bytes& handle, std::function<void(const Bytes&)> callback) {
    if (handle.size() > DEVICE_MAX_HANDLE) {
        return kParameterError;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_core.IsOpen()) {
        m_error = "no link";
        return kTransportError;
    }
    if (!m_interruptChannel) {
        // The device calls back on the address this end of the link has.
        std::uint32_t address = 0;
        std::uint16_t ignored = 0;
        LocalAddress(m_core.Fd(), &address, &ignored);
        in_addr local{};
        local.s_addr = htonl(address);
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &local, text, sizeof(text));
        auto listener = std::make_unique<CSrqListener>(std::move(callback));
        if (!listener->Start(text, &m_error)) {
            return kTransportError;
        }
        Device_RemoteFunc remote{};
        remote.hostAddr = address;
        remote.hostPort = listener->Port();
        remote.progNum = kInterruptProgram;
        remote.progVers = kProgramVersion;
        remote.progFamily = DEVICE_TCP;
        Device_Error created{};
        const int status =
            Call(m_core, kCoreProgram, kProcCreateIntrChan, Proc(xdr_Device_RemoteFunc), &remote,
                 Proc(xdr_Device_Error), &created, 0, &m_error);
        if (status != 0 || created.error != kOk) {
            return status != 0 ? status : static_cast<int>(created.error);
        }
        m_srq = std::move(listener);
        m_interruptChannel = true;
    }
    Device_EnableSrqParms parms{};
    parms.lid = m_link;
    parms.enable = 1;
    parms.handle.handle_len = static_cast<u_int>(handle.size());
    parms.handle.handle_val = reinterpret_cast<char*>(const_cast<std::uint8_t*>(handle.data()));
    Device_Error result{};
    const int status = Call(m_core, kCoreProgram, kProcEnableSrq, Proc(xdr_Device_EnableSrqParms),
                            &parms, Proc(xdr_Device_Error), &result, 0, &m_error);
    return status != 0 ? status : static_cast<int>(result.error);
}

int CVxi11Client::DisableSrq() {
    std::lock_guard<std::mutex> lock(m_mutex);
    Device_EnableSrqParms parms{};
    parms.lid = m_link;
    parms.enable = 0;
    Device_Error result{};
    const int status = Call(m_core, kCoreProgram, kProcEnableSrq, Proc(xdr_Device_EnableSrqParms),
                            &parms, Proc(xdr_Device_Error), &result, 0, &m_error);
    return status != 0 ? status : static_cast<int>(result.error);
}

std::string CVxi11Client::PeerAddress() {
    std::lock_guard<std::mutex> lock(m_mutex);
    sockaddr_in peer{};
    socklen_t size = sizeof(peer);
    char text[INET_ADDRSTRLEN] = {};
    if (!m_core.IsOpen() ||
        ::getpeername(m_core.Fd(), reinterpret_cast<sockaddr*>(&peer), &size) != 0 ||
        peer.sin_family != AF_INET ||
        ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof(text)) == nullptr) {
        return std::string();
    }
    return text;
}

int CVxi11Client::Abort() {
    std::lock_guard<std::mutex> lock(m_abortMutex);
    std::string error;
    if (!m_abort.IsOpen()) {
        if (m_abortPort == 0) {
            return kTransportError;
        }
        m_abort = ConnectTcp(m_host, m_abortPort,
                             Clock::now() + std::chrono::milliseconds(m_timeoutMs), &error);
        if (!m_abort.IsOpen()) {
            return kTransportError;
        }
    }
    Device_Link link = m_link;
    Device_Error result{};
    const int status = Call(m_abort, kAbortProgram, kProcAbort, Proc(xdr_Device_Link), &link,
                            Proc(xdr_Device_Error), &result, 0, &error);
    return status != 0 ? status : static_cast<int>(result.error);
}

}  // namespace vxi11
