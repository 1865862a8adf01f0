#pragma once

#include <cstdint>

// The XDR routines and types generated from vxi11.x.
#include "vxi11_rpc.h"

namespace vxi11 {

// Error codes a device returns in every reply.
enum Error : std::int32_t {
    kOk = 0,
    kSyntaxError = 1,
    kDeviceNotAccessible = 3,
    kInvalidLink = 4,
    kParameterError = 5,
    kChannelNotEstablished = 6,
    kNotSupported = 8,
    kOutOfResources = 9,
    kLockedByAnotherLink = 11,
    kNoLockHeld = 12,
    kIoTimeout = 15,
    kIoError = 17,
    kInvalidAddress = 21,
    kAbort = 23,
    kChannelAlreadyEstablished = 29,
};

// Operation flags.
constexpr std::int32_t kFlagWaitLock = 0x01;
constexpr std::int32_t kFlagEnd = 0x08;
constexpr std::int32_t kFlagTermChar = 0x80;

// Why a read ended; several may be set.
constexpr std::int32_t kReasonRequestCount = 0x01;
constexpr std::int32_t kReasonTermChar = 0x02;
constexpr std::int32_t kReasonEnd = 0x04;

// Procedure numbers (the generated header defines them as lower-case macros, which would clash
// with ordinary names; its header is included only where needed and these are used instead).
enum Procedure : std::uint32_t {
    kProcAbort = 1,
    kProcCreateLink = 10,
    kProcWrite = 11,
    kProcRead = 12,
    kProcReadStb = 13,
    kProcTrigger = 14,
    kProcClear = 15,
    kProcRemote = 16,
    kProcLocal = 17,
    kProcLock = 18,
    kProcUnlock = 19,
    kProcEnableSrq = 20,
    kProcDocmd = 22,
    kProcDestroyLink = 23,
    kProcCreateIntrChan = 25,
    kProcDestroyIntrChan = 26,
    kProcIntrSrq = 30,
};

constexpr std::uint32_t kCoreProgram = 0x0607AF;
constexpr std::uint32_t kAbortProgram = 0x0607B0;
constexpr std::uint32_t kInterruptProgram = 0x0607B1;
constexpr std::uint32_t kProgramVersion = 1;

// The largest write a link accepts in one call, as create_link tells the client.
constexpr std::uint32_t kMaxRecvSize = 0x10000;
// The most a single read hands back; the client reads again for the rest.
constexpr std::uint32_t kMaxReadChunk = 0x10000;
// Any RPC record above this is refused before it is decoded: the largest data field plus room
// for the call header and the other arguments.
constexpr std::uint32_t kMaxRecord = DEVICE_MAX_DATA + 4096;

}  // namespace vxi11
