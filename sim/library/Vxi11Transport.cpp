// The transport to a TCPIP INSTR on a VXI-11 link. The link is used outside the library's lock,
// so a slow or dead host holds up only the sessions that use it.
#include <cstring>

#include "sim/core/RemoteLink.h"
#include "sim/library/EventThread.h"
#include "sim/library/LanSearch.h"
#include "sim/library/Transport.h"

namespace sim {

namespace {

// Without an open time-out the connection may take the default I/O time-out.
constexpr ViUInt32 kDefaultConnectMs = 2000;

class CVxi11Transport : public ISessionTransport {
public:
    CVxi11Transport(std::shared_ptr<CRemoteLink> link, ResourceName name, std::string host,
                    std::string device, bool locked)
        : m_link(std::move(link)),
          m_name(std::move(name)),
          m_host(std::move(host)),
          m_device(std::move(device)),
          m_lockCount(locked ? 1 : 0) {}

    const std::string& Name() const override { return m_name.canonical; }
    unsigned Columns() const override { return kColumnNetwork; }
    void Reading(CLibraryState& /*state*/, const char* /*attributeName*/) override {}
    ViStatus AttributeStatus(ViAttr /*attribute*/) const override { return VI_SUCCESS; }
    ViStatus Describe(const TransportCall& /*call*/, ViAttr attribute,
                      AttributeValue* value) const override {
        switch (attribute) {
            case VI_ATTR_RSRC_NAME:
                value->text = m_name.canonical;
                return VI_SUCCESS;
            case VI_ATTR_RSRC_CLASS:
                value->text = "INSTR";
                return VI_SUCCESS;
            case VI_ATTR_INTF_TYPE:
                value->number = VI_INTF_TCPIP;
                return VI_SUCCESS;
            case VI_ATTR_INTF_NUM:
                value->number = m_name.board;
                return VI_SUCCESS;
            case VI_ATTR_TCPIP_ADDR:
                value->text = m_link->Address();
                return VI_SUCCESS;
            case VI_ATTR_TCPIP_HOSTNAME:
                value->text = m_host;
                return VI_SUCCESS;
            case VI_ATTR_TCPIP_DEVICE_NAME:
                value->text = m_device;
                return VI_SUCCESS;
            case VI_ATTR_RSRC_LOCK_STATE:
                value->number = m_lockCount > 0 ? VI_EXCLUSIVE_LOCK : VI_NO_LOCK;
                return VI_SUCCESS;
            default:
                return VI_ERROR_NSUP_ATTR;
        }
    }
    const std::shared_ptr<Resource>& Device() const override { return m_none; }

    ViStatus Write(TransportCall& call, const ViByte* buffer, ViUInt32 count, ViUInt32* written,
                   bool end) override {
        if (buffer == nullptr && count > 0) {
            return VI_ERROR_USER_BUF;
        }
        const ViUInt32 timeoutMs = call.session.timeoutMs;
        const bool sendEnd = end && call.session.sendEnd;
        call.lock.unlock();
        return m_link->Write(buffer, count, sendEnd, timeoutMs, written);
    }
    ViStatus Read(TransportCall& call, ViByte* buffer, ViUInt32 count, ViUInt32* read,
                  bool* end) override {
        if (buffer == nullptr && count > 0) {
            return VI_ERROR_USER_BUF;
        }
        if (count == 0) {
            return VI_SUCCESS_MAX_CNT;
        }
        const ViUInt32 timeoutMs = call.session.timeoutMs;
        const int termChar = call.session.termCharEnabled ? call.session.termChar : -1;
        call.lock.unlock();
        return m_link->Read(buffer, count, termChar, timeoutMs, read, end);
    }
    ViStatus ReadStb(TransportCall& call, ViUInt16* status) override {
        call.lock.unlock();
        return status != nullptr ? m_link->ReadStb(status) : VI_ERROR_INV_PARAMETER;
    }
    ViStatus Clear(TransportCall& call) override {
        call.lock.unlock();
        return m_link->Clear();
    }
    ViStatus Trigger(TransportCall& call, ViUInt16 protocol) override {
        call.lock.unlock();
        return protocol == 0 ? m_link->Trigger() : VI_ERROR_INV_PROT;
    }
    ViStatus Lock(TransportCall& call, ViAccessMode type, ViUInt32 timeout,
                  const ViChar* /*requestedKey*/, ViChar* accessKey) override {
        if (type == VI_SHARED_LOCK) {
            return VI_ERROR_NSUP_OPER;  // the protocol's locks are exclusive only
        }
        if (type != VI_EXCLUSIVE_LOCK) {
            return VI_ERROR_INV_LOCK_TYPE;
        }
        if (accessKey != nullptr) {
            accessKey[0] = '\0';
        }
        if (m_lockCount > 0) {
            ++m_lockCount;
            return VI_SUCCESS_NESTED_EXCLUSIVE;
        }
        call.lock.unlock();
        const ViStatus status = m_link->Lock(timeout);
        if (status < 0) {
            return status;
        }
        call.lock.lock();
        if (call.state.Find(call.vi, Session::Kind::Instrument) == nullptr) {
            return VI_ERROR_INV_OBJECT;  // closed meanwhile: the link's end released the lock
        }
        ++m_lockCount;
        return VI_SUCCESS;
    }
    ViStatus Unlock(TransportCall& call) override {
        if (m_lockCount == 0) {
            return VI_ERROR_SESN_NLOCKED;
        }
        if (m_lockCount > 1) {
            --m_lockCount;
            return VI_SUCCESS_NESTED_EXCLUSIVE;
        }
        m_lockCount = 0;
        call.lock.unlock();
        return m_link->Unlock();
    }
    ViStatus PrepareRequests(TransportCall& call) override {
        if (m_linkRequests) {
            return VI_SUCCESS;
        }
        // The request comes on the link's interrupt channel thread; the session is looked up
        // again, as it may be closed by then.
        CLibraryState* state = &call.state;
        const ViSession vi = call.vi;
        call.lock.unlock();
        const ViStatus status = m_link->EnableServiceRequests([state, vi] {
            std::lock_guard<std::mutex> lock(state->mutex);
            Session* session = state->Find(vi, Session::Kind::Instrument);
            if (session != nullptr && CEventThread::Signal(*state, vi, *session)) {
                state->changed.notify_all();
            }
        });
        call.lock.lock();
        if (status < 0) {
            return status;
        }
        if (call.state.Find(vi) != nullptr) {
            m_linkRequests = true;
        }
        return VI_SUCCESS;
    }
    void RequestsEnabled(TransportCall& /*call*/) override {}
    void Closing(CLibraryState& /*state*/, ViSession /*vi*/) override {}

private:
    std::shared_ptr<CRemoteLink> m_link;
    ResourceName m_name;
    std::string m_host, m_device;
    int m_lockCount;              // nested exclusive locks held (under the library's lock)
    bool m_linkRequests = false;  // the device sends its service requests
    std::shared_ptr<Resource> m_none;
};

}  // namespace

// A TCPIP instrument the scenario does not simulate is reached over the network.
OpenResult OpenVxi11(OpenRequest& request) {
    OpenResult result;
    ResourceName name;
    if (!ParseResourceName(request.name, &name) || name.interfaceType != VI_INTF_TCPIP ||
        name.resourceClass != "INSTR") {
        return result;
    }
    if ((request.mode & VI_SHARED_LOCK) != 0) {
        result.status = VI_ERROR_INV_ACC_MODE;  // the protocol's locks are exclusive only
        return result;
    }
    std::string host;
    std::string device;
    SplitTcpipName(name.canonical, &host, &device);
    const bool exclusive = (request.mode & VI_EXCLUSIVE_LOCK) != 0;
    request.lock.unlock();
    std::shared_ptr<CRemoteLink> link = CRemoteLink::Open(
        host, device, request.openTimeout > 0 ? request.openTimeout : kDefaultConnectMs, exclusive,
        request.openTimeout, &result.status);
    if (!link) {
        request.lock.lock();
        return result;
    }
    result.status = VI_SUCCESS;
    result.transport =
        std::make_shared<CVxi11Transport>(std::move(link), name, host, device, exclusive);
    result.lockedAtOpen = true;
    request.lock.lock();
    return result;
}

}  // namespace sim
