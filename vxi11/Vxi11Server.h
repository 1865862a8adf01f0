#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/scenario/Scenario.h"
#include "vxi11/LinkTable.h"
#include "vxi11/LockWaits.h"
#include "vxi11/RpcMessage.h"
#include "vxi11/ServiceRequests.h"

namespace vxi11 {

// Which listener a call came in on: each serves one program.
enum class Channel { Core, Abort };

// Serves the resources of a scenario as VXI-11 devices: inst0, inst1, ... in the scenario's
// order, and vxi0,<slot> for each VXI module. Links from every connection share one simulated
// device per resource; each link keeps its own message buffers, so clients that do not lock
// never receive each other's replies. Device work runs under one lock, which serializes the
// commands of every link (a simulated command takes microseconds); waits for a lock, a reply or
// a time-out release it. The network layer hands it whole RPC records; it is equally driven by
// tests and the fuzzer without sockets. This class is the protocol: it decodes each call and
// answers it from its parts, the links (LinkTable), the locks and waits (LockWaits) and the
// service requests (ServiceRequests); the connections and their records are the network
// layer's (RpcServer, RecordStream).
class CVxi11Server {
public:
    using ConnectionId = vxi11::ConnectionId;
    using Log = std::function<void(const std::string&)>;

    explicit CVxi11Server(const sim::Scenario& scenario, Log log = nullptr);
    ~CVxi11Server();
    CVxi11Server(const CVxi11Server&) = delete;
    CVxi11Server& operator=(const CVxi11Server&) = delete;

    // The device names served for each resource, in the scenario's order.
    std::vector<std::vector<std::string>> DeviceNames() const;
    // The port create_link tells clients to reach the abort channel on.
    void SetAbortPort(std::uint16_t port);
    // Caps every wait a call asks for (lock and I/O time-outs) and the time spent connecting
    // to a client's interrupt channel (negative: none is made); the fuzzer waits for nothing.
    void SetWaitLimits(std::uint32_t maxWaitMs, int interruptConnectMs);

    // A connection came from peer (IPv4, host order): an abort is taken only from the peer
    // that made the link. Connections never announced count as one peer (the fuzzer's).
    void ConnectionOpened(ConnectionId connection, std::uint32_t peer);
    // The reply to one call, or nothing when the record is not a call and the connection
    // should be dropped. May wait (reads, locks) for as long as the call's time-outs allow.
    std::optional<Bytes> HandleRecord(ConnectionId connection, Channel channel,
                                      const Bytes& record);
    // A connection is gone: its links are destroyed, the locks they held released and calls
    // waiting on them ended.
    void ConnectionClosed(ConnectionId connection);
    // Whether the connection holds a link; for an abort connection, whether its peer does.
    bool HoldsLinks(ConnectionId connection) const;
    bool PeerHoldsLinks(std::uint32_t peer) const;
    // Ends every wait at once (with an I/O error) and refuses new calls; for shutting down.
    void Shutdown();

    // Sends device_intr_srq to every link on the resource (scenario name or device name) that
    // enabled service requests, over its client's interrupt channel; sets the status byte's
    // request bit. Returns how many were sent on (queued to an open channel), or -1 for an
    // unknown resource. Never waits for a client.
    int RaiseServiceRequest(const std::string& resource);
    // Steps the modules whose inputs run on time up to now; a module whose own service request
    // rises (an enabled status bit) is reported as RaiseServiceRequest does. Returns when to
    // call again on the steady clock, in ms (-1: no module steps on time).
    long long StepDevices();

    std::size_t LinkCount() const;
    // Calls now waiting for a lock or a reply, for diagnostics and tests.
    int WaitingCalls() const;

private:
    using Lock = std::unique_lock<std::mutex>;

    Bytes Dispatch(ConnectionId connection, Channel channel, const CallHeader& header, XDR* xdr);
    void DestroyLink(const LinkPtr& link);
    void Trace(const std::string& line) const;

    Bytes CreateLink(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes Write(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes Read(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes Generic(ConnectionId connection, std::uint32_t xid, std::uint32_t procedure, XDR* xdr);
    Bytes LockDevice(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes LinkOnly(ConnectionId connection, std::uint32_t xid, std::uint32_t procedure, XDR* xdr);
    Bytes EnableSrq(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes Docmd(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes CreateInterruptChannel(ConnectionId connection, std::uint32_t xid, XDR* xdr);

    Log m_log;
    mutable std::mutex m_mutex;
    CLinkTable m_links;
    CLockWaits m_waits;
    CServiceRequests m_requests;
    std::uint16_t m_abortPort = 0;
};

}  // namespace vxi11
