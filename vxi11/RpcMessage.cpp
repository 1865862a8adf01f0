#include "vxi11/RpcMessage.h"

#include <cstring>

namespace vxi11 {

namespace {

constexpr std::uint32_t kCall = 0;
constexpr std::uint32_t kReply = 1;
constexpr std::uint32_t kMsgAccepted = 0;
constexpr std::uint32_t kMsgDenied = 1;
constexpr std::uint32_t kRpcMismatch = 0;
constexpr std::uint32_t kAuthNone = 0;
constexpr std::uint32_t kMaxAuthBytes = 400;

bool Word(XDR* xdr, std::uint32_t* value) {
    return xdr_u_int32_t(xdr, value) != 0;
}

bool SkipAuth(XDR* xdr) {
    std::uint32_t flavor = 0;
    std::uint32_t length = 0;
    if (!Word(xdr, &flavor) || !Word(xdr, &length) || length > kMaxAuthBytes) {
        return false;
    }
    char body[kMaxAuthBytes];
    return xdr_opaque(xdr, body, length) != 0;
}

// Encodes with a stream sized by a first pass that only counts.
template <typename Encoder>
Bytes Encode(Encoder encode, std::size_t size) {
    Bytes bytes(size);
    XDR xdr;
    xdrmem_create(&xdr, reinterpret_cast<char*>(bytes.data()), static_cast<u_int>(bytes.size()),
                  XDR_ENCODE);
    const bool ok = encode(&xdr);
    bytes.resize(ok ? xdr_getpos(&xdr) : 0);
    xdr_destroy(&xdr);
    return bytes;
}

std::size_t SizeOf(xdrproc_t proc, const void* value) {
    return proc == nullptr ? 0 : xdr_sizeof(proc, const_cast<void*>(value));
}

}  // namespace

HeaderResult DecodeCallHeader(XDR* xdr, CallHeader* header) {
    std::uint32_t type = 0;
    std::uint32_t rpcVersion = 0;
    if (!Word(xdr, &header->xid) || !Word(xdr, &type) || type != kCall || !Word(xdr, &rpcVersion)) {
        return HeaderResult::Malformed;
    }
    if (rpcVersion != 2) {
        return HeaderResult::WrongRpcVersion;
    }
    if (!Word(xdr, &header->program) || !Word(xdr, &header->version) ||
        !Word(xdr, &header->procedure) || !SkipAuth(xdr) || !SkipAuth(xdr)) {
        return HeaderResult::Malformed;
    }
    return HeaderResult::Call;
}

Bytes EncodeCall(const CallHeader& header, xdrproc_t args, const void* argument) {
    return Encode(
        [&](XDR* xdr) {
            std::uint32_t words[] = {header.xid,       kCall,     2, header.program, header.version,
                                     header.procedure, kAuthNone, 0, kAuthNone,      0};
            for (std::uint32_t& word : words) {
                if (!Word(xdr, &word)) {
                    return false;
                }
            }
            return args == nullptr || args(xdr, const_cast<void*>(argument)) != 0;
        },
        40 + SizeOf(args, argument));
}

Bytes EncodeReply(std::uint32_t xid, AcceptStat stat, xdrproc_t results, const void* result) {
    const bool withResults = stat == AcceptStat::Success && results != nullptr;
    return Encode(
        [&](XDR* xdr) {
            std::uint32_t words[] = {xid,       kReply, kMsgAccepted,
                                     kAuthNone, 0,      static_cast<std::uint32_t>(stat)};
            for (std::uint32_t& word : words) {
                if (!Word(xdr, &word)) {
                    return false;
                }
            }
            if (stat == AcceptStat::ProgramMismatch) {
                std::uint32_t low = kProgramVersion;
                std::uint32_t high = kProgramVersion;
                return Word(xdr, &low) && Word(xdr, &high);
            }
            return !withResults || results(xdr, const_cast<void*>(result)) != 0;
        },
        32 + (withResults ? SizeOf(results, result) : 0));
}

Bytes EncodeRpcMismatch(std::uint32_t xid) {
    return Encode(
        [&](XDR* xdr) {
            std::uint32_t words[] = {xid, kReply, kMsgDenied, kRpcMismatch, 2, 2};
            for (std::uint32_t& word : words) {
                if (!Word(xdr, &word)) {
                    return false;
                }
            }
            return true;
        },
        24);
}

bool DecodeSuccessReply(XDR* xdr, std::uint32_t xid) {
    std::uint32_t got = 0;
    std::uint32_t type = 0;
    std::uint32_t replyStat = 0;
    std::uint32_t accept = 0;
    return Word(xdr, &got) && got == xid && Word(xdr, &type) && type == kReply &&
           Word(xdr, &replyStat) && replyStat == kMsgAccepted && SkipAuth(xdr) &&
           Word(xdr, &accept) && accept == static_cast<std::uint32_t>(AcceptStat::Success);
}

CXdrReader::CXdrReader(const Bytes& bytes, std::size_t offset) {
    const std::size_t start = offset < bytes.size() ? offset : bytes.size();
    xdrmem_create(&m_xdr, const_cast<char*>(reinterpret_cast<const char*>(bytes.data()) + start),
                  static_cast<u_int>(bytes.size() - start), XDR_DECODE);
}

CXdrReader::~CXdrReader() {
    xdr_destroy(&m_xdr);
}

}  // namespace vxi11
