#include "vxi11/ServiceRequests.h"

#include <algorithm>
#include <cstring>

#include "vxi11/InterruptChannel.h"
#include "vxi11/RecordStream.h"

namespace vxi11 {

void CServiceRequests::Enable(Link& link, const Device_EnableSrqParms& parms) {
    link.srqEnabled = parms.enable != 0;
    const auto* handle = reinterpret_cast<const std::uint8_t*>(parms.handle.handle_val);
    link.srqHandle.assign(handle, handle + parms.handle.handle_len);
}

std::int32_t CServiceRequests::CreateChannel(std::mutex& mutex, ConnectionId connection,
                                             const Device_RemoteFunc& parms) {
    int connectMs = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (m_channels.count(connection) != 0) {
            return kChannelAlreadyEstablished;
        }
        connectMs = m_connectMs;
    }
    // Read as the number it was sent as: a value outside the enum is no Device_AddrFamily.
    std::int32_t family = 0;
    static_assert(sizeof(family) == sizeof(parms.progFamily), "an enum is sent as 32 bits");
    std::memcpy(&family, &parms.progFamily, sizeof(family));
    if (family != DEVICE_TCP) {
        return kNotSupported;
    }
    if (parms.hostPort == 0 || parms.hostPort > 0xFFFF) {
        return kParameterError;
    }
    if (connectMs < 0) {
        return kChannelNotEstablished;
    }
    // Connecting may take its time-out: no lock is held meanwhile.
    std::shared_ptr<CInterruptChannel> channel = CInterruptChannel::Connect(
        static_cast<std::uint32_t>(parms.hostAddr), static_cast<std::uint16_t>(parms.hostPort),
        static_cast<std::uint32_t>(parms.progNum), static_cast<std::uint32_t>(parms.progVers),
        connectMs);
    if (!channel) {
        return kChannelNotEstablished;
    }
    bool added = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::shared_ptr<CInterruptChannel>& slot = m_channels[connection];
        added = !slot;
        if (added) {
            slot = std::move(channel);
        }
    }
    // A channel not taken goes here, its sender stopped outside the lock.
    channel.reset();
    return added ? kOk : kChannelAlreadyEstablished;
}

std::int32_t CServiceRequests::DestroyChannel(std::mutex& mutex, ConnectionId connection) {
    std::shared_ptr<CInterruptChannel> gone;
    {
        std::lock_guard<std::mutex> lock(mutex);
        gone = Release(connection);
    }
    return gone ? kOk : kChannelNotEstablished;
}

std::shared_ptr<CInterruptChannel> CServiceRequests::Release(ConnectionId connection) {
    const auto found = m_channels.find(connection);
    if (found == m_channels.end()) {
        return nullptr;
    }
    std::shared_ptr<CInterruptChannel> channel = std::move(found->second);
    m_channels.erase(found);
    return channel;
}

CServiceRequests::Targets CServiceRequests::Raise(std::size_t device) {
    m_links.Device(device).requestPending = true;
    return TargetsOf(device);
}

CServiceRequests::Targets CServiceRequests::TargetsOf(std::size_t device) const {
    Targets targets;
    for (const auto& entry : m_links.Links()) {
        const Link& link = *entry.second;
        const auto channel = m_channels.find(link.connection);
        if (link.device == device && link.srqEnabled && channel != m_channels.end() &&
            channel->second) {
            targets.emplace_back(channel->second, link.srqHandle);
        }
    }
    return targets;
}

CServiceRequests::Targets CServiceRequests::Notice(std::size_t device) {
    ServedDevice& entry = m_links.Device(device);
    const bool requesting = entry.device->RequestsService();
    const bool rising = requesting && !entry.requesting;
    entry.requesting = requesting;
    if (!rising) {
        return Targets();
    }
    if (m_log) {
        m_log("service request from " + entry.resource);
    }
    return TargetsOf(device);
}

std::uint8_t CServiceRequests::ReadStatus(const Link& link, Targets* requests) {
    constexpr std::uint8_t kStbMessageAvailable = 0x10;
    constexpr std::uint8_t kStbRequestService = 0x40;
    ServedDevice& device = m_links.Device(link.device);
    device.device->CatchUp(NowMs());
    *requests = Notice(link.device);
    const std::uint8_t own = device.device->IsModule() ? device.device->StatusByte() : 0;
    const auto stb =
        static_cast<std::uint8_t>(own | (link.output.empty() ? 0 : kStbMessageAvailable) |
                                  (device.requestPending ? kStbRequestService : 0));
    device.requestPending = false;
    return stb;
}

CServiceRequests::Targets CServiceRequests::Step(long long* next) {
    Targets targets;
    *next = -1;
    const long long now = NowMs();
    for (std::size_t i = 0; i < m_links.DeviceCount(); ++i) {
        sim::CDevice& device = *m_links.Device(i).device;
        if (device.NextStepMs() < 0) {
            continue;
        }
        device.CatchUp(now);
        const Targets rose = Notice(i);
        targets.insert(targets.end(), rose.begin(), rose.end());
        const long long step = device.NextStepMs();
        *next = *next < 0 ? step : std::min(*next, step);
    }
    return targets;
}

int CServiceRequests::Send(const Targets& targets) {
    int queued = 0;
    for (const auto& target : targets) {
        queued += target.first->Post(target.second) ? 1 : 0;
    }
    return queued;
}

}  // namespace vxi11
