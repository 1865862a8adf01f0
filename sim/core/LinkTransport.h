#pragma once
// The table of calls between the substitute VISA library and its network transport
// (libvisa-vxi11.so), which it loads only when a TCPIP resource is first needed: the VXI-11
// client and the RPC runtime under it are not worth their memory to a program that never uses
// the network. Plain C types only, so the two sides need no common C++ ABI; every call returns
// a VISA status and none lets an exception out.

#include "instrument/VisaTypes.h"

// One VXI-11 link, owned by the transport; the caller holds it from open until close.
struct SfpLink;

struct SfpLinkTransport {
    ViUInt32 version;  // kSfpLinkTransportVersion of the transport's build
    ViUInt32 size;     // sizeof(SfpLinkTransport) there: later versions only append

    // host and device as in TCPIP0::host::device::INSTR; timeoutMs bounds the connection and
    // is the margin every reply may take beyond its call's own time-out. Null and *status
    // when there is no link.
    SfpLink* (*open)(const char* host, const char* device, ViUInt32 timeoutMs, ViBoolean exclusive,
                     ViUInt32 lockTimeoutMs, ViStatus* status);
    // Ends the link; no service request callback runs once it returns.
    void (*close)(SfpLink* link);
    // The host's address in dotted form, valid while the link is open.
    const char* (*address)(const SfpLink* link);
    ViStatus (*write)(SfpLink* link, const ViByte* data, ViUInt32 count, ViBoolean end,
                      ViUInt32 timeoutMs, ViUInt32* written);
    // Reads until END, termChar (0..255; -1: none) or count bytes; *end is set only when the
    // device ended the message (END or termChar).
    ViStatus (*read)(SfpLink* link, ViByte* buffer, ViUInt32 count, ViInt32 termChar,
                     ViUInt32 timeoutMs, ViUInt32* read, ViBoolean* end);
    ViStatus (*readStb)(SfpLink* link, ViUInt16* status);
    ViStatus (*clear)(SfpLink* link);
    ViStatus (*trigger)(SfpLink* link);
    ViStatus (*lock)(SfpLink* link, ViUInt32 timeoutMs);
    ViStatus (*unlock)(SfpLink* link);
    // onRequest(context) runs on the link's interrupt thread for each service request.
    ViStatus (*enableServiceRequests)(SfpLink* link, void (*onRequest)(void* context),
                                      void* context);
};

constexpr ViUInt32 kSfpLinkTransportVersion = 1;

// The transport's one export, `const SfpLinkTransport* sfp_link_transport(ViUInt32 version)`:
// its table when it speaks version, else null.
constexpr const char* kSfpLinkTransportEntryName = "sfp_link_transport";
// Its file, looked for beside the library that loads it.
constexpr const char* kSfpLinkTransportFile = "libvisa-vxi11.so";
