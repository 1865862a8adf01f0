#include "vxi11/LinkTable.h"

#include <algorithm>
#include <cctype>

#include "vxi11/RecordStream.h"

namespace vxi11 {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::int32_t ErrorOfStatus(ViStatus status) {
    return status == VI_ERROR_TMO ? kIoTimeout : kIoError;
}

}  // namespace

CLinkTable::CLinkTable(const sim::Scenario& scenario) : m_random(std::random_device{}()) {
    const long long now = NowMs();
    for (std::size_t i = 0; i < scenario.resources.size(); ++i) {
        const sim::ResourceScenario& resource = scenario.resources[i];
        ServedDevice device;
        device.resource = resource.name;
        device.names.push_back("inst" + std::to_string(i));
        if (resource.interfaceType == VI_INTF_VXI && resource.slot && *resource.slot != 0xFFFF) {
            device.names.push_back("vxi0," + std::to_string(*resource.slot));
        }
        device.device = std::make_unique<sim::CDevice>(resource, now);
        m_devices.push_back(std::move(device));
    }
}

std::vector<std::vector<std::string>> CLinkTable::DeviceNames() const {
    std::vector<std::vector<std::string>> names;
    for (const ServedDevice& device : m_devices) {
        names.push_back(device.names);
    }
    return names;
}

std::optional<std::size_t> CLinkTable::FindDevice(const std::string& name) const {
    const std::string wanted = Lower(name);
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        const ServedDevice& device = m_devices[i];
        if (Lower(device.resource) == wanted ||
            std::find(device.names.begin(), device.names.end(), wanted) != device.names.end()) {
            return i;
        }
    }
    return std::nullopt;
}

std::int32_t CLinkTable::Create(ConnectionId connection, std::size_t device, LinkPtr* link) {
    Peer& peer = m_peers[connection];
    if (m_links.size() >= kMaxLinks || peer.links >= kMaxLinksPerConnection) {
        return kOutOfResources;
    }
    auto made = std::make_shared<Link>();
    std::uniform_int_distribution<std::int32_t> ids(1, INT32_MAX);
    do {
        made->id = ids(m_random);
    } while (m_links.count(made->id) != 0);
    made->connection = connection;
    made->device = device;
    m_links[made->id] = made;
    ++peer.links;
    *link = std::move(made);
    return kOk;
}

void CLinkTable::Destroy(const LinkPtr& link) {
    ServedDevice& device = m_devices[link->device];
    if (device.lockOwner == link->id) {
        device.lockOwner = 0;
    }
    DropInput(*link);
    const auto peer = m_peers.find(link->connection);
    if (peer != m_peers.end() && peer->second.links > 0) {
        --peer->second.links;
    }
    link->destroyed = true;
    m_links.erase(link->id);
}

LinkPtr CLinkTable::Find(ConnectionId connection, std::int32_t id) const {
    const auto found = m_links.find(id);
    return found == m_links.end() || found->second->connection != connection ? nullptr
                                                                             : found->second;
}

LinkPtr CLinkTable::FindForPeer(ConnectionId connection, std::int32_t id) const {
    const auto found = m_links.find(id);
    return found != m_links.end() && AddressOf(found->second->connection) == AddressOf(connection)
               ? found->second
               : nullptr;
}

std::vector<LinkPtr> CLinkTable::LinksOf(ConnectionId connection) const {
    std::vector<LinkPtr> links;
    for (const auto& entry : m_links) {
        if (entry.second->connection == connection) {
            links.push_back(entry.second);
        }
    }
    return links;
}

std::int32_t CLinkTable::Append(Link& link, const char* data, std::size_t size, bool end,
                                std::optional<std::string>* message) {
    if (link.input.empty()) {
        link.output.clear();
        link.outputEnds = true;
        link.pendingRead = VI_SUCCESS;
    }
    Peer& peer = m_peers[link.connection];
    if (peer.buffered + size > kMaxBuffered) {
        DropInput(link);
        return kParameterError;
    }
    link.input.append(data, size);
    peer.buffered += size;
    if (end || (!link.input.empty() && link.input.back() == '\n')) {
        *message = link.input;
        DropInput(link);
    }
    return kOk;
}

std::int32_t CLinkTable::Execute(Link& link, const std::string& message) {
    const sim::CDevice::Outcome outcome = m_devices[link.device].device->Execute(message, NowMs());
    if (outcome.writeStatus < 0) {
        return ErrorOfStatus(outcome.writeStatus);
    }
    link.output = outcome.hasReply ? outcome.reply : std::string();
    link.outputEnds = outcome.replyEnds;
    link.pendingRead = outcome.readStatus;
    return kOk;
}

std::int32_t CLinkTable::TakeFailure(Link& link) {
    const ViStatus status = link.pendingRead;
    link.pendingRead = VI_SUCCESS;
    return status < 0 ? ErrorOfStatus(status) : kOk;
}

std::string CLinkTable::TakeOutput(Link& link, std::uint32_t requestSize, std::int32_t flags,
                                   char termChar, std::int32_t* reason) {
    const std::size_t wanted = std::min<std::size_t>(
        std::min<std::size_t>(requestSize, kMaxReadChunk), link.output.size());
    std::size_t size = wanted;
    if ((flags & kFlagTermChar) != 0) {
        const std::size_t term = link.output.find(termChar);
        if (term != std::string::npos && term < wanted) {
            size = term + 1;
            *reason |= kReasonTermChar;
        }
    }
    std::string data = link.output.substr(0, size);
    link.output.erase(0, size);
    if (link.output.empty() && link.outputEnds) {
        *reason |= kReasonEnd;
    }
    if (size == requestSize) {
        *reason |= kReasonRequestCount;
    }
    return data;
}

void CLinkTable::Clear(Link& link) {
    DropInput(link);
    link.output.clear();
    link.outputEnds = true;
    link.pendingRead = VI_SUCCESS;
}

void CLinkTable::DropInput(Link& link) {
    const auto peer = m_peers.find(link.connection);
    if (peer != m_peers.end()) {
        peer->second.buffered -= std::min(peer->second.buffered, link.input.size());
    }
    link.input.clear();
}

void CLinkTable::ConnectionOpened(ConnectionId connection, std::uint32_t peer) {
    m_peers[connection].address = peer;
}

void CLinkTable::ConnectionClosed(ConnectionId connection) {
    m_peers.erase(connection);
}

bool CLinkTable::HoldsLinks(ConnectionId connection) const {
    const auto found = m_peers.find(connection);
    return found != m_peers.end() && found->second.links > 0;
}

bool CLinkTable::PeerHoldsLinks(std::uint32_t peer) const {
    return std::any_of(m_peers.begin(), m_peers.end(), [peer](const auto& entry) {
        return entry.second.address == peer && entry.second.links > 0;
    });
}

std::uint32_t CLinkTable::AddressOf(ConnectionId connection) const {
    const auto found = m_peers.find(connection);
    return found == m_peers.end() ? 0 : found->second.address;
}

}  // namespace vxi11
