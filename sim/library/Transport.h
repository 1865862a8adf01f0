#pragma once
// How an instrument session reaches its device: one small interface, one implementation per
// way (the simulated device in process, a VXI-11 link). Message I/O, locks, events and
// attributes ask the session's transport; none of them knows which one it is.
//
// Every call comes with the library's lock held in call.lock and the session open. A transport
// that talks to the network releases the lock for the exchange and may return with it
// released: the caller touches no state after the call.

#include <memory>
#include <string>

#include "sim/library/LibraryState.h"

namespace sim {

// One call on an instrument session.
struct TransportCall {
    CLibraryState& state;
    LibraryLock& lock;
    ViSession vi;
    Session& session;  // valid while the lock is held
};

// A value an attribute reads as: a number or a text.
struct AttributeValue {
    std::uint64_t number = 0;
    std::string text;
};

// Which sessions an attribute applies to (the attribute table's columns).
enum AttributeColumn : unsigned {
    kColumnManager = 1,
    kColumnFindList = 2,
    kColumnEvent = 4,
    kColumnSimulated = 8,   // an instrument simulated in process
    kColumnNetwork = 16,    // an instrument reached over the network
    kColumnRegisters = 32,  // an instrument with VXI registers
};

// One instrument session's link to its device.
class ISessionTransport {
public:
    virtual ~ISessionTransport() = default;

    // The name the session was opened by, as the trace shows it.
    virtual const std::string& Name() const = 0;
    // The attribute table's columns (AttributeColumn bits) this transport's sessions have.
    virtual unsigned Columns() const = 0;
    // An application reads an attribute (for the trace).
    virtual void Reading(CLibraryState& state, const char* attributeName) = 0;
    // The status a scenario gives reading an attribute (VI_SUCCESS: none).
    virtual ViStatus AttributeStatus(ViAttr attribute) const = 0;
    // Values only the transport knows (names, addresses, lock state); VI_ERROR_NSUP_ATTR when
    // it has none.
    virtual ViStatus Describe(const TransportCall& call, ViAttr attribute,
                              AttributeValue* value) const = 0;
    // The simulated resource behind the session, for register access and real-time stepping;
    // empty when the device is elsewhere.
    virtual const std::shared_ptr<Resource>& Device() const = 0;

    virtual ViStatus Write(TransportCall& call, const ViByte* buffer, ViUInt32 count,
                           ViUInt32* written, bool end) = 0;
    virtual ViStatus Read(TransportCall& call, ViByte* buffer, ViUInt32 count, ViUInt32* read,
                          bool* end) = 0;
    virtual ViStatus ReadStb(TransportCall& call, ViUInt16* status) = 0;
    virtual ViStatus Clear(TransportCall& call) = 0;
    virtual ViStatus Trigger(TransportCall& call, ViUInt16 protocol) = 0;
    virtual ViStatus Lock(TransportCall& call, ViAccessMode type, ViUInt32 timeout,
                          const ViChar* requestedKey, ViChar* accessKey) = 0;
    virtual ViStatus Unlock(TransportCall& call) = 0;
    // Before service requests are enabled: the device is asked to send them. May release the
    // lock; returns with it held.
    virtual ViStatus PrepareRequests(TransportCall& call) = 0;
    // After service requests were enabled.
    virtual void RequestsEnabled(TransportCall& call) = 0;
    // The session is closing (the lock is held).
    virtual void Closing(CLibraryState& state, ViSession vi) = 0;
};

// Runs op(transport, call) on the instrument session vi's transport, or answers why it cannot
// (VI_ERROR_INV_OBJECT, VI_ERROR_NSUP_OPER). The transport is held for the call, as a network
// call goes on outside the lock where the session may close, and let go after the lock, as
// ending a link waits for threads that take it.
template <typename Op>
ViStatus OnTransport(CLibraryState& state, ViSession vi, Op op) {
    std::shared_ptr<ISessionTransport> transport;
    LibraryLock lock(state.mutex);
    Session* session = state.Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (session->kind != Session::Kind::Instrument) {
        return VI_ERROR_NSUP_OPER;
    }
    transport = session->transport;
    TransportCall call{state, lock, vi, *session};
    return op(*transport, call);
}

// What an open asks of the transports.
struct OpenRequest {
    CLibraryState& state;
    LibraryLock& lock;
    ViSession rm;
    std::shared_ptr<Generation> generation;
    const char* name;
    ViAccessMode mode;
    ViUInt32 openTimeout;
};

// What a transport made of an open.
struct OpenResult {
    ViStatus status = VI_ERROR_RSRC_NFOUND;  // VI_ERROR_RSRC_NFOUND: not this transport's name
    std::shared_ptr<ISessionTransport> transport;
    bool lockedAtOpen = false;  // the transport took the lock the mode asks for
};

// A way to reach devices: claims the names it serves at open.
struct TransportKind {
    const char* name;
    // Called with the lock held; may release it, returns with it held.
    OpenResult (*open)(OpenRequest& request);
};

// Every transport the library has, in the order they are asked at open.
const TransportKind* Transports(std::size_t* count);

}  // namespace sim
