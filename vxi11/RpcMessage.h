#pragma once

#include <cstdint>
#include <vector>

#include "vxi11/Vxi11.h"

namespace vxi11 {

using Bytes = std::vector<std::uint8_t>;

// Outcomes of an accepted call, as the reply states them.
enum class AcceptStat : std::uint32_t {
    Success = 0,
    ProgramUnavailable = 1,
    ProgramMismatch = 2,
    ProcedureUnavailable = 3,
    GarbageArguments = 4,
    SystemError = 5,
};

struct CallHeader {
    std::uint32_t xid = 0;
    std::uint32_t program = 0;
    std::uint32_t version = 0;
    std::uint32_t procedure = 0;
};

enum class HeaderResult { Call, WrongRpcVersion, Malformed };

// A generated XDR routine as the untyped procedure the RPC library takes.
template <typename T>
xdrproc_t Proc(bool_t (*function)(XDR*, T*)) {
    return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(function));
}

// Reads an RPC call's header from the start of a record; on success the stream stands at the
// arguments. Credentials are skipped (no procedure here depends on them), within their bound.
HeaderResult DecodeCallHeader(XDR* xdr, CallHeader* header);

// A whole call record: header (no credentials) and arguments encoded by args.
Bytes EncodeCall(const CallHeader& header, xdrproc_t args, const void* argument);

// An accepted reply; results are encoded only for Success. A program mismatch states the one
// version served.
Bytes EncodeReply(std::uint32_t xid, AcceptStat stat, xdrproc_t results = nullptr,
                  const void* result = nullptr);
// The reply to a call of another RPC version than 2.
Bytes EncodeRpcMismatch(std::uint32_t xid);

// Reads a reply's header; true when it answers xid, was accepted and succeeded, and the stream
// stands at the results.
bool DecodeSuccessReply(XDR* xdr, std::uint32_t xid);

// An XDR decoding stream over bytes it does not own.
class CXdrReader {
public:
    CXdrReader(const Bytes& bytes, std::size_t offset = 0);
    ~CXdrReader();
    CXdrReader(const CXdrReader&) = delete;
    CXdrReader& operator=(const CXdrReader&) = delete;
    XDR* Get() { return &m_xdr; }

private:
    XDR m_xdr;
};

// A decoded value of a generated type; the memory the decoder took is given back when it goes.
template <typename T>
class CDecoded {
public:
    explicit CDecoded(xdrproc_t proc) : m_proc(proc) {}
    ~CDecoded() { xdr_free(m_proc, reinterpret_cast<char*>(&m_value)); }
    CDecoded(const CDecoded&) = delete;
    CDecoded& operator=(const CDecoded&) = delete;
    bool Decode(XDR* xdr) { return m_proc(xdr, &m_value) != 0; }
    T& operator*() { return m_value; }
    T* operator->() { return &m_value; }

private:
    xdrproc_t m_proc;
    T m_value{};
};

}  // namespace vxi11
