#include "sim/library/Locks.h"

#include <cstring>

namespace sim {

ViStatus CLocks::Lock(ViSession vi, ViAccessMode type, ViUInt32 timeout, const ViChar* requestedKey,
                      ViChar* accessKey) {
    return OnTransport(m_state, vi, [&](ISessionTransport& transport, TransportCall& call) {
        return transport.Lock(call, type, timeout, requestedKey, accessKey);
    });
}

ViStatus CLocks::Unlock(ViSession vi) {
    return OnTransport(m_state, vi, [&](ISessionTransport& transport, TransportCall& call) {
        return transport.Unlock(call);
    });
}

bool CLocks::MayAccess(const Resource& resource, ViSession vi) {
    if (resource.exclusiveOwner != VI_NULL) {
        return resource.exclusiveOwner == vi;
    }
    return resource.sharedHolders.empty() || resource.sharedHolders.count(vi) != 0;
}

ViAccessMode CLocks::State(const Resource& resource) {
    return resource.exclusiveOwner != VI_NULL ? VI_EXCLUSIVE_LOCK
           : !resource.sharedHolders.empty()  ? VI_SHARED_LOCK
                                              : VI_NO_LOCK;
}

ViStatus CLocks::LockResource(TransportCall& call, Resource& resource, ViAccessMode type,
                              ViUInt32 timeout, const ViChar* requestedKey, ViChar* accessKey) {
    CLibraryState& state = call.state;
    const ViSession vi = call.vi;
    if (type != VI_EXCLUSIVE_LOCK && type != VI_SHARED_LOCK) {
        return VI_ERROR_INV_LOCK_TYPE;
    }
    if (type == VI_EXCLUSIVE_LOCK) {
        if (resource.exclusiveOwner == vi) {
            ++resource.exclusiveCount;
            return VI_SUCCESS_NESTED_EXCLUSIVE;
        }
        const bool free = state.WaitFor(call.lock, timeout, [&] {
            if (state.Find(vi) == nullptr) {
                return true;
            }
            const auto& holders = resource.sharedHolders;
            return resource.exclusiveOwner == VI_NULL &&
                   (holders.empty() || (holders.size() == 1 && holders.count(vi) != 0));
        });
        if (!free) {
            return VI_ERROR_TMO;
        }
        if (state.Find(vi) == nullptr) {
            return VI_ERROR_INV_OBJECT;
        }
        resource.exclusiveOwner = vi;
        resource.exclusiveCount = 1;
        return VI_SUCCESS;
    }
    if (accessKey == nullptr) {
        return VI_ERROR_INV_ACCESS_KEY;
    }
    const std::string wanted =
        requestedKey != nullptr ? std::string(requestedKey, ::strnlen(requestedKey, VI_FIND_BUFLEN))
                                : std::string();
    if (wanted.size() >= VI_FIND_BUFLEN) {
        return VI_ERROR_INV_ACCESS_KEY;
    }
    auto held = resource.sharedHolders.find(vi);
    if (held != resource.sharedHolders.end()) {
        ++held->second;
        std::memcpy(accessKey, resource.sharedKey.c_str(), resource.sharedKey.size() + 1);
        return VI_SUCCESS_NESTED_SHARED;
    }
    const bool free = state.WaitFor(call.lock, timeout, [&] {
        if (state.Find(vi) == nullptr) {
            return true;
        }
        const bool exclusiveFree =
            resource.exclusiveOwner == VI_NULL || resource.exclusiveOwner == vi;
        return exclusiveFree && (resource.sharedHolders.empty() || wanted == resource.sharedKey);
    });
    if (!free) {
        return VI_ERROR_TMO;
    }
    if (state.Find(vi) == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (resource.sharedHolders.empty()) {
        resource.sharedKey = wanted.empty() ? "shared-" + std::to_string(++state.keys) : wanted;
    }
    resource.sharedHolders[vi] = 1;
    std::memcpy(accessKey, resource.sharedKey.c_str(), resource.sharedKey.size() + 1);
    return VI_SUCCESS;
}

ViStatus CLocks::UnlockResource(TransportCall& call, Resource& resource) {
    const ViSession vi = call.vi;
    auto shared = resource.sharedHolders.find(vi);
    // The exclusive lock goes first when a session holds both.
    if (resource.exclusiveOwner == vi) {
        if (--resource.exclusiveCount > 0) {
            return VI_SUCCESS_NESTED_EXCLUSIVE;
        }
        resource.exclusiveOwner = VI_NULL;
        call.state.changed.notify_all();
        return shared != resource.sharedHolders.end() ? VI_SUCCESS_NESTED_SHARED : VI_SUCCESS;
    }
    if (shared == resource.sharedHolders.end()) {
        return VI_ERROR_SESN_NLOCKED;
    }
    if (--shared->second > 0) {
        return VI_SUCCESS_NESTED_SHARED;
    }
    resource.sharedHolders.erase(shared);
    if (resource.sharedHolders.empty()) {
        resource.sharedKey.clear();
    }
    call.state.changed.notify_all();
    return VI_SUCCESS;
}

void CLocks::Release(Resource& resource, ViSession vi) {
    if (resource.exclusiveOwner == vi) {
        resource.exclusiveOwner = VI_NULL;
        resource.exclusiveCount = 0;
    }
    resource.sharedHolders.erase(vi);
    if (resource.sharedHolders.empty()) {
        resource.sharedKey.clear();
    }
}

}  // namespace sim
