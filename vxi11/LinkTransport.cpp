// libvisa-vxi11.so: the substitute VISA library's TCPIP INSTR links, over the VXI-11 client,
// with VISA's meaning put on the protocol's results.
#include "sim/core/LinkTransport.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "vxi11/Vxi11Client.h"

struct SfpLink {
    vxi11::CVxi11Client client;
    std::string address;
};

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

// Runs call, turning anything it throws (memory, threads) into a status: nothing may cross
// into the caller's C code.
template <typename Call>
ViStatus Guarded(Call call) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return VI_ERROR_ALLOC;
    } catch (...) {
        return VI_ERROR_SYSTEM_ERROR;
    }
}

SfpLink* Open(const char* host, const char* device, ViUInt32 timeoutMs, ViBoolean exclusive,
              ViUInt32 lockTimeoutMs, ViStatus* status) {
    SfpLink* result = nullptr;
    *status = Guarded([&] {
        auto link = std::make_unique<SfpLink>();
        const int margin = static_cast<int>(std::min<ViUInt32>(timeoutMs, 0x7FFFFFFF));
        switch (link->client.Open(host, device, margin, 0, exclusive != VI_FALSE, lockTimeoutMs)) {
            case vxi11::kOk:
                break;
            case vxi11::kLockedByAnotherLink:
                return VI_ERROR_RSRC_LOCKED;
            case vxi11::CVxi11Client::kNoReply:
                return VI_ERROR_TMO;
            case vxi11::kOutOfResources:
                return VI_ERROR_RSRC_BUSY;
            default:  // no server, no such device, or a host that does not answer
                return VI_ERROR_RSRC_NFOUND;
        }
        link->address = link->client.PeerAddress();
        result = link.release();
        return VI_SUCCESS;
    });
    return result;
}

void Close(SfpLink* link) {
    try {
        delete link;
    } catch (...) {
        // A destructor that throws ends the process anyway; nothing else to do here.
    }
}

const char* Address(const SfpLink* link) {
    return link->address.c_str();
}

ViStatus Write(SfpLink* link, const ViByte* data, ViUInt32 count, ViBoolean end, ViUInt32 timeoutMs,
               ViUInt32* written) {
    return Guarded([&] {
        std::size_t sent = 0;
        const int code = link->client.Write(std::string(reinterpret_cast<const char*>(data), count),
                                            end != VI_FALSE, timeoutMs, &sent);
        if (written != nullptr) {
            *written = static_cast<ViUInt32>(sent);
        }
        return FromLink(code);
    });
}

ViStatus Read(SfpLink* link, ViByte* buffer, ViUInt32 count, ViInt32 termChar, ViUInt32 timeoutMs,
              ViUInt32* read, ViBoolean* end) {
    return Guarded([&]() -> ViStatus {
        std::string data;
        std::int32_t reason = 0;
        const int code = link->client.ReadMessage(&data, timeoutMs, count, termChar, &reason);
        const ViUInt32 got = std::min<ViUInt32>(static_cast<ViUInt32>(data.size()), count);
        std::memcpy(buffer, data.data(), got);
        if (read != nullptr) {
            *read = got;
        }
        if (code != vxi11::kOk) {
            return FromLink(code);
        }
        if ((reason & (vxi11::kReasonEnd | vxi11::kReasonTermChar)) != 0) {
            if (end != nullptr) {
                *end = VI_TRUE;
            }
            return (reason & vxi11::kReasonEnd) != 0 ? VI_SUCCESS : VI_SUCCESS_TERM_CHAR;
        }
        return VI_SUCCESS_MAX_CNT;
    });
}

ViStatus ReadStb(SfpLink* link, ViUInt16* status) {
    return Guarded([&] {
        std::uint8_t stb = 0;
        const ViStatus result = FromLink(link->client.ReadStb(&stb));
        *status = stb;
        return result;
    });
}

ViStatus Clear(SfpLink* link) {
    return Guarded([&] { return FromLink(link->client.Clear()); });
}

ViStatus Trigger(SfpLink* link) {
    return Guarded([&] { return FromLink(link->client.Trigger()); });
}

ViStatus Lock(SfpLink* link, ViUInt32 timeoutMs) {
    return Guarded([&] {
        const int code = link->client.Lock(timeoutMs);
        // Another link kept the lock for the whole time-out.
        return code == vxi11::kLockedByAnotherLink ? VI_ERROR_TMO : FromLink(code);
    });
}

ViStatus Unlock(SfpLink* link) {
    return Guarded([&] { return FromLink(link->client.Unlock()); });
}

ViStatus EnableServiceRequests(SfpLink* link, void (*onRequest)(void*), void* context) {
    return Guarded([&] {
        const vxi11::Bytes handle{'v', 'i', 's', 'a'};
        return FromLink(link->client.EnableSrq(
            handle, [onRequest, context](const vxi11::Bytes&) { onRequest(context); }));
    });
}

constexpr SfpLinkTransport kTransport = {
    kSfpLinkTransportVersion,
    sizeof(SfpLinkTransport),
    Open,
    Close,
    Address,
    Write,
    Read,
    ReadStb,
    Clear,
    Trigger,
    Lock,
    Unlock,
    EnableServiceRequests,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const SfpLinkTransport* sfp_link_transport(
    ViUInt32 version) {
    return version == kSfpLinkTransportVersion ? &kTransport : nullptr;
}
