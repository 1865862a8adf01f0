#pragma once

// Service requests of the VXI-11 server: device_enable_srq, the interrupt channel each
// connection may open back to its client, and which links are told when a module's request
// rises. Apart because it is the one part that calls out to clients: a request is queued to the
// channel's own sender thread and sent outside the server's lock, so a slow client delays no
// call. Except where a function says, it is called under the server's one lock.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "vxi11/LinkTable.h"

namespace vxi11 {

class CInterruptChannel;

class CServiceRequests {
public:
    using Log = std::function<void(const std::string&)>;
    // Interrupt channels and the handles to send a service request with.
    using Targets = std::vector<std::pair<std::shared_ptr<CInterruptChannel>, Bytes>>;

    CServiceRequests(CLinkTable& links, const Log& log) : m_links(links), m_log(log) {}

    // The time spent connecting to a client's interrupt channel (negative: none is made).
    void SetConnectLimit(int ms) { m_connectMs = ms; }

    // device_enable_srq: whether the link is told, and the handle it is told with.
    static void Enable(Link& link, const Device_EnableSrqParms& parms);
    // create_intr_chan. Takes mutex (the server's) only around its own state: connecting to
    // the client may take its time-out.
    std::int32_t CreateChannel(std::mutex& mutex, ConnectionId connection,
                               const Device_RemoteFunc& parms);
    // destroy_intr_chan; takes mutex (the server's) and stops the channel's sender outside it.
    std::int32_t DestroyChannel(std::mutex& mutex, ConnectionId connection);
    // The connection's channel, taken away (nothing when it has none); the caller lets it go
    // outside the lock, where its sender is stopped.
    std::shared_ptr<CInterruptChannel> Release(ConnectionId connection);

    // A request raised from outside the module: its links to tell.
    Targets Raise(std::size_t device);
    // After anything that can change a module's status byte: its links to tell when its own
    // service request rose (none otherwise).
    Targets Notice(std::size_t device);
    // read_stb: the module's own status byte (brought up to now), with what the link adds: its
    // unread reply and a request raised from outside the module, which reading clears.
    // *requests: the links to tell when the module's own request rose meanwhile.
    std::uint8_t ReadStatus(const Link& link, Targets* requests);
    // Steps the modules whose inputs run on time up to now; the links to tell of requests that
    // rose. *next: when to step again, in ms on the steady clock (-1: no module steps on time).
    Targets Step(long long* next);
    // Queued to each channel's own sender; call outside the lock. Returns how many were queued.
    static int Send(const Targets& targets);

private:
    // The links of a device that enabled service requests, with a channel to send them on.
    Targets TargetsOf(std::size_t device) const;

    CLinkTable& m_links;
    const Log& m_log;
    std::map<ConnectionId, std::shared_ptr<CInterruptChannel>> m_channels;
    int m_connectMs = 2000;
};

}  // namespace vxi11
