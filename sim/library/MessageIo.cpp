#include "sim/library/MessageIo.h"

#include "sim/library/Transport.h"

namespace sim {

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
