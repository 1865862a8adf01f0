#include "sim/core/RemoteLink.h"

#if defined(SFP_VISA_TCPIP)
#include <algorithm>
#include <cstring>

#include "vxi11/Vxi11Client.h"
#endif

namespace sim {

#if defined(SFP_VISA_TCPIP)

namespace {

// A device error or transport failure of the link, as VISA reports it.
ViStatus FromLink(int code) {
    switch (code) {
        case vxi11::kOk:
            return VI_SUCCESS;
        case vxi11::kLockedByAnotherLink:
            return VI_ERROR_RSRC_LOCKED;
        case vxi11::kIoTimeout:
        case vxi11::CVxi11Client::kNoReply:
            return VI_ERROR_TMO;
        case vxi11::kNotSupported:
            return VI_ERROR_NSUP_OPER;
        case vxi11::kNoLockHeld:
            return VI_ERROR_SESN_NLOCKED;
        case vxi11::kInvalidLink:  // the server dropped the link
        case vxi11::CVxi11Client::kTransportError:
            return VI_ERROR_CONN_LOST;
        default:
            return VI_ERROR_IO;
    }
}

}  // namespace

struct CRemoteLink::Impl {
    vxi11::CVxi11Client client;
};

CRemoteLink::CRemoteLink(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

CRemoteLink::~CRemoteLink() = default;

std::unique_ptr<CRemoteLink> CRemoteLink::Open(const std::string& host, const std::string& device,
                                               ViUInt32 timeoutMs, bool exclusive,
                                               ViUInt32 lockTimeoutMs, ViStatus* status) {
    auto impl = std::make_unique<Impl>();
    const int margin = static_cast<int>(std::min<ViUInt32>(timeoutMs, 0x7FFFFFFF));
    const int opened = impl->client.Open(host, device, margin, 0, exclusive, lockTimeoutMs);
    switch (opened) {
        case vxi11::kOk:
            break;
        case vxi11::kLockedByAnotherLink:
            *status = VI_ERROR_RSRC_LOCKED;
            return nullptr;
        case vxi11::CVxi11Client::kNoReply:
            *status = VI_ERROR_TMO;
            return nullptr;
        case vxi11::kOutOfResources:
            *status = VI_ERROR_RSRC_BUSY;
            return nullptr;
        default:  // no server, no such device, or a host that does not answer
            *status = VI_ERROR_RSRC_NFOUND;
            return nullptr;
    }
    std::unique_ptr<CRemoteLink> link(new CRemoteLink(std::move(impl)));
    link->m_address = link->m_impl->client.PeerAddress();
    *status = VI_SUCCESS;
    return link;
}

ViStatus CRemoteLink::Write(const ViByte* data, ViUInt32 count, bool end, ViUInt32 timeoutMs,
                            ViUInt32* written) {
    std::size_t sent = 0;
    const int code = m_impl->client.Write(std::string(reinterpret_cast<const char*>(data), count),
                                          end, timeoutMs, &sent);
    if (written != nullptr) {
        *written = static_cast<ViUInt32>(sent);
    }
    return FromLink(code);
}

ViStatus CRemoteLink::Read(ViByte* buffer, ViUInt32 count, int termChar, ViUInt32 timeoutMs,
                           ViUInt32* read, bool* end) {
    ViUInt32 got = 0;
    for (;;) {
        std::string piece;
        std::int32_t reason = 0;
        const int code = m_impl->client.Read(count - got, termChar, timeoutMs, &piece, &reason);
        const ViUInt32 take = std::min<ViUInt32>(static_cast<ViUInt32>(piece.size()), count - got);
        std::memcpy(buffer + got, piece.data(), take);
        got += take;
        if (read != nullptr) {
            *read = got;
        }
        if (code != vxi11::kOk) {
            return FromLink(code);
        }
        if ((reason & (vxi11::kReasonEnd | vxi11::kReasonTermChar)) != 0) {
            if (end != nullptr) {
                *end = true;
            }
            return (reason & vxi11::kReasonEnd) != 0 ? VI_SUCCESS : VI_SUCCESS_TERM_CHAR;
        }
        if (got == count) {
            return VI_SUCCESS_MAX_CNT;
        }
        // A device may hand back less than asked without an end; one that hands back nothing
        // would have the loop spin.
        if (piece.empty()) {
            return VI_ERROR_IO;
        }
    }
}

ViStatus CRemoteLink::ReadStb(ViUInt16* status) {
    std::uint8_t stb = 0;
    const ViStatus result = FromLink(m_impl->client.ReadStb(&stb));
    *status = stb;
    return result;
}

ViStatus CRemoteLink::Clear() {
    return FromLink(m_impl->client.Clear());
}

ViStatus CRemoteLink::Trigger() {
    return FromLink(m_impl->client.Trigger());
}

ViStatus CRemoteLink::Lock(ViUInt32 timeoutMs) {
    const int code = m_impl->client.Lock(timeoutMs);
    // Another link kept the lock for the whole time-out.
    return code == vxi11::kLockedByAnotherLink ? VI_ERROR_TMO : FromLink(code);
}

ViStatus CRemoteLink::Unlock() {
    return FromLink(m_impl->client.Unlock());
}

ViStatus CRemoteLink::EnableServiceRequests(std::function<void()> onRequest) {
    const vxi11::Bytes handle{'v', 'i', 's', 'a'};
    return FromLink(m_impl->client.EnableSrq(
        handle, [onRequest = std::move(onRequest)](const vxi11::Bytes&) { onRequest(); }));
}

#else

struct CRemoteLink::Impl {};

CRemoteLink::CRemoteLink(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

CRemoteLink::~CRemoteLink() = default;

std::unique_ptr<CRemoteLink> CRemoteLink::Open(const std::string&, const std::string&, ViUInt32,
                                               bool, ViUInt32, ViStatus* status) {
    *status = VI_ERROR_RSRC_NFOUND;
    return nullptr;
}

ViStatus CRemoteLink::Write(const ViByte*, ViUInt32, bool, ViUInt32, ViUInt32*) {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::Read(ViByte*, ViUInt32, int, ViUInt32, ViUInt32*, bool*) {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::ReadStb(ViUInt16*) {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::Clear() {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::Trigger() {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::Lock(ViUInt32) {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::Unlock() {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::EnableServiceRequests(std::function<void()>) {
    return VI_ERROR_NSUP_OPER;
}

#endif

}  // namespace sim
