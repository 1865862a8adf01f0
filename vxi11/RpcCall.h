#pragma once

// One RPC call exchanged for its reply on a connected socket, and the portmapper's answer to
// where a program listens: the client's calls without its link state, apart so that the link
// (Vxi11Client) reads as the VXI-11 procedures it calls.

#include <cstdint>
#include <string>

#include "vxi11/RecordStream.h"

namespace vxi11 {

// How a call fails before any device error: the same values as CVxi11Client's.
constexpr int kCallBrokeOff = -1;  // cannot reach the host, or it broke off
constexpr int kCallNoReply = -2;   // nothing came back in time
constexpr int kCallBadReply = -3;  // a reply that is not the one asked for

// Sends the call and reads its reply by deadline; decodes the results with proc into result.
// 0, or one of the failures above with *error saying why.
int ExchangeCall(int fd, std::uint32_t xid, std::uint32_t program, std::uint32_t procedure,
                 xdrproc_t args, const void* argument, xdrproc_t proc, void* result,
                 Clock::time_point deadline, std::string* error);

// The port a program is registered on with host's portmapper (0 and an error when none).
std::uint16_t PortmapperPort(const std::string& host, std::uint32_t program, std::uint32_t version,
                             int timeoutMs, std::string* error);

}  // namespace vxi11
