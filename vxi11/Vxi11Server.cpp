#include "vxi11/Vxi11Server.h"

#include "vxi11/InterruptChannel.h"
#include "vxi11/RecordStream.h"

namespace vxi11 {

namespace {

// Data for the log: a long message is cut, so that one write makes one readable line.
std::string Shown(const std::string& data) {
    constexpr std::size_t kShown = 120;
    if (data.size() <= kShown) {
        return data;
    }
    return data.substr(0, kShown) + "... (" + std::to_string(data.size()) + " bytes)";
}

Bytes ErrorReply(std::uint32_t xid, std::int32_t error) {
    Device_Error result{error};
    return EncodeReply(xid, AcceptStat::Success, Proc(xdr_Device_Error), &result);
}

}  // namespace

CVxi11Server::CVxi11Server(const sim::Scenario& scenario, Log log)
    : m_log(std::move(log)), m_links(scenario), m_waits(m_links), m_requests(m_links, m_log) {}

CVxi11Server::~CVxi11Server() = default;

std::vector<std::vector<std::string>> CVxi11Server::DeviceNames() const {
    return m_links.DeviceNames();
}

void CVxi11Server::SetAbortPort(std::uint16_t port) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_abortPort = port;
}

void CVxi11Server::SetWaitLimits(std::uint32_t maxWaitMs, int interruptConnectMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_waits.SetMaxWait(maxWaitMs);
    m_requests.SetConnectLimit(interruptConnectMs);
}

int CVxi11Server::WaitingCalls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waits.Waiting();
}

std::size_t CVxi11Server::LinkCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_links.Links().size();
}

void CVxi11Server::Trace(const std::string& line) const {
    if (m_log) {
        m_log(line);
    }
}

void CVxi11Server::ConnectionOpened(ConnectionId connection, std::uint32_t peer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_links.ConnectionOpened(connection, peer);
}

bool CVxi11Server::HoldsLinks(ConnectionId connection) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_links.HoldsLinks(connection);
}

bool CVxi11Server::PeerHoldsLinks(std::uint32_t peer) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_links.PeerHoldsLinks(peer);
}

std::optional<Bytes> CVxi11Server::HandleRecord(ConnectionId connection, Channel channel,
                                                const Bytes& record) {
    CXdrReader reader(record);
    CallHeader header;
    switch (DecodeCallHeader(reader.Get(), &header)) {
        case HeaderResult::Malformed:
            return std::nullopt;
        case HeaderResult::WrongRpcVersion:
            return EncodeRpcMismatch(header.xid);
        case HeaderResult::Call:
            break;
    }
    const std::uint32_t program = channel == Channel::Core ? kCoreProgram : kAbortProgram;
    if (header.program != program) {
        return EncodeReply(header.xid, AcceptStat::ProgramUnavailable);
    }
    if (header.version != kProgramVersion) {
        return EncodeReply(header.xid, AcceptStat::ProgramMismatch);
    }
    return Dispatch(connection, channel, header, reader.Get());
}

Bytes CVxi11Server::Dispatch(ConnectionId connection, Channel channel, const CallHeader& header,
                             XDR* xdr) {
    const std::uint32_t xid = header.xid;
    if (channel == Channel::Abort) {
        if (header.procedure == 0) {
            return EncodeReply(xid, AcceptStat::Success);
        }
        if (header.procedure != kProcAbort) {
            return EncodeReply(xid, AcceptStat::ProcedureUnavailable);
        }
        return LinkOnly(connection, xid, kProcAbort, xdr);
    }
    switch (header.procedure) {
        case 0:  // the null procedure every RPC program answers
            return EncodeReply(xid, AcceptStat::Success);
        case kProcCreateLink:
            return CreateLink(connection, xid, xdr);
        case kProcWrite:
            return Write(connection, xid, xdr);
        case kProcRead:
            return Read(connection, xid, xdr);
        case kProcReadStb:
        case kProcTrigger:
        case kProcClear:
        case kProcRemote:
        case kProcLocal:
            return Generic(connection, xid, header.procedure, xdr);
        case kProcLock:
            return LockDevice(connection, xid, xdr);
        case kProcUnlock:
        case kProcDestroyLink:
            return LinkOnly(connection, xid, header.procedure, xdr);
        case kProcEnableSrq:
            return EnableSrq(connection, xid, xdr);
        case kProcDocmd:
            return Docmd(connection, xid, xdr);
        case kProcCreateIntrChan:
            return CreateInterruptChannel(connection, xid, xdr);
        case kProcDestroyIntrChan:
            return ErrorReply(xid, m_requests.DestroyChannel(m_mutex, connection));
        default:
            return EncodeReply(xid, AcceptStat::ProcedureUnavailable);
    }
}

void CVxi11Server::DestroyLink(const LinkPtr& link) {
    m_links.Destroy(link);
    m_waits.Notify();
}

Bytes CVxi11Server::CreateLink(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Create_LinkParms> parms(Proc(xdr_Create_LinkParms));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Create_LinkResp result{};
    const std::string name = parms->device != nullptr ? parms->device : "";
    Lock lock(m_mutex);
    const std::optional<std::size_t> device = m_links.FindDevice(name);
    LinkPtr link;
    if (m_waits.Stopping()) {
        result.error = kOutOfResources;
    } else if (name.size() > DEVICE_MAX_NAME) {
        result.error = kParameterError;
    } else if (!device) {
        result.error = kDeviceNotAccessible;
    } else {
        result.error = m_links.Create(connection, *device, &link);
    }
    if (result.error == kOk && parms->lockDevice) {
        result.error = m_waits.Acquire(lock, link, kFlagWaitLock,
                                       static_cast<std::uint32_t>(parms->lock_timeout));
        if (result.error != kOk) {
            DestroyLink(link);
        }
    }
    if (result.error == kOk) {
        result.lid = link->id;
        result.abortPort = m_abortPort;
        result.maxRecvSize = kMaxRecvSize;
    }
    Trace("create_link " + Shown(name) + " -> " + std::to_string(result.error) + " link " +
          std::to_string(result.lid));
    return EncodeReply(xid, AcceptStat::Success, Proc(xdr_Create_LinkResp), &result);
}

Bytes CVxi11Server::Write(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Device_WriteParms> parms(Proc(xdr_Device_WriteParms));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Device_WriteResp result{};
    CServiceRequests::Targets requests;
    Lock lock(m_mutex);
    const LinkPtr link = m_links.Find(connection, parms->lid);
    if (!link) {
        result.error = kInvalidLink;
    } else if (parms->data.data_len > kMaxRecvSize) {
        result.error = kParameterError;
    } else {
        result.error = m_waits.AwaitAccess(lock, link, parms->flags,
                                           static_cast<std::uint32_t>(parms->lock_timeout));
    }
    std::optional<std::string> message;
    if (result.error == kOk) {
        result.error = m_links.Append(*link, parms->data.data_val, parms->data.data_len,
                                      (parms->flags & kFlagEnd) != 0, &message);
    }
    if (result.error == kOk) {
        result.size = parms->data.data_len;
    }
    if (message) {
        result.error = m_links.Execute(*link, *message);
        Trace("write link " + std::to_string(link->id) + ": " + Shown(*message));
        requests = m_requests.Notice(link->device);
        if (result.error != kOk) {
            result.size = 0;
        } else {
            m_waits.Notify();
        }
    }
    lock.unlock();
    CServiceRequests::Send(requests);
    return EncodeReply(xid, AcceptStat::Success, Proc(xdr_Device_WriteResp), &result);
}

Bytes CVxi11Server::Read(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Device_ReadParms> parms(Proc(xdr_Device_ReadParms));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Device_ReadResp result{};
    std::string data;
    Lock lock(m_mutex);
    const LinkPtr link = m_links.Find(connection, parms->lid);
    result.error = !link ? kInvalidLink
                         : m_waits.AwaitAccess(lock, link, parms->flags,
                                               static_cast<std::uint32_t>(parms->lock_timeout));
    if (result.error == kOk) {
        result.error =
            m_waits.AwaitReply(lock, link, static_cast<std::uint32_t>(parms->io_timeout));
    }
    if (result.error == kOk) {
        std::int32_t reason = 0;
        data = CLinkTable::TakeOutput(*link, static_cast<std::uint32_t>(parms->requestSize),
                                      parms->flags, parms->termChar, &reason);
        result.reason = reason;
    }
    result.data.data_len = static_cast<u_int>(data.size());
    result.data.data_val = data.data();
    return EncodeReply(xid, AcceptStat::Success, Proc(xdr_Device_ReadResp), &result);
}

Bytes CVxi11Server::Generic(ConnectionId connection, std::uint32_t xid, std::uint32_t procedure,
                            XDR* xdr) {
    CDecoded<Device_GenericParms> parms(Proc(xdr_Device_GenericParms));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Lock lock(m_mutex);
    const LinkPtr link = m_links.Find(connection, parms->lid);
    const std::int32_t error =
        !link ? kInvalidLink
              : m_waits.AwaitAccess(lock, link, parms->flags,
                                    static_cast<std::uint32_t>(parms->lock_timeout));
    if (procedure == kProcReadStb) {
        Device_ReadStbResp result{};
        result.error = error;
        CServiceRequests::Targets requests;
        if (error == kOk) {
            result.stb = m_requests.ReadStatus(*link, &requests);
        }
        lock.unlock();
        CServiceRequests::Send(requests);
        return EncodeReply(xid, AcceptStat::Success, Proc(xdr_Device_ReadStbResp), &result);
    }
    if (error == kOk && procedure == kProcClear) {
        m_links.Clear(*link);
    }
    // Trigger, remote and local change nothing the simulated module models.
    return ErrorReply(xid, error);
}

Bytes CVxi11Server::LockDevice(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Device_LockParms> parms(Proc(xdr_Device_LockParms));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Lock lock(m_mutex);
    const LinkPtr link = m_links.Find(connection, parms->lid);
    const std::int32_t error =
        !link ? kInvalidLink
              : m_waits.Acquire(lock, link, parms->flags,
                                static_cast<std::uint32_t>(parms->lock_timeout));
    Trace("device_lock link " + std::to_string(parms->lid) + " -> " + std::to_string(error));
    return ErrorReply(xid, error);
}

Bytes CVxi11Server::LinkOnly(ConnectionId connection, std::uint32_t xid, std::uint32_t procedure,
                             XDR* xdr) {
    Device_Link id = 0;
    if (!xdr_Device_Link(xdr, &id)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Lock lock(m_mutex);
    // The abort channel is a connection of its own: it may end the calls of links made by the
    // same peer, no one else's.
    const LinkPtr link = procedure == kProcAbort ? m_links.FindForPeer(connection, id)
                                                 : m_links.Find(connection, id);
    std::int32_t error = link ? kOk : kInvalidLink;
    if (link && procedure == kProcUnlock) {
        error = m_waits.Release(*link);
    } else if (link && procedure == kProcDestroyLink) {
        DestroyLink(link);
    } else if (link && procedure == kProcAbort) {
        m_waits.Abort(*link);
    }
    return ErrorReply(xid, error);
}

Bytes CVxi11Server::EnableSrq(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Device_EnableSrqParms> parms(Proc(xdr_Device_EnableSrqParms));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Lock lock(m_mutex);
    const LinkPtr link = m_links.Find(connection, parms->lid);
    if (link) {
        CServiceRequests::Enable(*link, *parms);
    }
    return ErrorReply(xid, link ? kOk : kInvalidLink);
}

Bytes CVxi11Server::Docmd(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Device_DocmdParms> parms(Proc(xdr_Device_DocmdParms));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Lock lock(m_mutex);
    Device_DocmdResp result{};
    result.error = m_links.Find(connection, parms->lid) ? kNotSupported : kInvalidLink;
    lock.unlock();
    return EncodeReply(xid, AcceptStat::Success, Proc(xdr_Device_DocmdResp), &result);
}

Bytes CVxi11Server::CreateInterruptChannel(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Device_RemoteFunc> parms(Proc(xdr_Device_RemoteFunc));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    return ErrorReply(xid, m_requests.CreateChannel(m_mutex, connection, *parms));
}

void CVxi11Server::ConnectionClosed(ConnectionId connection) {
    // Declared before the lock: the channel's sender is stopped after it is released.
    std::shared_ptr<CInterruptChannel> interrupt;
    Lock lock(m_mutex);
    for (const LinkPtr& link : m_links.LinksOf(connection)) {
        Trace("connection closed: link " + std::to_string(link->id) + " destroyed");
        DestroyLink(link);
    }
    m_links.ConnectionClosed(connection);
    interrupt = m_requests.Release(connection);
}

void CVxi11Server::Shutdown() {
    Lock lock(m_mutex);
    m_waits.Shutdown();
}

int CVxi11Server::RaiseServiceRequest(const std::string& resource) {
    CServiceRequests::Targets targets;
    {
        Lock lock(m_mutex);
        const std::optional<std::size_t> device = m_links.FindDevice(resource);
        if (!device) {
            return -1;
        }
        targets = m_requests.Raise(*device);
    }
    const int queued = CServiceRequests::Send(targets);
    Trace("service request on " + resource + ": " + std::to_string(queued) + " sent");
    return queued;
}

long long CVxi11Server::StepDevices() {
    CServiceRequests::Targets targets;
    long long next = -1;
    {
        Lock lock(m_mutex);
        targets = m_requests.Step(&next);
    }
    CServiceRequests::Send(targets);
    return next;
}

}  // namespace vxi11
