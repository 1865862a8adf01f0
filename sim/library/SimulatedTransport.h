#pragma once
// The transport to a device simulated in this process: the scenario's resource, its message
// buffers and its locks, all under the library's lock.

#include "sim/library/Transport.h"

namespace sim {

class CSimulatedTransport : public ISessionTransport {
public:
    explicit CSimulatedTransport(std::shared_ptr<Resource> resource)
        : m_resource(std::move(resource)) {}

    const std::string& Name() const override { return m_resource->scenario.name; }
    unsigned Columns() const override;
    void Reading(CLibraryState& state, const char* attributeName) override;
    ViStatus AttributeStatus(ViAttr attribute) const override;
    ViStatus Describe(const TransportCall& call, ViAttr attribute,
                      AttributeValue* value) const override;
    const std::shared_ptr<Resource>& Device() const override { return m_resource; }
    ViStatus Write(TransportCall& call, const ViByte* buffer, ViUInt32 count, ViUInt32* written,
                   bool end) override;
    ViStatus Read(TransportCall& call, ViByte* buffer, ViUInt32 count, ViUInt32* read,
                  bool* end) override;
    ViStatus ReadStb(TransportCall& call, ViUInt16* status) override;
    ViStatus Clear(TransportCall& call) override;
    ViStatus Trigger(TransportCall& call, ViUInt16 protocol) override;
    ViStatus Lock(TransportCall& call, ViAccessMode type, ViUInt32 timeout,
                  const ViChar* requestedKey, ViChar* accessKey) override;
    ViStatus Unlock(TransportCall& call) override;
    ViStatus PrepareRequests(TransportCall& call) override;
    void RequestsEnabled(TransportCall& call) override;
    void Closing(CLibraryState& state, ViSession vi) override;

private:
    std::shared_ptr<Resource> m_resource;
};

}  // namespace sim
