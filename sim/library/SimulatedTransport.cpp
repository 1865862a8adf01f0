#include "sim/library/SimulatedTransport.h"

#include <algorithm>
#include <cstring>

#include "sim/library/EventThread.h"
#include "sim/library/Locks.h"
#include "sim/library/ResourceManager.h"
#include "sim/visa/SimHooks.h"

namespace sim {

namespace {

// A trace line keeps this much of a write; the rest is counted, not kept.
constexpr std::size_t kMaxTraceText = 200;

// The field of "MAKER,MODEL,SERIAL,VERSION" at index.
std::string IdnField(const std::optional<std::string>& idn, int index) {
    if (!idn.has_value()) {
        return std::string();
    }
    std::string::size_type begin = 0;
    for (int i = 0; i < index; ++i) {
        begin = idn->find(',', begin);
        if (begin == std::string::npos) {
            return std::string();
        }
        ++begin;
    }
    return idn->substr(begin, idn->find(',', begin) - begin);
}

}  // namespace

OpenResult OpenSimulated(OpenRequest& request) {
    OpenResult result;
    std::size_t index = 0;
    result.status = CResourceManager::FindResource(*request.generation, request.name, &index);
    if (result.status < 0) {
        return result;
    }
    const std::shared_ptr<Resource>& resource = request.generation->resources[index];
    result.status = resource->scenario.openStatus;
    if (result.status >= 0) {
        result.transport = std::make_shared<CSimulatedTransport>(resource);
    }
    return result;
}

unsigned CSimulatedTransport::Columns() const {
    const ResourceName& name = m_resource->name;
    const bool registers =
        m_resource->parsed && name.resourceClass == "INSTR" &&
        (name.interfaceType == VI_INTF_VXI || name.interfaceType == VI_INTF_GPIB_VXI);
    return kColumnSimulated | (registers ? kColumnRegisters : 0u);
}

void CSimulatedTransport::Reading(CLibraryState& state, const char* attributeName) {
    state.Record("attr " + m_resource->scenario.name + " " + attributeName);
}

ViStatus CSimulatedTransport::AttributeStatus(ViAttr attribute) const {
    const auto& statuses = m_resource->scenario.attributeStatus;
    const auto it = statuses.find(attribute);
    return it != statuses.end() ? it->second : VI_SUCCESS;
}

ViStatus CSimulatedTransport::Describe(const TransportCall& /*call*/, ViAttr attribute,
                                       AttributeValue* value) const {
    const Resource& resource = *m_resource;
    const ResourceScenario& scenario = resource.scenario;
    const bool vxi = resource.parsed && (resource.name.interfaceType == VI_INTF_VXI ||
                                         resource.name.interfaceType == VI_INTF_GPIB_VXI);
    const bool instr = !resource.parsed || resource.name.resourceClass == "INSTR";
    switch (attribute) {
        case VI_ATTR_RSRC_NAME:
            value->text = scenario.name;
            return VI_SUCCESS;
        case VI_ATTR_RSRC_CLASS:
            value->text = resource.parsed ? resource.name.resourceClass : "INSTR";
            return VI_SUCCESS;
        case VI_ATTR_INTF_TYPE:
            value->number = scenario.interfaceType;
            return VI_SUCCESS;
        case VI_ATTR_INTF_NUM:
            value->number = resource.name.board;
            return VI_SUCCESS;
        case VI_ATTR_RSRC_LOCK_STATE:
            value->number = CLocks::State(resource);
            return VI_SUCCESS;
        case VI_ATTR_SLOT:
        case VI_ATTR_MANF_ID:
        case VI_ATTR_MODEL_CODE: {
            const Attribute16& field = attribute == VI_ATTR_SLOT      ? scenario.slot
                                       : attribute == VI_ATTR_MANF_ID ? scenario.manufacturer
                                                                      : scenario.model;
            if (!field.has_value()) {
                return VI_ERROR_NSUP_ATTR;
            }
            value->number = static_cast<std::uint16_t>(*field);
            return VI_SUCCESS;
        }
        case VI_ATTR_MANF_NAME:
        case VI_ATTR_MODEL_NAME: {
            const bool manufacturer = attribute == VI_ATTR_MANF_NAME;
            if (!(manufacturer ? scenario.manufacturer : scenario.model).has_value()) {
                return VI_ERROR_NSUP_ATTR;
            }
            const std::optional<std::string> idn = scenario.idn.has_value() || !scenario.module
                                                       ? scenario.idn
                                                       : std::optional<std::string>(kModuleIdn);
            value->text = IdnField(idn, manufacturer ? 0 : 1);
            return VI_SUCCESS;
        }
        case VI_ATTR_VXI_LA:
        case VI_ATTR_MAINFRAME_LA:
            if (!vxi || !instr) {
                return VI_ERROR_NSUP_ATTR;
            }
            value->number =
                static_cast<std::uint16_t>(attribute == VI_ATTR_VXI_LA ? resource.name.address : 0);
            return VI_SUCCESS;
        case VI_ATTR_GPIB_PRIMARY_ADDR:
            if (!resource.parsed || resource.name.interfaceType != VI_INTF_GPIB ||
                resource.name.address < 0) {
                return VI_ERROR_NSUP_ATTR;
            }
            value->number = static_cast<std::uint16_t>(resource.name.address);
            return VI_SUCCESS;
        case kSimAttrDriverQuirks:
            value->number = resource.device->UnterminatedText() ? kQuirkUnterminatedText : 0;
            return VI_SUCCESS;
        default:
            return VI_ERROR_NSUP_ATTR;
    }
}

ViStatus CSimulatedTransport::Write(TransportCall& call, const ViByte* buffer, ViUInt32 count,
                                    ViUInt32* written, bool end) {
    CLibraryState& state = call.state;
    if (!CLocks::MayAccess(*m_resource, call.vi)) {
        return VI_ERROR_RSRC_LOCKED;
    }
    if (buffer == nullptr && count > 0) {
        return VI_ERROR_USER_BUF;
    }
    Resource& resource = *m_resource;
    const char* text = reinterpret_cast<const char*>(buffer);
    // Line ends are shown, so that a trace tells "*IDN?" from "*IDN?\n"; a long write is cut.
    std::string shown;
    for (std::size_t i = 0; i < count && shown.size() < kMaxTraceText; ++i) {
        shown += text[i] == '\n'   ? std::string("\\n")
                 : text[i] == '\r' ? std::string("\\r")
                                   : std::string(1, text[i]);
    }
    if (count > kMaxTraceText) {
        shown += "... (" + std::to_string(count) + " bytes)";
    }
    state.Record("write " + resource.scenario.name + " " + shown);
    if (count > 0) {
        resource.input.append(text, count);
    }
    if (!(end && call.session.sendEnd)) {
        // Without END the message goes on in the next write.
        if (written != nullptr) {
            *written = count;
        }
        return VI_SUCCESS;
    }
    std::string message;
    message.swap(resource.input);
    const CDevice::Outcome outcome = resource.device->Execute(message, CLibraryState::NowMs());
    for (std::string& note : resource.device->TakeNotes()) {
        state.Record(std::move(note));
    }
    CEventThread::Deliver(state, m_resource);
    if (outcome.writeStatus < 0) {
        return outcome.writeStatus;
    }
    // A new command discards a reply nobody read, as an instrument does.
    resource.output = outcome.hasReply ? outcome.reply : std::string();
    resource.outputEnds = outcome.replyEnds;
    resource.pendingRead = outcome.readStatus;
    state.changed.notify_all();
    if (written != nullptr) {
        *written = count;
    }
    return outcome.writeStatus;
}

ViStatus CSimulatedTransport::Read(TransportCall& call, ViByte* buffer, ViUInt32 count,
                                   ViUInt32* read, bool* end) {
    CLibraryState& state = call.state;
    const ViSession vi = call.vi;
    if (!CLocks::MayAccess(*m_resource, vi)) {
        return VI_ERROR_RSRC_LOCKED;
    }
    if (buffer == nullptr && count > 0) {
        return VI_ERROR_USER_BUF;
    }
    Resource& resource = *m_resource;
    state.Record("read " + resource.scenario.name);
    if (count == 0) {
        return VI_SUCCESS_MAX_CNT;  // full before the first byte
    }
    const ViUInt32 timeoutMs = call.session.timeoutMs;
    const bool termCharEnabled = call.session.termCharEnabled;
    const ViByte termChar = call.session.termChar;
    const bool suppressEnd = call.session.suppressEnd;
    std::size_t got = 0;
    for (;;) {
        if (resource.pendingRead < 0 && got == 0) {
            const ViStatus status = resource.pendingRead;
            resource.pendingRead = VI_SUCCESS;
            return status;
        }
        if (!resource.output.empty()) {
            std::size_t take = std::min<std::size_t>(count - got, resource.output.size());
            bool atTermChar = false;
            if (termCharEnabled) {
                const std::size_t at = resource.output.find(static_cast<char>(termChar));
                if (at != std::string::npos && at < take) {
                    take = at + 1;
                    atTermChar = true;
                }
            }
            std::memcpy(buffer + got, resource.output.data(), take);
            resource.output.erase(0, take);
            got += take;
            if (read != nullptr) {
                *read = static_cast<ViUInt32>(got);
            }
            const bool atEnd = resource.output.empty() && resource.outputEnds && !suppressEnd;
            if (end != nullptr) {
                *end = atEnd || atTermChar;
            }
            if (atEnd) {
                return VI_SUCCESS;
            }
            if (atTermChar) {
                return VI_SUCCESS_TERM_CHAR;
            }
            if (got == count) {
                return VI_SUCCESS_MAX_CNT;
            }
        }
        // Nothing (more) to read: wait for a reply, as long as the session's time-out allows.
        const bool ready = state.WaitFor(call.lock, timeoutMs, [&] {
            return state.stop || !resource.output.empty() || resource.pendingRead < 0 ||
                   state.Find(vi, Session::Kind::Instrument) == nullptr;
        });
        if (!ready) {
            return VI_ERROR_TMO;
        }
        if (state.Find(vi, Session::Kind::Instrument) == nullptr || state.stop) {
            return VI_ERROR_INV_OBJECT;
        }
    }
}

ViStatus CSimulatedTransport::ReadStb(TransportCall& call, ViUInt16* status) {
    if (!CLocks::MayAccess(*m_resource, call.vi)) {
        return VI_ERROR_RSRC_LOCKED;
    }
    if (status == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    CDevice& device = *m_resource->device;
    device.CatchUp(CLibraryState::NowMs());
    CEventThread::Deliver(call.state, m_resource);
    *status = device.IsModule() ? device.StatusByte() : 0;
    return VI_SUCCESS;
}

ViStatus CSimulatedTransport::Clear(TransportCall& call) {
    if (!CLocks::MayAccess(*m_resource, call.vi)) {
        return VI_ERROR_RSRC_LOCKED;
    }
    Resource& resource = *m_resource;
    call.state.Record("clear " + resource.scenario.name);
    resource.input.clear();
    resource.output.clear();
    resource.outputEnds = true;
    resource.pendingRead = VI_SUCCESS;
    return VI_SUCCESS;
}

ViStatus CSimulatedTransport::Trigger(TransportCall& call, ViUInt16 protocol) {
    if (!CLocks::MayAccess(*m_resource, call.vi)) {
        return VI_ERROR_RSRC_LOCKED;
    }
    constexpr ViUInt16 kDefaultProtocol = 0;
    if (protocol != kDefaultProtocol) {
        return VI_ERROR_INV_PROT;
    }
    call.state.Record("trigger " + m_resource->scenario.name);
    return VI_SUCCESS;
}

ViStatus CSimulatedTransport::Lock(TransportCall& call, ViAccessMode type, ViUInt32 timeout,
                                   const ViChar* requestedKey, ViChar* accessKey) {
    return CLocks::LockResource(call, *m_resource, type, timeout, requestedKey, accessKey);
}

ViStatus CSimulatedTransport::Unlock(TransportCall& call) {
    return CLocks::UnlockResource(call, *m_resource);
}

ViStatus CSimulatedTransport::PrepareRequests(TransportCall& /*call*/) {
    return VI_SUCCESS;
}

void CSimulatedTransport::RequestsEnabled(TransportCall& call) {
    call.state.Record("enable " + m_resource->scenario.name);
    m_resource->device->CatchUp(CLibraryState::NowMs());
    m_resource->requesting = m_resource->device->RequestsService();
}

void CSimulatedTransport::Closing(CLibraryState& state, ViSession vi) {
    state.Record("close " + m_resource->scenario.name);
    CLocks::Release(*m_resource, vi);
}

}  // namespace sim
