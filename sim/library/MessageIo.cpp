#include "sim/library/MessageIo.h"

#include "sim/library/Transport.h"

namespace sim {

namespace {

// Runs op on the instrument session vi's transport, or answers why it cannot.
template <typename Op>
ViStatus OnTransport(CLibraryState& state, ViSession vi, Op op) {
    // Held for the call, as a network call goes on outside the lock where the session may
    // close; and let go after the lock, as ending a link waits for threads that take it.
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

}  // namespace

ViStatus CMessageIo::Write(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written,
                           bool end) {
    // The caller's counts start at zero whatever the call comes to.
    if (written != nullptr) {
        *written = 0;
    }
    return OnTransport(m_state, vi, [&](ISessionTransport& transport, TransportCall& call) {
        return transport.Write(call, buffer, count, written, end);
    });
}

ViStatus CMessageIo::Read(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read, bool* end) {
    if (read != nullptr) {
        *read = 0;
    }
    if (end != nullptr) {
        *end = false;
    }
    return OnTransport(m_state, vi, [&](ISessionTransport& transport, TransportCall& call) {
        return transport.Read(call, buffer, count, read, end);
    });
}

ViStatus CMessageIo::ReadStb(ViSession vi, ViUInt16* status) {
    return OnTransport(m_state, vi, [&](ISessionTransport& transport, TransportCall& call) {
        return transport.ReadStb(call, status);
    });
}

ViStatus CMessageIo::Clear(ViSession vi) {
    return OnTransport(m_state, vi, [&](ISessionTransport& transport, TransportCall& call) {
        return transport.Clear(call);
    });
}

ViStatus CMessageIo::AssertTrigger(ViSession vi, ViUInt16 protocol) {
    return OnTransport(m_state, vi, [&](ISessionTransport& transport, TransportCall& call) {
        return transport.Trigger(call, protocol);
    });
}

}  // namespace sim
