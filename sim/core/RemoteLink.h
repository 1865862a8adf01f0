#pragma once

#include <functional>
#include <memory>
#include <string>

#include "instrument/VisaTypes.h"

namespace sim {

// A VXI-11 link behind a TCPIP INSTR session, with VISA's meaning put on the protocol's
// results: every call returns a VISA status, never waits longer than its time-out plus the
// link's reply margin, and a link whose server went away answers VI_ERROR_CONN_LOST. Calls may
// come from several threads; the link serializes them. Builds without network support (Windows)
// have no links: Open says the resource is not there.
class CRemoteLink {
public:
    // host and device as in TCPIP0::host::device::INSTR; timeoutMs bounds the connection and is
    // the margin each reply may take beyond its call's own time-out.
    static std::unique_ptr<CRemoteLink> Open(const std::string& host, const std::string& device,
                                             ViUInt32 timeoutMs, bool exclusive,
                                             ViUInt32 lockTimeoutMs, ViStatus* status);
    ~CRemoteLink();
    CRemoteLink(const CRemoteLink&) = delete;
    CRemoteLink& operator=(const CRemoteLink&) = delete;

    ViStatus Write(const ViByte* data, ViUInt32 count, bool end, ViUInt32 timeoutMs,
                   ViUInt32* written);
    // Reads until END, termChar (0..255; -1: none) or count bytes, as viRead does.
    ViStatus Read(ViByte* buffer, ViUInt32 count, int termChar, ViUInt32 timeoutMs, ViUInt32* read,
                  bool* end);
    ViStatus ReadStb(ViUInt16* status);
    ViStatus Clear();
    ViStatus Trigger();
    ViStatus Lock(ViUInt32 timeoutMs);
    ViStatus Unlock();
    // Opens the interrupt channel and has the device send its service requests, each of which
    // calls onRequest on the channel's thread.
    ViStatus EnableServiceRequests(std::function<void()> onRequest);

    // The host's address in dotted form.
    const std::string& Address() const { return m_address; }

private:
    struct Impl;
    explicit CRemoteLink(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
    std::string m_address;
};

}  // namespace sim
