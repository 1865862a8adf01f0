#include "vxi11/Vxi11Server.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

#include "vxi11/InterruptChannel.h"

namespace vxi11 {

namespace {

// Beyond this many links on one connection, or in all, create_link answers "out of
// resources". The total covers every connection the network layer admits with all its links.
constexpr std::size_t kMaxLinksPerConnection = 8;
constexpr std::size_t kMaxLinks = 8192;
// Messages sent in pieces without an end: one connection holds at most this much over all
// its links; the write that would pass it is refused and that link's message dropped.
constexpr std::size_t kMaxBuffered = 4 * kMaxRecvSize;
constexpr std::uint8_t kStbMessageAvailable = 0x10;
constexpr std::uint8_t kStbRequestService = 0x40;

template <typename T>
xdrproc_t Proc(bool_t (*function)(XDR*, T*)) {
    return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(function));
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Data for the log: a long message is cut, so that one write makes one readable line.
std::string Shown(const std::string& data) {
    constexpr std::size_t kShown = 120;
    if (data.size() <= kShown) {
        return data;
    }
    return data.substr(0, kShown) + "... (" + std::to_string(data.size()) + " bytes)";
}

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Clock::time_point After(std::uint32_t ms) {
    return Clock::now() + std::chrono::milliseconds(ms);
}

Bytes ErrorReply(std::uint32_t xid, std::int32_t error) {
    Device_Error result{error};
    return EncodeReply(xid, AcceptStat::Success, Proc(xdr_Device_Error), &result);
}

std::int32_t ErrorOfStatus(ViStatus status) {
    return status == VI_ERROR_TMO ? kIoTimeout : kIoError;
}

}  // namespace

CVxi11Server::CVxi11Server(const sim::Scenario& scenario, Log log)
    : m_log(std::move(log)), m_random(std::random_device{}()) {
    const long long now = NowMs();
    for (std::size_t i = 0; i < scenario.resources.size(); ++i) {
        const sim::ResourceScenario& resource = scenario.resources[i];
        Device device;
        device.resource = resource.name;
        device.names.push_back("inst" + std::to_string(i));
        if (resource.interfaceType == VI_INTF_VXI && resource.slot && *resource.slot != 0xFFFF) {
            device.names.push_back("vxi0," + std::to_string(*resource.slot));
        }
        device.device = std::make_unique<sim::CDevice>(resource, now);
        m_devices.push_back(std::move(device));
    }
}

CVxi11Server::~CVxi11Server() = default;

std::vector<std::vector<std::string>> CVxi11Server::DeviceNames() const {
    std::vector<std::vector<std::string>> names;
    for (const Device& device : m_devices) {
        names.push_back(device.names);
    }
    return names;
}

void CVxi11Server::SetAbortPort(std::uint16_t port) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_abortPort = port;
}

void CVxi11Server::SetWaitLimits(std::uint32_t maxWaitMs, int interruptConnectMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_maxWaitMs = maxWaitMs;
    m_interruptConnectMs = interruptConnectMs;
}

int CVxi11Server::WaitingCalls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waiting;
}

std::size_t CVxi11Server::LinkCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_links.size();
}

void CVxi11Server::Trace(const std::string& line) const {
    if (m_log) {
        m_log(line);
    }
}

void CVxi11Server::ConnectionOpened(ConnectionId connection, std::uint32_t peer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_peers[connection].address = peer;
}

bool CVxi11Server::HoldsLinks(ConnectionId connection) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_peers.find(connection);
    return found != m_peers.end() && found->second.links > 0;
}

bool CVxi11Server::PeerHoldsLinks(std::uint32_t peer) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_peers.begin(), m_peers.end(), [peer](const auto& entry) {
        return entry.second.address == peer && entry.second.links > 0;
    });
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
        case kProcDocmd: {
            CDecoded<Device_DocmdParms> parms(Proc(xdr_Device_DocmdParms));
            if (!parms.Decode(xdr)) {
                return EncodeReply(xid, AcceptStat::GarbageArguments);
            }
            Device_DocmdResp result{};
            {
                Lock lock(m_mutex);
                result.error = FindLink(connection, parms->lid) ? kNotSupported : kInvalidLink;
            }
            return EncodeReply(xid, AcceptStat::Success, Proc(xdr_Device_DocmdResp), &result);
        }
        case kProcCreateIntrChan:
            return CreateInterruptChannel(connection, xid, xdr);
        case kProcDestroyIntrChan:
            return DestroyInterruptChannel(connection, xid);
        default:
            return EncodeReply(xid, AcceptStat::ProcedureUnavailable);
    }
}

CVxi11Server::LinkPtr CVxi11Server::FindLink(ConnectionId connection, std::int32_t id) const {
    const auto found = m_links.find(id);
    return found == m_links.end() || found->second->connection != connection ? nullptr
                                                                             : found->second;
}

void CVxi11Server::DropInput(Link& link) {
    const auto peer = m_peers.find(link.connection);
    if (peer != m_peers.end()) {
        peer->second.buffered -= std::min(peer->second.buffered, link.input.size());
    }
    link.input.clear();
}

std::optional<std::size_t> CVxi11Server::FindDevice(const std::string& name) const {
    const std::string wanted = Lower(name);
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        const Device& device = m_devices[i];
        if (Lower(device.resource) == wanted ||
            std::find(device.names.begin(), device.names.end(), wanted) != device.names.end()) {
            return i;
        }
    }
    return std::nullopt;
}

std::int32_t CVxi11Server::AwaitAccess(Lock& lock, const LinkPtr& link, std::int32_t flags,
                                       std::uint32_t lockTimeoutMs) {
    const Clock::time_point deadline = After(std::min(lockTimeoutMs, m_maxWaitMs));
    const std::uint64_t aborts = link->aborts;
    for (;;) {
        if (m_stopping || link->destroyed) {
            return link->destroyed ? kInvalidLink : kIoError;
        }
        const std::int32_t owner = m_devices[link->device].lockOwner;
        if (owner == 0 || owner == link->id) {
            return kOk;
        }
        if ((flags & kFlagWaitLock) == 0) {
            return kLockedByAnotherLink;
        }
        if (link->aborts != aborts) {
            return kAbort;
        }
        ++m_waiting;
        const std::cv_status waited = m_changed.wait_until(lock, deadline);
        --m_waiting;
        if (waited == std::cv_status::timeout) {
            const std::int32_t now = m_devices[link->device].lockOwner;
            if (now != 0 && now != link->id) {
                return kLockedByAnotherLink;
            }
        }
    }
}

std::int32_t CVxi11Server::AwaitOutput(Lock& lock, const LinkPtr& link, std::uint32_t ioTimeoutMs) {
    const Clock::time_point deadline = After(std::min(ioTimeoutMs, m_maxWaitMs));
    const std::uint64_t aborts = link->aborts;
    while (link->output.empty()) {
        if (m_stopping || link->destroyed) {
            return kIoError;
        }
        if (link->aborts != aborts) {
            return kAbort;
        }
        ++m_waiting;
        const std::cv_status waited = m_changed.wait_until(lock, deadline);
        --m_waiting;
        if (waited == std::cv_status::timeout && link->output.empty()) {
            return kIoTimeout;
        }
    }
    return kOk;
}

Bytes CVxi11Server::CreateLink(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Create_LinkParms> parms(Proc(xdr_Create_LinkParms));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Create_LinkResp result{};
    const std::string name = parms->device != nullptr ? parms->device : "";
    Lock lock(m_mutex);
    const std::optional<std::size_t> device = FindDevice(name);
    if (m_stopping) {
        result.error = kOutOfResources;
    } else if (name.size() > DEVICE_MAX_NAME) {
        result.error = kParameterError;
    } else if (!device) {
        result.error = kDeviceNotAccessible;
    } else if (m_links.size() >= kMaxLinks || m_peers[connection].links >= kMaxLinksPerConnection) {
        result.error = kOutOfResources;
    } else {
        auto link = std::make_shared<Link>();
        std::uniform_int_distribution<std::int32_t> ids(1, INT32_MAX);
        do {
            link->id = ids(m_random);
        } while (m_links.count(link->id) != 0);
        link->connection = connection;
        link->device = *device;
        m_links[link->id] = link;
        ++m_peers[connection].links;
        if (parms->lockDevice) {
            result.error = AwaitAccess(lock, link, kFlagWaitLock,
                                       static_cast<std::uint32_t>(parms->lock_timeout));
            if (result.error == kOk) {
                m_devices[*device].lockOwner = link->id;
            } else {
                DestroyLink(lock, link);
            }
        }
        if (result.error == kOk) {
            result.lid = link->id;
            result.abortPort = m_abortPort;
            result.maxRecvSize = kMaxRecvSize;
        }
    }
    Trace("create_link " + Shown(name) + " -> " + std::to_string(result.error) + " link " +
          std::to_string(result.lid));
    return EncodeReply(xid, AcceptStat::Success, Proc(xdr_Create_LinkResp), &result);
}

void CVxi11Server::DestroyLink(Lock& /*lock*/, const LinkPtr& link) {
    Device& device = m_devices[link->device];
    if (device.lockOwner == link->id) {
        device.lockOwner = 0;
    }
    DropInput(*link);
    const auto peer = m_peers.find(link->connection);
    if (peer != m_peers.end() && peer->second.links > 0) {
        --peer->second.links;
    }
    link->destroyed = true;
    m_links.erase(link->id);
    m_changed.notify_all();
}

Bytes CVxi11Server::Write(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Device_WriteParms> parms(Proc(xdr_Device_WriteParms));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Device_WriteResp result{};
    Targets requests;
    Lock lock(m_mutex);
    const LinkPtr link = FindLink(connection, parms->lid);
    if (!link) {
        result.error = kInvalidLink;
    } else if (parms->data.data_len > kMaxRecvSize) {
        result.error = kParameterError;
    } else {
        result.error =
            AwaitAccess(lock, link, parms->flags, static_cast<std::uint32_t>(parms->lock_timeout));
    }
    if (result.error == kOk) {
        if (link->input.empty()) {
            // A new message discards a reply nobody read, as an instrument does.
            link->output.clear();
            link->outputEnds = true;
            link->pendingRead = VI_SUCCESS;
        }
        if (m_peers[connection].buffered + parms->data.data_len > kMaxBuffered) {
            DropInput(*link);
            result.error = kParameterError;
        }
    }
    if (result.error == kOk) {
        link->input.append(parms->data.data_val, parms->data.data_len);
        m_peers[connection].buffered += parms->data.data_len;
        result.size = parms->data.data_len;
        if ((parms->flags & kFlagEnd) != 0 ||
            (!link->input.empty() && link->input.back() == '\n')) {
            const std::string message = link->input;
            DropInput(*link);
            const sim::CDevice::Outcome outcome =
                m_devices[link->device].device->Execute(message, NowMs());
            Trace("write link " + std::to_string(link->id) + ": " + Shown(message));
            requests = NoticeRequest(link->device);
            if (outcome.writeStatus < 0) {
                result.error = ErrorOfStatus(outcome.writeStatus);
                result.size = 0;
            } else {
                link->output = outcome.hasReply ? outcome.reply : std::string();
                link->outputEnds = outcome.replyEnds;
                link->pendingRead = outcome.readStatus;
                m_changed.notify_all();
            }
        }
    }
    lock.unlock();
    Send(requests);
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
    const LinkPtr link = FindLink(connection, parms->lid);
    result.error = !link ? kInvalidLink
                         : AwaitAccess(lock, link, parms->flags,
                                       static_cast<std::uint32_t>(parms->lock_timeout));
    const auto ioTimeout = static_cast<std::uint32_t>(parms->io_timeout);
    if (result.error == kOk && link->pendingRead < 0) {
        // The command failed: its reply never comes.
        const ViStatus status = link->pendingRead;
        link->pendingRead = VI_SUCCESS;
        result.error = ErrorOfStatus(status);
        if (status == VI_ERROR_TMO) {
            const std::int32_t waited = AwaitOutput(lock, link, ioTimeout);
            result.error = waited == kOk ? kIoTimeout : waited;
        }
    } else if (result.error == kOk) {
        result.error = AwaitOutput(lock, link, ioTimeout);
    }
    if (result.error == kOk) {
        const std::size_t wanted = std::min<std::size_t>(
            std::min<std::size_t>(static_cast<std::uint32_t>(parms->requestSize), kMaxReadChunk),
            link->output.size());
        std::size_t size = wanted;
        if ((parms->flags & kFlagTermChar) != 0) {
            const std::size_t term = link->output.find(parms->termChar);
            if (term != std::string::npos && term < wanted) {
                size = term + 1;
                result.reason |= kReasonTermChar;
            }
        }
        data = link->output.substr(0, size);
        link->output.erase(0, size);
        if (link->output.empty() && link->outputEnds) {
            result.reason |= kReasonEnd;
        }
        if (size == static_cast<std::uint32_t>(parms->requestSize)) {
            result.reason |= kReasonRequestCount;
        }
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
    const LinkPtr link = FindLink(connection, parms->lid);
    const std::int32_t error = !link ? kInvalidLink
                                     : AwaitAccess(lock, link, parms->flags,
                                                   static_cast<std::uint32_t>(parms->lock_timeout));
    if (procedure == kProcReadStb) {
        Device_ReadStbResp result{};
        result.error = error;
        Targets requests;
        if (error == kOk) {
            Device& device = m_devices[link->device];
            device.device->CatchUp(NowMs());
            requests = NoticeRequest(link->device);
            // The module's own status byte, with what the link adds: its unread reply and a
            // request raised from outside the module.
            const std::uint8_t own = device.device->IsModule() ? device.device->StatusByte() : 0;
            result.stb =
                static_cast<u_char>(own | (link->output.empty() ? 0 : kStbMessageAvailable) |
                                    (device.requestPending ? kStbRequestService : 0));
            device.requestPending = false;
        }
        lock.unlock();
        Send(requests);
        return EncodeReply(xid, AcceptStat::Success, Proc(xdr_Device_ReadStbResp), &result);
    }
    if (error == kOk && procedure == kProcClear) {
        DropInput(*link);
        link->output.clear();
        link->outputEnds = true;
        link->pendingRead = VI_SUCCESS;
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
    const LinkPtr link = FindLink(connection, parms->lid);
    std::int32_t error = kInvalidLink;
    if (link) {
        error =
            AwaitAccess(lock, link, parms->flags, static_cast<std::uint32_t>(parms->lock_timeout));
        if (error == kOk) {
            m_devices[link->device].lockOwner = link->id;
        }
    }
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
    LinkPtr link;
    if (procedure == kProcAbort) {
        // The abort channel is a connection of its own: it may end the calls of links made
        // by the same peer, no one else's.
        const auto found = m_links.find(id);
        if (found != m_links.end() &&
            m_peers[found->second->connection].address == m_peers[connection].address) {
            link = found->second;
        }
    } else {
        link = FindLink(connection, id);
    }
    std::int32_t error = link ? kOk : kInvalidLink;
    if (link && procedure == kProcUnlock) {
        Device& device = m_devices[link->device];
        if (device.lockOwner != link->id) {
            error = kNoLockHeld;
        } else {
            device.lockOwner = 0;
            m_changed.notify_all();
        }
    } else if (link && procedure == kProcDestroyLink) {
        DestroyLink(lock, link);
    } else if (link && procedure == kProcAbort) {
        ++link->aborts;
        m_changed.notify_all();
    }
    return ErrorReply(xid, error);
}

Bytes CVxi11Server::EnableSrq(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Device_EnableSrqParms> parms(Proc(xdr_Device_EnableSrqParms));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    Lock lock(m_mutex);
    const LinkPtr link = FindLink(connection, parms->lid);
    if (link) {
        link->srqEnabled = parms->enable != 0;
        const auto* handle = reinterpret_cast<const std::uint8_t*>(parms->handle.handle_val);
        link->srqHandle.assign(handle, handle + parms->handle.handle_len);
    }
    return ErrorReply(xid, link ? kOk : kInvalidLink);
}

Bytes CVxi11Server::CreateInterruptChannel(ConnectionId connection, std::uint32_t xid, XDR* xdr) {
    CDecoded<Device_RemoteFunc> parms(Proc(xdr_Device_RemoteFunc));
    if (!parms.Decode(xdr)) {
        return EncodeReply(xid, AcceptStat::GarbageArguments);
    }
    int connectMs = 0;
    {
        Lock lock(m_mutex);
        if (m_peers[connection].interrupt) {
            return ErrorReply(xid, kChannelAlreadyEstablished);
        }
        connectMs = m_interruptConnectMs;
    }
    // Read as the number it was sent as: a value outside the enum is no Device_AddrFamily.
    std::int32_t family = 0;
    static_assert(sizeof(family) == sizeof(parms->progFamily), "an enum is sent as 32 bits");
    std::memcpy(&family, &parms->progFamily, sizeof(family));
    if (family != DEVICE_TCP) {
        return ErrorReply(xid, kNotSupported);
    }
    if (parms->hostPort == 0 || parms->hostPort > 0xFFFF) {
        return ErrorReply(xid, kParameterError);
    }
    if (connectMs < 0) {
        return ErrorReply(xid, kChannelNotEstablished);
    }
    // Connecting may take its time-out: no lock is held meanwhile.
    std::shared_ptr<CInterruptChannel> channel = CInterruptChannel::Connect(
        static_cast<std::uint32_t>(parms->hostAddr), static_cast<std::uint16_t>(parms->hostPort),
        static_cast<std::uint32_t>(parms->progNum), static_cast<std::uint32_t>(parms->progVers),
        connectMs);
    if (!channel) {
        return ErrorReply(xid, kChannelNotEstablished);
    }
    Lock lock(m_mutex);
    std::shared_ptr<CInterruptChannel>& slot = m_peers[connection].interrupt;
    const bool added = !slot;
    if (added) {
        slot = std::move(channel);
    }
    lock.unlock();
    // A channel not taken goes here, its sender stopped outside the lock.
    channel.reset();
    return ErrorReply(xid, added ? kOk : kChannelAlreadyEstablished);
}

Bytes CVxi11Server::DestroyInterruptChannel(ConnectionId connection, std::uint32_t xid) {
    std::shared_ptr<CInterruptChannel> gone;
    {
        Lock lock(m_mutex);
        gone = std::move(m_peers[connection].interrupt);
    }
    return ErrorReply(xid, gone ? kOk : kChannelNotEstablished);
}

void CVxi11Server::ConnectionClosed(ConnectionId connection) {
    // Declared before the lock: the channel's sender is stopped after it is released.
    std::shared_ptr<CInterruptChannel> interrupt;
    Lock lock(m_mutex);
    std::vector<LinkPtr> gone;
    for (const auto& entry : m_links) {
        if (entry.second->connection == connection) {
            gone.push_back(entry.second);
        }
    }
    for (const LinkPtr& link : gone) {
        Trace("connection closed: link " + std::to_string(link->id) + " destroyed");
        DestroyLink(lock, link);
    }
    const auto peer = m_peers.find(connection);
    if (peer != m_peers.end()) {
        interrupt = std::move(peer->second.interrupt);
        m_peers.erase(peer);
    }
}

void CVxi11Server::Shutdown() {
    Lock lock(m_mutex);
    m_stopping = true;
    m_changed.notify_all();
}

int CVxi11Server::RaiseServiceRequest(const std::string& resource) {
    Targets targets;
    {
        Lock lock(m_mutex);
        const std::optional<std::size_t> device = FindDevice(resource);
        if (!device) {
            return -1;
        }
        m_devices[*device].requestPending = true;
        targets = TargetsOf(*device);
    }
    const int queued = Send(targets);
    Trace("service request on " + resource + ": " + std::to_string(queued) + " sent");
    return queued;
}

CVxi11Server::Targets CVxi11Server::TargetsOf(std::size_t device) const {
    Targets targets;
    for (const auto& entry : m_links) {
        const Link& link = *entry.second;
        const auto peer = m_peers.find(link.connection);
        if (link.device == device && link.srqEnabled && peer != m_peers.end() &&
            peer->second.interrupt) {
            targets.emplace_back(peer->second.interrupt, link.srqHandle);
        }
    }
    return targets;
}

CVxi11Server::Targets CVxi11Server::NoticeRequest(std::size_t device) {
    Device& entry = m_devices[device];
    const bool requesting = entry.device->RequestsService();
    const bool rising = requesting && !entry.requesting;
    entry.requesting = requesting;
    if (!rising) {
        return Targets();
    }
    Trace("service request from " + entry.resource);
    return TargetsOf(device);
}

int CVxi11Server::Send(const Targets& targets) {
    int queued = 0;
    for (const auto& target : targets) {
        queued += target.first->Post(target.second) ? 1 : 0;
    }
    return queued;
}

long long CVxi11Server::StepDevices() {
    Targets targets;
    long long next = -1;
    {
        Lock lock(m_mutex);
        const long long now = NowMs();
        for (std::size_t i = 0; i < m_devices.size(); ++i) {
            sim::CDevice& device = *m_devices[i].device;
            if (device.NextStepMs() < 0) {
                continue;
            }
            device.CatchUp(now);
            const Targets rose = NoticeRequest(i);
            targets.insert(targets.end(), rose.begin(), rose.end());
            const long long step = device.NextStepMs();
            next = next < 0 ? step : std::min(next, step);
        }
    }
    Send(targets);
    return next;
}

}  // namespace vxi11
