#include "vxi11/RpcCall.h"

#include <rpc/pmap_prot.h>

namespace vxi11 {

namespace {

constexpr std::uint16_t kPortmapperPort = 111;
constexpr std::uint32_t kPortmapperProgram = 100000;
constexpr std::uint32_t kPortmapperVersion = 2;
constexpr std::uint32_t kPortmapperGetPort = 3;

}  // namespace

int ExchangeCall(int fd, std::uint32_t xid, std::uint32_t program, std::uint32_t procedure,
                 xdrproc_t args, const void* argument, xdrproc_t proc, void* result,
                 Clock::time_point deadline, std::string* error) {
    const Bytes call =
        EncodeCall(CallHeader{xid, program, kProgramVersion, procedure}, args, argument);
    if (!WriteRecord(fd, call, &deadline)) {
        *error = "the connection broke off";
        return kCallBrokeOff;
    }
    Bytes reply;
    switch (ReadRecord(fd, kMaxRecord, &reply, &deadline)) {
        case RecordResult::Ok:
            break;
        case RecordResult::TimedOut:
            *error = "no reply within the time-out";
            return kCallNoReply;
        case RecordResult::Closed:
            *error = "the connection broke off";
            return kCallBrokeOff;
        case RecordResult::TooLarge:
            *error = "a reply larger than any the protocol allows";
            return kCallBadReply;
    }
    CXdrReader reader(reply);
    if (!DecodeSuccessReply(reader.Get(), xid) ||
        (proc != nullptr && proc(reader.Get(), result) == 0)) {
        *error = "the device refused the call or sent a malformed reply";
        return kCallBadReply;
    }
    return 0;
}

std::uint16_t PortmapperPort(const std::string& host, std::uint32_t program, std::uint32_t version,
                             int timeoutMs, std::string* error) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    CSocket socket = ConnectTcp(host, kPortmapperPort, deadline, error);
    if (!socket.IsOpen()) {
        *error = "no portmapper on " + host + ": " + *error;
        return 0;
    }
    pmap query{program, version, IPPROTO_TCP, 0};
    u_long port = 0;
    const std::uint32_t xid = 1;
    const Bytes call =
        EncodeCall(CallHeader{xid, kPortmapperProgram, kPortmapperVersion, kPortmapperGetPort},
                   Proc(xdr_pmap), &query);
    Bytes reply;
    if (!WriteRecord(socket.Fd(), call, &deadline) ||
        ReadRecord(socket.Fd(), 1024, &reply, &deadline) != RecordResult::Ok) {
        *error = "the portmapper on " + host + " did not answer";
        return 0;
    }
    CXdrReader reader(reply);
    if (!DecodeSuccessReply(reader.Get(), xid) || !xdr_u_long(reader.Get(), &port) || port == 0 ||
        port > 0xFFFF) {
        *error = "no VXI-11 server registered on " + host;
        return 0;
    }
    return static_cast<std::uint16_t>(port);
}

}  // namespace vxi11
