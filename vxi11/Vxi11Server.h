#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim/module/Device.h"
#include "sim/scenario/Scenario.h"
#include "vxi11/RpcMessage.h"

namespace vxi11 {

class CInterruptChannel;

// Which listener a call came in on: each serves one program.
enum class Channel { Core, Abort };

// Serves the resources of a scenario as VXI-11 devices: inst0, inst1, ... in the scenario's
// order, and vxi0,<slot> for each VXI module. Links from every connection share one simulated
// device per resource; each link keeps its own message buffers, so clients that do not lock
// never receive each other's replies. Device work runs under one lock, which serializes the
// commands of every link (a simulated command takes microseconds); waits for a lock, a reply or
// a time-out release it. The network layer hands it whole RPC records; it is equally driven by
// tests and the fuzzer without sockets.
class CVxi11Server {
public:
    using ConnectionId = std::uint64_t;
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
    struct Device {
        std::vector<std::string> names;  // lower case
        std::string resource;
        std::unique_ptr<sim::CDevice> device;
        std::int32_t lockOwner = 0;  // link id, 0: free
        bool requestPending = false;
        bool requesting = false;  // the module's own service request, as last seen
    };
    struct Link {
        std::int32_t id = 0;  // drawn at random: another connection cannot guess it
        ConnectionId connection = 0;
        std::size_t device = 0;
        std::string input;  // message so far, until its end
        std::string output;
        bool outputEnds = true;
        ViStatus pendingRead = VI_SUCCESS;
        bool srqEnabled = false;
        Bytes srqHandle;
        std::uint64_t aborts = 0;
        bool destroyed = false;
    };
    using LinkPtr = std::shared_ptr<Link>;
    // What the server keeps per connection: the budgets one client may use up.
    struct Peer {
        std::uint32_t address = 0;
        std::size_t links = 0;
        std::size_t buffered = 0;  // unterminated input over all its links
        std::shared_ptr<CInterruptChannel> interrupt;
    };
    using Lock = std::unique_lock<std::mutex>;
    // Interrupt channels and the handles to send a service request with.
    using Targets = std::vector<std::pair<std::shared_ptr<CInterruptChannel>, Bytes>>;

    Bytes Dispatch(ConnectionId connection, Channel channel, const CallHeader& header, XDR* xdr);
    // The link with id made on this connection; another connection's is not found.
    LinkPtr FindLink(ConnectionId connection, std::int32_t id) const;
    void DropInput(Link& link);
    std::optional<std::size_t> FindDevice(const std::string& name) const;
    // Waits, when flags allow, until no other link holds the device's lock.
    std::int32_t AwaitAccess(Lock& lock, const LinkPtr& link, std::int32_t flags,
                             std::uint32_t lockTimeoutMs);
    // Waits until the link has output or the time-out passes; the error otherwise.
    std::int32_t AwaitOutput(Lock& lock, const LinkPtr& link, std::uint32_t ioTimeoutMs);
    void DestroyLink(Lock& lock, const LinkPtr& link);
    void Trace(const std::string& line) const;
    // The links of a device that enabled service requests, with a channel to send them on.
    Targets TargetsOf(std::size_t device) const;
    // After anything that can change a module's status byte: its links to tell when its own
    // service request rose (none otherwise).
    Targets NoticeRequest(std::size_t device);
    // Queued outside the lock to each channel's own sender. Returns how many were queued.
    static int Send(const Targets& targets);

    Bytes CreateLink(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes Write(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes Read(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes Generic(ConnectionId connection, std::uint32_t xid, std::uint32_t procedure, XDR* xdr);
    Bytes LockDevice(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes LinkOnly(ConnectionId connection, std::uint32_t xid, std::uint32_t procedure, XDR* xdr);
    Bytes EnableSrq(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes CreateInterruptChannel(ConnectionId connection, std::uint32_t xid, XDR* xdr);
    Bytes DestroyInterruptChannel(ConnectionId connection, std::uint32_t xid);

    Log m_log;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Device> m_devices;
    std::map<std::int32_t, LinkPtr> m_links;
    std::map<ConnectionId, Peer> m_peers;
    std::mt19937 m_random;
    std::uint16_t m_abortPort = 0;
    std::uint32_t m_maxWaitMs = UINT32_MAX;
    int m_interruptConnectMs = 2000;
    bool m_stopping = false;
    int m_waiting = 0;
};

}  // namespace vxi11
