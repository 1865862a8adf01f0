// TCPIP INSTR sessions: the bus's calls on a VXI-11 link. The link is used outside the bus's
// lock, so a slow or dead host holds up only the sessions that use it.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "sim/core/Bus.h"
#include "sim/core/LanConfig.h"
#include "sim/core/VisaPattern.h"

namespace sim {

namespace {

// Without an open time-out the connection may take the default I/O time-out.
constexpr ViUInt32 kDefaultConnectMs = 2000;
// Hosts a LAN search asks at once.
constexpr std::size_t kSearchThreads = 16;

template <typename T>
void Store(void* out, T value) {
    std::memcpy(out, &value, sizeof(value));
}

void CopyText(const std::string& text, void* out) {
    const std::size_t length = std::min<std::size_t>(text.size(), VI_FIND_BUFLEN - 1);
    std::memcpy(out, text.data(), length);
    static_cast<char*>(out)[length] = '\0';
}

// "TCPIP0::host::device::INSTR" -> host, device.
void SplitName(const std::string& canonical, std::string* host, std::string* device) {
    const std::string::size_type first = canonical.find("::");
    const std::string::size_type second = canonical.find("::", first + 2);
    const std::string::size_type third = canonical.find("::", second + 2);
    *host = canonical.substr(first + 2, second - first - 2);
    *device = canonical.substr(second + 2, third - second - 2);
}

}  // namespace

std::vector<std::string> CBus::FindLan(const std::string& expression) {
    const LanConfig config = ReadLanConfig();
    std::vector<std::string> names;
    for (const std::string& name : config.instruments) {
        if (MatchVisaPattern(expression, name) == PatternResult::Match) {
            names.push_back(name);
        }
    }
    // Hosts are asked kSearchThreads at a time: a search costs one time-out per that many
    // hosts that do not answer, and a long list costs no more threads than that. Whatever goes
    // wrong here (no thread, no memory) costs the network part only, never the local list.
    std::vector<char> answered(names.size(), 0);
    std::atomic<std::size_t> next{0};
    const auto ask = [&] {
        for (std::size_t i = next++; i < names.size(); i = next++) {
            std::string host;
            std::string device;
            SplitName(names[i], &host, &device);
            ViStatus status = VI_SUCCESS;
            answered[i] =
                CRemoteLink::Open(host, device, config.timeoutMs, false, 0, &status) != nullptr;
        }
    };
    std::vector<std::thread> workers;
    try {
        while (workers.size() < std::min(kSearchThreads, names.size())) {
            workers.emplace_back(ask);
        }
    } catch (...) {
        // Fewer threads than wanted: the ones running share the list.
    }
    if (workers.empty()) {
        return {};
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    std::vector<std::string> present;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (answered[i] != 0) {
            present.push_back(names[i]);
        }
    }
    return present;
}

CBus::Session* CBus::FindIo(ViObject vi) {
    Session* session = Find(vi);
    return session != nullptr && (session->kind == Session::Kind::Instrument ||
                                  session->kind == Session::Kind::Remote)
               ? session
               : nullptr;
}

bool CBus::TakeRemote(ViSession vi, RemoteCall* call) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Session* session = Find(vi, Session::Kind::Remote);
    if (session == nullptr) {
        return false;
    }
    call->link = session->link;
    call->timeoutMs = session->timeoutMs;
    call->termChar = session->termCharEnabled ? session->termChar : -1;
    call->sendEnd = session->sendEnd;
    return true;
}

ViStatus CBus::OpenRemote(ViSession rm, const ResourceName& name, ViAccessMode mode,
                          ViUInt32 openTimeout, ViSession* vi) {
    if ((mode & VI_SHARED_LOCK) != 0) {
        return VI_ERROR_INV_ACC_MODE;  // the protocol's locks are exclusive only
    }
    std::string host;
    std::string device;
    SplitName(name.canonical, &host, &device);
    const bool exclusive = (mode & VI_EXCLUSIVE_LOCK) != 0;
    ViStatus status = VI_SUCCESS;
    std::shared_ptr<CRemoteLink> link =
        CRemoteLink::Open(host, device, openTimeout > 0 ? openTimeout : kDefaultConnectMs,
                          exclusive, openTimeout, &status);
    if (!link) {
        return status;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    if (Find(rm, Session::Kind::ResourceManager) == nullptr) {
        // The manager was closed while the link was made.
        lock.unlock();
        link.reset();
        return VI_ERROR_INV_OBJECT;
    }
    Session session(Session::Kind::Remote, rm);
    session.link = std::move(link);
    session.remoteName = name;
    session.host = host;
    session.device = device;
    session.lockCount = exclusive ? 1 : 0;
    *vi = NewSession(std::move(session));
    return VI_SUCCESS;
}

ViStatus CBus::GetRemote(const Session& session, ViAttr attribute, void* value) {
    switch (attribute) {
        case VI_ATTR_RSRC_NAME:
            CopyText(session.remoteName.canonical, value);
            return VI_SUCCESS;
        case VI_ATTR_RSRC_CLASS:
            CopyText("INSTR", value);
            return VI_SUCCESS;
        case VI_ATTR_INTF_TYPE:
            Store<ViUInt16>(value, VI_INTF_TCPIP);
            return VI_SUCCESS;
        case VI_ATTR_INTF_NUM:
            Store<ViUInt16>(value, session.remoteName.board);
            return VI_SUCCESS;
        case VI_ATTR_TCPIP_ADDR:
            CopyText(session.link->Address(), value);
            return VI_SUCCESS;
        case VI_ATTR_TCPIP_HOSTNAME:
            CopyText(session.host, value);
            return VI_SUCCESS;
        case VI_ATTR_TCPIP_DEVICE_NAME:
            CopyText(session.device, value);
            return VI_SUCCESS;
        case VI_ATTR_RSRC_LOCK_STATE:
            Store<ViAccessMode>(value, session.lockCount > 0 ? VI_EXCLUSIVE_LOCK : VI_NO_LOCK);
            return VI_SUCCESS;
        case VI_ATTR_TMO_VALUE:
            Store<ViUInt32>(value, session.timeoutMs);
            return VI_SUCCESS;
        case VI_ATTR_MAX_QUEUE_LENGTH:
            Store<ViUInt32>(value, session.maxQueue);
            return VI_SUCCESS;
        case VI_ATTR_TERMCHAR:
            Store<ViUInt8>(value, session.termChar);
            return VI_SUCCESS;
        case VI_ATTR_TERMCHAR_EN:
            Store<ViBoolean>(value, session.termCharEnabled ? VI_TRUE : VI_FALSE);
            return VI_SUCCESS;
        case VI_ATTR_SEND_END_EN:
            Store<ViBoolean>(value, session.sendEnd ? VI_TRUE : VI_FALSE);
            return VI_SUCCESS;
        case VI_ATTR_SUPPRESS_END_EN:
            Store<ViBoolean>(value, session.suppressEnd ? VI_TRUE : VI_FALSE);
            return VI_SUCCESS;
        default:
            return VI_ERROR_NSUP_ATTR;
    }
}

ViStatus CBus::LockRemote(ViSession vi, ViAccessMode type, ViUInt32 timeout, ViChar* accessKey) {
    std::shared_ptr<CRemoteLink> link;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Session* session = Find(vi, Session::Kind::Remote);
        if (session == nullptr) {
            return VI_ERROR_INV_OBJECT;
        }
        if (type == VI_SHARED_LOCK) {
            return VI_ERROR_NSUP_OPER;
        }
        if (type != VI_EXCLUSIVE_LOCK) {
            return VI_ERROR_INV_LOCK_TYPE;
        }
        if (accessKey != nullptr) {
            accessKey[0] = '\0';
        }
        if (session->lockCount > 0) {
            ++session->lockCount;
            return VI_SUCCESS_NESTED_EXCLUSIVE;
        }
        link = session->link;
    }
    const ViStatus status = link->Lock(timeout);
    if (status < 0) {
        return status;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = Find(vi, Session::Kind::Remote);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;  // closed meanwhile: the link's end released the lock
    }
    ++session->lockCount;
    return VI_SUCCESS;
}

ViStatus CBus::UnlockRemote(ViSession vi) {
    std::shared_ptr<CRemoteLink> link;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Session* session = Find(vi, Session::Kind::Remote);
        if (session == nullptr) {
            return VI_ERROR_INV_OBJECT;
        }
        if (session->lockCount == 0) {
            return VI_ERROR_SESN_NLOCKED;
        }
        if (session->lockCount > 1) {
            --session->lockCount;
            return VI_SUCCESS_NESTED_EXCLUSIVE;
        }
        session->lockCount = 0;
        link = session->link;
    }
    return link->Unlock();
}

ViStatus CBus::EnableRemoteRequests(ViSession vi) {
    std::shared_ptr<CRemoteLink> link;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Session* session = Find(vi, Session::Kind::Remote);
        if (session == nullptr || session->linkRequests) {
            return VI_SUCCESS;
        }
        link = session->link;
    }
    // The request comes on the link's interrupt channel thread; the session is looked up
    // again, as it may be closed by then.
    const ViStatus status = link->EnableServiceRequests([this, vi] {
        std::lock_guard<std::mutex> lock(m_mutex);
        Session* session = Find(vi, Session::Kind::Remote);
        if (session != nullptr && Signal(vi, *session)) {
            m_changed.notify_all();
        }
    });
    if (status < 0) {
        return status;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (Session* session = Find(vi, Session::Kind::Remote)) {
        session->linkRequests = true;
    }
    return VI_SUCCESS;
}

}  // namespace sim
