#pragma once
// VISA's locks: exclusive and shared, keys, nesting, and waits for a lock held elsewhere. The
// operations ask the session's transport; a simulated resource keeps its locks itself, by the
// rules below, while a network link's locks are the server's.

#include "sim/library/Transport.h"

namespace sim {

class CLocks {
public:
    explicit CLocks(CLibraryState& state) : m_state(state) {}
    ViStatus Lock(ViSession vi, ViAccessMode type, ViUInt32 timeout, const ViChar* requestedKey,
                  ViChar* accessKey);
    ViStatus Unlock(ViSession vi);

    // A simulated resource's locks.
    static bool MayAccess(const Resource& resource, ViSession vi);
    static ViAccessMode State(const Resource& resource);
    static ViStatus LockResource(TransportCall& call, Resource& resource, ViAccessMode type,
                                 ViUInt32 timeout, const ViChar* requestedKey, ViChar* accessKey);
    static ViStatus UnlockResource(TransportCall& call, Resource& resource);
    // What a closing session held is let go.
    static void Release(Resource& resource, ViSession vi);

private:
    CLibraryState& m_state;
};

}  // namespace sim
