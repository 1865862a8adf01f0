#include "sim/core/RemoteLink.h"

#if defined(SFP_VISA_TCPIP)
#include <cstdio>
#include <list>
#include <mutex>

#include "sim/core/BesideLibrary.h"
#include "sim/core/LinkTransport.h"
#endif

namespace sim {

#if defined(SFP_VISA_TCPIP)

namespace {

// The network transport, loaded the first time a link is wanted; null when it cannot be.
const SfpLinkTransport* LoadTransport(const CBesideLibrary& library) {
    const auto* table =
        library.EntryTable<SfpLinkTransport>(kSfpLinkTransportEntryName, kSfpLinkTransportVersion);
    if (table != nullptr && table->size >= sizeof(SfpLinkTransport)) {
        return table;
    }
    std::fprintf(stderr, "simulated VISA: no TCPIP instruments: %s\n",
                 !library.Error().empty() ? library.Error().c_str()
                                          : "the network transport is of another version");
    return nullptr;
}

const SfpLinkTransport* Transport() {
    static const CBesideLibrary library(kSfpLinkTransportFile);
    static const SfpLinkTransport* const table = LoadTransport(library);
    return table;
}

}  // namespace

struct CRemoteLink::Impl {
    const SfpLinkTransport* transport = nullptr;
    SfpLink* link = nullptr;
    // One callback per call to EnableServiceRequests, in place until the link closes: the
    // interrupt thread may be running an earlier one while another is added.
    std::mutex mutex;
    std::list<std::function<void()>> callbacks;

    ~Impl() {
        // Ends the interrupt thread before the callbacks it calls go.
        transport->close(link);
    }
    static void OnRequest(void* context) { (*static_cast<std::function<void()>*>(context))(); }
};

CRemoteLink::CRemoteLink(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

CRemoteLink::~CRemoteLink() = default;

std::unique_ptr<CRemoteLink> CRemoteLink::Open(const std::string& host, const std::string& device,
                                               ViUInt32 timeoutMs, bool exclusive,
                                               ViUInt32 lockTimeoutMs, ViStatus* status) {
    const SfpLinkTransport* transport = Transport();
    if (transport == nullptr) {
        *status = VI_ERROR_LIBRARY_NFOUND;
        return nullptr;
    }
    SfpLink* link = transport->open(host.c_str(), device.c_str(), timeoutMs,
                                    exclusive ? VI_TRUE : VI_FALSE, lockTimeoutMs, status);
    if (link == nullptr) {
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->transport = transport;
    impl->link = link;
    std::unique_ptr<CRemoteLink> remote(new CRemoteLink(std::move(impl)));
    remote->m_address = transport->address(link);
    return remote;
}

ViStatus CRemoteLink::Write(const ViByte* data, ViUInt32 count, bool end, ViUInt32 timeoutMs,
                            ViUInt32* written) {
    return m_impl->transport->write(m_impl->link, data, count, end ? VI_TRUE : VI_FALSE, timeoutMs,
                                    written);
}

ViStatus CRemoteLink::Read(ViByte* buffer, ViUInt32 count, int termChar, ViUInt32 timeoutMs,
                           ViUInt32* read, bool* end) {
    ViBoolean ended = VI_FALSE;
    const ViStatus status =
        m_impl->transport->read(m_impl->link, buffer, count, termChar, timeoutMs, read, &ended);
    if (end != nullptr && ended != VI_FALSE) {
        *end = true;
    }
    return status;
}

ViStatus CRemoteLink::ReadStb(ViUInt16* status) {
    return m_impl->transport->readStb(m_impl->link, status);
}

ViStatus CRemoteLink::Clear() {
    return m_impl->transport->clear(m_impl->link);
}

ViStatus CRemoteLink::Trigger() {
    return m_impl->transport->trigger(m_impl->link);
}

ViStatus CRemoteLink::Lock(ViUInt32 timeoutMs) {
    return m_impl->transport->lock(m_impl->link, timeoutMs);
}

ViStatus CRemoteLink::Unlock() {
    return m_impl->transport->unlock(m_impl->link);
}

ViStatus CRemoteLink::EnableServiceRequests(std::function<void()> onRequest) {
    std::function<void()>* callback = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        callback = &m_impl->callbacks.emplace_back(std::move(onRequest));
    }
    return m_impl->transport->enableServiceRequests(m_impl->link, &Impl::OnRequest, callback);
}

#else

struct CRemoteLink::Impl {};

CRemoteLink::CRemoteLink(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

CRemoteLink::~CRemoteLink() = default;

std::unique_ptr<CRemoteLink> CRemoteLink::Open(const std::string&, const std::string&, ViUInt32,
                                               bool, ViUInt32, ViStatus* status) {
    *status = VI_ERROR_RSRC_NFOUND;
    return nullptr;
}

ViStatus CRemoteLink::Write(const ViByte*, ViUInt32, bool, ViUInt32, ViUInt32*) {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::Read(ViByte*, ViUInt32, int, ViUInt32, ViUInt32*, bool*) {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::ReadStb(ViUInt16*) {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::Clear() {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::Trigger() {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::Lock(ViUInt32) {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::Unlock() {
    return VI_ERROR_NSUP_OPER;
}
ViStatus CRemoteLink::EnableServiceRequests(std::function<void()>) {
    return VI_ERROR_NSUP_OPER;
}

#endif

}  // namespace sim
