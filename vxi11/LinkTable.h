#pragma once

// The links of the VXI-11 server: the simulated devices it serves, the links made to them, and
// what each connection holds (its links, its unterminated input, its peer). Apart from the
// protocol so that ownership, ids and the per-connection budgets read in one place. It takes no
// lock of its own: the server calls it under its one lock.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim/module/Device.h"
#include "sim/scenario/Scenario.h"
#include "vxi11/RpcMessage.h"

namespace vxi11 {

using ConnectionId = std::uint64_t;

// One resource served, and the simulated device every link to it shares.
struct ServedDevice {
    std::vector<std::string> names;  // lower case
    std::string resource;
    std::unique_ptr<sim::CDevice> device;
    std::int32_t lockOwner = 0;  // link id, 0: free
    bool requestPending = false;
    bool requesting = false;  // the module's own service request, as last seen
};

// One link: its own message buffers, so clients that do not lock never receive each other's
// replies.
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

class CLinkTable {
public:
    // Beyond this many links on one connection, or in all, create_link answers "out of
    // resources". The total covers every connection the network layer admits with all its links.
    static constexpr std::size_t kMaxLinksPerConnection = 8;
    static constexpr std::size_t kMaxLinks = 8192;
    // Messages sent in pieces without an end: one connection holds at most this much over all
    // its links.
    static constexpr std::size_t kMaxBuffered = 4 * kMaxRecvSize;

    // inst0, inst1, ... in the scenario's order, and vxi0,<slot> for each VXI module.
    explicit CLinkTable(const sim::Scenario& scenario);

    std::vector<std::vector<std::string>> DeviceNames() const;
    // By scenario name or device name, in any case.
    std::optional<std::size_t> FindDevice(const std::string& name) const;
    ServedDevice& Device(std::size_t index) { return m_devices[index]; }
    std::size_t DeviceCount() const { return m_devices.size(); }

    // A new link to device for connection, with a fresh id; an error code when a budget is
    // spent.
    std::int32_t Create(ConnectionId connection, std::size_t device, LinkPtr* link);
    // Releases what the link held (its device's lock, its input) and marks it destroyed, so a
    // call still waiting on it ends.
    void Destroy(const LinkPtr& link);
    // The link with id made on this connection; another connection's is not found.
    LinkPtr Find(ConnectionId connection, std::int32_t id) const;
    // The link with id when the same peer made it; what an abort may reach.
    LinkPtr FindForPeer(ConnectionId connection, std::int32_t id) const;
    const std::map<std::int32_t, LinkPtr>& Links() const { return m_links; }
    std::vector<LinkPtr> LinksOf(ConnectionId connection) const;

    // A piece of a message written to the link. A new message discards a reply nobody read, as
    // an instrument does. *message is set when the piece ends one (END or a newline). Past the
    // connection's budget the piece is refused (kParameterError) and the link's input dropped.
    std::int32_t Append(Link& link, const char* data, std::size_t size, bool end,
                        std::optional<std::string>* message);
    // Runs a whole message on the link's device; what it answers becomes the reply a read hands
    // out. The error when the device refused the message.
    std::int32_t Execute(Link& link, const std::string& message);
    // The error of a command whose reply never comes (kOk when none), taken once.
    static std::int32_t TakeFailure(Link& link);
    // At most requestSize bytes of the reply, ending after termChar when flags ask; *reason
    // gains why the read ended.
    static std::string TakeOutput(Link& link, std::uint32_t requestSize, std::int32_t flags,
                                  char termChar, std::int32_t* reason);
    // device_clear: the link's input and output are dropped.
    void Clear(Link& link);

    void ConnectionOpened(ConnectionId connection, std::uint32_t peer);
    // Forgets the connection; its links must be destroyed first.
    void ConnectionClosed(ConnectionId connection);
    bool HoldsLinks(ConnectionId connection) const;
    bool PeerHoldsLinks(std::uint32_t peer) const;

private:
    // What the server keeps per connection: the budgets one client may use up.
    struct Peer {
        std::uint32_t address = 0;
        std::size_t links = 0;
        std::size_t buffered = 0;  // unterminated input over all its links
    };
    // Connections never announced count as one peer (the fuzzer's).
    std::uint32_t AddressOf(ConnectionId connection) const;
    void DropInput(Link& link);

    std::vector<ServedDevice> m_devices;
    std::map<std::int32_t, LinkPtr> m_links;
    std::map<ConnectionId, Peer> m_peers;
    std::mt19937 m_random;
};

}  // namespace vxi11
