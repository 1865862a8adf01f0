#include "sim/core/Bus.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/core/DefaultScenario.h"
#include "sim/core/ScenarioReader.h"
#include "sim/core/StatusTable.h"
#include "sim/core/VisaPattern.h"

namespace sim {

namespace {

constexpr std::size_t kMaxTraceLines = 10000;
constexpr ViVersion kSpecVersion = 0x00500800;  // VISA 5.8
constexpr ViVersion kImplVersion = 0x00010000;
constexpr ViUInt16 kLibraryManufacturerId = 0x0FFF;
constexpr const char* kLibraryManufacturer = "AQ3310 soft front panel simulation";

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// Copies a text into a caller's 256-byte buffer, cut to fit, always terminated.
void CopyOut(const std::string& text, ViChar* out) {
    const std::size_t length = std::min<std::size_t>(text.size(), VI_FIND_BUFLEN - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

const char* AttributeName(ViAttr attribute) {
    switch (attribute) {
        case VI_ATTR_INTF_TYPE:
            return "interface";
        case VI_ATTR_SLOT:
            return "slot";
        case VI_ATTR_MANF_ID:
            return "manufacturer";
        case VI_ATTR_MODEL_CODE:
            return "model";
        case VI_ATTR_TMO_VALUE:
            return "timeout";
        case kSimAttrDriverQuirks:
            return "quirks";
        default:
            return "other";
    }
}

template <typename T>
void Store(void* out, T value) {
    std::memcpy(out, &value, sizeof(value));
}

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

CBus& CBus::Instance() {
    static CBus bus;
    return bus;
}

CBus::~CBus() {
    // Links still open at the end of the process are closed outside the lock: their
    // interrupt channel threads may be waiting for it.
    std::vector<std::shared_ptr<CRemoteLink>> links;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& [vi, session] : m_sessions) {
            if (session.link) {
                links.push_back(std::move(session.link));
            }
        }
        links.insert(links.end(), m_closedLinks.begin(), m_closedLinks.end());
        m_closedLinks.clear();
    }
    links.clear();
#if defined(_WIN32)
    // Only at the end of the process once the thread ran (the library is pinned): Windows has
    // already ended every other thread, maybe inside the lock, so it is not touched.
    if (m_worker.joinable()) {
        m_worker.detach();
        return;
    }
#endif
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

long long CBus::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CBus::Record(std::string line) {
    if (m_trace.size() >= kMaxTraceLines) {
        m_trace.erase(m_trace.begin(), m_trace.begin() + kMaxTraceLines / 2);
    }
    m_trace.push_back(std::move(line));
}

// Read at every viOpenDefaultRM: a scenario named by a different path or with different
// content is in force for the sessions opened from then on; sessions already open keep their
// devices. With no session open, any scenario starts afresh, so one process can run one
// scenario after another, each from its start.
void CBus::LoadScenarioIfNeeded() {
    const char* path = std::getenv(kScenarioVariable);
    const bool builtIn = path == nullptr || *path == '\0';
    std::string text;
    std::string readError;
    if (!builtIn && !ReadScenarioFile(path, &text, &readError)) {
        readError = EscapeControls(readError);
    }
    // No path holds a zero byte: the built-in scenario's key is no file's.
    std::string key = builtIn ? std::string(1, '\0') : std::string(path) + '\n' + text;
    if (m_current && key == m_current->key && (!m_sessions.empty() || !m_current->error.empty())) {
        return;
    }
    ParseResult parsed;
    if (builtIn) {
        parsed.scenario = DefaultScenario();
    } else if (readError.empty()) {
        parsed = ReadScenarioText(text, EscapeControls(path));
    } else {
        parsed.error = readError;
    }
    const bool changed = !m_current || key != m_current->key;
    m_current = Load(key, parsed);
    m_trace.clear();
    if (!m_current->error.empty() && changed) {
        std::fprintf(stderr, "simulated VISA: %s\n", m_current->error.c_str());
    }
}

std::shared_ptr<CBus::Generation> CBus::Load(const std::string& key, const ParseResult& parsed) {
    auto generation = std::make_shared<Generation>();
    generation->key = key;
    generation->error = parsed.error;
    if (!parsed.scenario.has_value()) {
        return generation;
    }
    generation->scenario = *parsed.scenario;
    const long long now = NowMs();
    for (const auto& scenario : generation->scenario.resources) {
        auto resource = std::make_shared<Resource>();
        resource->scenario = scenario;
        resource->parsed = ParseResourceName(scenario.name, &resource->name);
        resource->device = std::make_unique<CDevice>(scenario, now);
        // Names match without regard to case, every part of them (a host name too); the
        // scenario's own spelling is what sessions and searches hand back.
        const std::string name = Upper(resource->parsed ? resource->name.canonical : scenario.name);
        generation->index.emplace(name, generation->resources.size());
        generation->resources.push_back(std::move(resource));
    }
    return generation;
}

CBus::Session* CBus::Find(ViObject vi) {
    auto it = m_sessions.find(vi);
    return it != m_sessions.end() ? &it->second : nullptr;
}

CBus::Session* CBus::Find(ViObject vi, Session::Kind kind) {
    Session* session = Find(vi);
    return session != nullptr && session->kind == kind ? session : nullptr;
}

ViSession CBus::NewSession(Session session) {
    // A number still in use is never handed out again, even after the counter wraps.
    while (m_nextSession == VI_NULL || m_sessions.count(m_nextSession) != 0) {
        ++m_nextSession;
    }
    const ViSession vi = m_nextSession++;
    m_sessions.emplace(vi, std::move(session));
    return vi;
}

void CBus::SetNextSessionNumber(ViSession next) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nextSession = next;
}

ViStatus CBus::OpenDefaultRM(ViSession* rm) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (rm == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    *rm = VI_NULL;
    LoadScenarioIfNeeded();
    if (!m_current->error.empty()) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    if (m_current->scenario.defaultRmStatus < 0) {
        return m_current->scenario.defaultRmStatus;
    }
    Session session(Session::Kind::ResourceManager, VI_NULL);
    session.generation = m_current;
    *rm = NewSession(std::move(session));
    return m_current->scenario.defaultRmStatus;
}

ViStatus CBus::FindRsrc(ViSession rm, const ViChar* expression, ViFindList* findList,
                        ViUInt32* count, ViChar* name) {
    // The configured LAN instruments are asked first, without the lock: each may take up to
    // the configured time-out to answer.
    std::vector<std::string> lan;
    if (expression != nullptr &&
        ::strnlen(expression, kMaxPatternLength + 1) <= kMaxPatternLength) {
        bool manager = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            manager = Find(rm, Session::Kind::ResourceManager) != nullptr;
        }
        if (manager) {
            // The network part failing (threads, memory) leaves the local resources listed.
            try {
                lan = FindLan(expression);
            } catch (...) {
                lan.clear();
            }
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (findList != nullptr) {
        *findList = VI_NULL;
    }
    if (count != nullptr) {
        *count = 0;
    }
    const Session* manager = Find(rm, Session::Kind::ResourceManager);
    if (manager == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (expression == nullptr || ::strnlen(expression, kMaxPatternLength + 1) > kMaxPatternLength) {
        return VI_ERROR_INV_EXPR;
    }
    Record(std::string("find ") + expression);
    const std::shared_ptr<Generation> generation = manager->generation;
    if (generation->scenario.findStatus < 0) {
        return generation->scenario.findStatus;
    }
    Session list(Session::Kind::FindList, rm);
    for (const auto& resource : generation->resources) {
        const PatternResult match = MatchVisaPattern(expression, resource->scenario.name);
        if (match == PatternResult::Invalid) {
            return VI_ERROR_INV_EXPR;
        }
        if (match == PatternResult::Match) {
            list.names.push_back(resource->scenario.name);
        }
    }
    for (const std::string& instrument : lan) {
        // A name the scenario simulates is its own.
        if (generation->index.count(instrument) == 0) {
            list.names.push_back(instrument);
        }
    }
    if (list.names.empty()) {
        return VI_ERROR_RSRC_NFOUND;
    }
    if (name != nullptr) {
        CopyOut(list.names.front(), name);
    }
    if (count != nullptr) {
        *count = static_cast<ViUInt32>(list.names.size());
    }
    list.given = 1;
    list.generation = generation;
    // As in VISA, a caller that does not take the find list gets none to close.
    if (findList != nullptr) {
        *findList = NewSession(std::move(list));
    }
    return generation->scenario.findStatus;
}

ViStatus CBus::FindNext(ViFindList findList, ViChar* name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* list = Find(findList, Session::Kind::FindList);
    if (list == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (name == nullptr) {
        return VI_ERROR_USER_BUF;
    }
    const Scenario& scenario = list->generation->scenario;
    if (scenario.findFailAfter.has_value() && list->given >= *scenario.findFailAfter) {
        return scenario.findFailStatus;
    }
    if (list->given >= list->names.size()) {
        return VI_ERROR_RSRC_NFOUND;
    }
    CopyOut(list->names[list->given++], name);
    return VI_SUCCESS;
}

ViStatus CBus::FindResource(const Generation& generation, const std::string& name,
                            std::size_t* index) const {
    ResourceName parsed;
    const bool valid = ParseResourceName(name, &parsed);
    auto it = generation.index.find(Upper(valid ? parsed.canonical : name));
    if (it == generation.index.end() && valid) {
        it = generation.index.find(Upper(name));
    }
    // Some clients name a GPIB device without secondary addresses with secondary 0.
    if (it == generation.index.end() && valid && parsed.interfaceType == VI_INTF_GPIB &&
        parsed.secondary == 0) {
        it = generation.index.find("GPIB" + std::to_string(parsed.board) +
                                   "::" + std::to_string(parsed.address) + "::INSTR");
    }
    if (it == generation.index.end()) {
        return valid ? VI_ERROR_RSRC_NFOUND : VI_ERROR_INV_RSRC_NAME;
    }
    *index = it->second;
    return VI_SUCCESS;
}

ViStatus CBus::ParseRsrc(ViSession rm, const ViChar* name, ViUInt16* type, ViUInt16* number,
                         ViChar* resourceClass, ViChar* unaliased, ViChar* alias) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Session* manager = Find(rm, Session::Kind::ResourceManager);
    if (manager == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (name == nullptr || ::strnlen(name, kMaxResourceNameLength + 1) > kMaxResourceNameLength) {
        return VI_ERROR_INV_RSRC_NAME;
    }
    ResourceName parsed;
    if (!ParseResourceName(name, &parsed)) {
        // A name the scenario lists as it stands, though VISA would not parse it.
        std::size_t index = 0;
        if (FindResource(*manager->generation, name, &index) != VI_SUCCESS) {
            return VI_ERROR_INV_RSRC_NAME;
        }
        const ResourceScenario& scenario = manager->generation->resources[index]->scenario;
        parsed.interfaceType = scenario.interfaceType;
        parsed.canonical = scenario.name;
        const std::string::size_type last = scenario.name.rfind("::");
        parsed.resourceClass = last == std::string::npos ? "INSTR" : scenario.name.substr(last + 2);
    }
    if (type != nullptr) {
        *type = parsed.interfaceType;
    }
    if (number != nullptr) {
        *number = parsed.board;
    }
    if (resourceClass != nullptr) {
        CopyOut(parsed.resourceClass, resourceClass);
    }
    if (unaliased != nullptr) {
        CopyOut(parsed.canonical, unaliased);
    }
    if (alias != nullptr) {
        alias[0] = '\0';
    }
    return VI_SUCCESS;
}

ViStatus CBus::Open(ViSession rm, const ViChar* name, ViAccessMode mode, ViUInt32 openTimeout,
                    ViSession* vi) {
    ViSession opened = VI_NULL;
    ViStatus status = VI_SUCCESS;
    ResourceName remote;
    bool toRemote = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (vi == nullptr) {
            return VI_ERROR_INV_PARAMETER;
        }
        *vi = VI_NULL;
        const Session* manager = Find(rm, Session::Kind::ResourceManager);
        if (manager == nullptr) {
            return VI_ERROR_INV_OBJECT;
        }
        if (name == nullptr || *name == '\0' ||
            ::strnlen(name, kMaxResourceNameLength + 1) > kMaxResourceNameLength) {
            return VI_ERROR_INV_RSRC_NAME;
        }
        const ViAccessMode known = VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK | VI_LOAD_CONFIG;
        if ((mode & ~known) != 0 ||
            (mode & (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK)) == (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK)) {
            return VI_ERROR_INV_ACC_MODE;
        }
        Record("open " + std::string(name));
        const std::shared_ptr<Generation> generation = manager->generation;
        std::size_t index = 0;
        const ViStatus missing = FindResource(*generation, name, &index);
        // A TCPIP instrument the scenario does not simulate is reached over the network.
        if (missing == VI_ERROR_RSRC_NFOUND && ParseResourceName(name, &remote) &&
            remote.interfaceType == VI_INTF_TCPIP && remote.resourceClass == "INSTR") {
            toRemote = true;
        } else if (missing < 0) {
            return missing;
        } else {
            const std::shared_ptr<Resource>& resource = generation->resources[index];
            if (resource->scenario.openStatus < 0) {
                return resource->scenario.openStatus;
            }
            Session session(Session::Kind::Instrument, rm);
            session.resource = resource;
            opened = NewSession(std::move(session));
            status = resource->scenario.openStatus;
        }
    }
    if (toRemote) {
        return OpenRemote(rm, remote, mode, openTimeout, vi);
    }
    // A lock asked for at open is taken as viLock would, waiting up to the open time-out.
    if ((mode & (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK)) != 0) {
        ViChar key[VI_FIND_BUFLEN];
        const ViStatus locked =
            Lock(opened, mode & (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK), openTimeout, nullptr, key);
        if (locked < 0) {
            Close(opened);
            return locked == VI_ERROR_TMO ? VI_ERROR_RSRC_LOCKED : locked;
        }
    }
    *vi = opened;
    return status;
}

void CBus::CloseLocked(ViObject vi) {
    auto it = m_sessions.find(vi);
    if (it == m_sessions.end()) {
        return;
    }
    // Closing a session closes what was opened through it: instruments, lists, events.
    std::vector<ViObject> children;
    for (const auto& [id, session] : m_sessions) {
        if (session.parent == vi) {
            children.push_back(id);
        }
    }
    for (const ViObject child : children) {
        CloseLocked(child);
    }
    Session& session = it->second;
    if (session.kind == Session::Kind::Instrument) {
        Record("close " + session.resource->scenario.name);
        Resource& resource = *session.resource;
        if (resource.exclusiveOwner == vi) {
            resource.exclusiveOwner = VI_NULL;
            resource.exclusiveCount = 0;
        }
        resource.sharedHolders.erase(vi);
        if (resource.sharedHolders.empty()) {
            resource.sharedKey.clear();
        }
    }
    if (session.link) {
        m_closedLinks.push_back(std::move(session.link));
    }
    m_sessions.erase(it);
}

ViStatus CBus::Close(ViObject vi) {
    std::vector<std::shared_ptr<CRemoteLink>> links;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (vi == VI_NULL) {
        return VI_WARN_NULL_OBJECT;
    }
    if (Find(vi) == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    CloseLocked(vi);
    links.swap(m_closedLinks);
    m_changed.notify_all();
    m_wake.notify_all();
    lock.unlock();
    links.clear();  // destroys the links, each ending its link with the device
    return VI_SUCCESS;
}

ViStatus CBus::GetAttribute(ViObject vi, ViAttr attribute, void* value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* found = Find(vi);
    if (found == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (value == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    if (found->kind == Session::Kind::Instrument) {
        Record("attr " + found->resource->scenario.name + " " + AttributeName(attribute));
    }
    return GetLocked(*found, attribute, value);
}

ViStatus CBus::GetLocked(const Session& session, ViAttr attribute, void* value) {
    // Attributes every session has.
    switch (attribute) {
        case VI_ATTR_RSRC_MANF_NAME:
            CopyOut(kLibraryManufacturer, static_cast<ViChar*>(value));
            return VI_SUCCESS;
        case VI_ATTR_RSRC_MANF_ID:
            Store<ViUInt16>(value, kLibraryManufacturerId);
            return VI_SUCCESS;
        case VI_ATTR_RSRC_SPEC_VERSION:
            Store<ViVersion>(value, kSpecVersion);
            return VI_SUCCESS;
        case VI_ATTR_RSRC_IMPL_VERSION:
            Store<ViVersion>(value, kImplVersion);
            return VI_SUCCESS;
        case VI_ATTR_USER_DATA:
            Store<ViUInt32>(value, static_cast<ViUInt32>(session.userData));
            return VI_SUCCESS;
        case VI_ATTR_USER_DATA_64:
            Store<std::uint64_t>(value, session.userData);
            return VI_SUCCESS;
        default:
            break;
    }
    if (session.kind == Session::Kind::Event) {
        if (attribute != VI_ATTR_EVENT_TYPE) {
            return VI_ERROR_NSUP_ATTR;
        }
        Store<ViEventType>(value, session.eventType);
        return VI_SUCCESS;
    }
    if (session.kind == Session::Kind::Remote) {
        return GetRemote(session, attribute, value);
    }
    if (session.kind != Session::Kind::Instrument) {
        return VI_ERROR_NSUP_ATTR;
    }
    const Resource& resource = *session.resource;
    const ResourceScenario& scenario = resource.scenario;
    ViStatus status = VI_SUCCESS;
    if (auto it = scenario.attributeStatus.find(attribute); it != scenario.attributeStatus.end()) {
        status = it->second;
        if (status < 0) {
            return status;
        }
    }
    const bool vxi = resource.parsed && (resource.name.interfaceType == VI_INTF_VXI ||
                                         resource.name.interfaceType == VI_INTF_GPIB_VXI);
    const bool instr = !resource.parsed || resource.name.resourceClass == "INSTR";
    // Each attribute is written with exactly its own width.
    switch (attribute) {
        case VI_ATTR_RSRC_NAME:
            CopyOut(scenario.name, static_cast<ViChar*>(value));
            return status;
        case VI_ATTR_RSRC_CLASS:
            CopyOut(resource.parsed ? resource.name.resourceClass : "INSTR",
                    static_cast<ViChar*>(value));
            return status;
        case VI_ATTR_INTF_TYPE:
            Store<ViUInt16>(value, scenario.interfaceType);
            return status;
        case VI_ATTR_INTF_NUM:
            Store<ViUInt16>(value, resource.name.board);
            return status;
        case VI_ATTR_RSRC_LOCK_STATE:
            Store<ViAccessMode>(value, resource.exclusiveOwner != VI_NULL ? VI_EXCLUSIVE_LOCK
                                       : !resource.sharedHolders.empty()  ? VI_SHARED_LOCK
                                                                          : VI_NO_LOCK);
            return status;
        case VI_ATTR_TMO_VALUE:
            Store<ViUInt32>(value, session.timeoutMs);
            return status;
        case VI_ATTR_MAX_QUEUE_LENGTH:
            Store<ViUInt32>(value, session.maxQueue);
            return status;
        case VI_ATTR_TERMCHAR:
            Store<ViUInt8>(value, session.termChar);
            return status;
        case VI_ATTR_TERMCHAR_EN:
            Store<ViBoolean>(value, session.termCharEnabled ? VI_TRUE : VI_FALSE);
            return status;
        case VI_ATTR_SEND_END_EN:
            Store<ViBoolean>(value, session.sendEnd ? VI_TRUE : VI_FALSE);
            return status;
        case VI_ATTR_SUPPRESS_END_EN:
            Store<ViBoolean>(value, session.suppressEnd ? VI_TRUE : VI_FALSE);
            return status;
        case VI_ATTR_SLOT:
        case VI_ATTR_MANF_ID:
        case VI_ATTR_MODEL_CODE: {
            const Attribute16& field = attribute == VI_ATTR_SLOT      ? scenario.slot
                                       : attribute == VI_ATTR_MANF_ID ? scenario.manufacturer
                                                                      : scenario.model;
            if (!field.has_value()) {
                return VI_ERROR_NSUP_ATTR;
            }
            Store<ViUInt16>(value, *field);
            return status;
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
            CopyOut(IdnField(idn, manufacturer ? 0 : 1), static_cast<ViChar*>(value));
            return status;
        }
        case VI_ATTR_VXI_LA:
        case VI_ATTR_MAINFRAME_LA:
            if (!vxi || !instr) {
                return VI_ERROR_NSUP_ATTR;
            }
            Store<ViInt16>(value, static_cast<ViInt16>(
                                      attribute == VI_ATTR_VXI_LA ? resource.name.address : 0));
            return status;
        case VI_ATTR_GPIB_PRIMARY_ADDR:
            if (!resource.parsed || resource.name.interfaceType != VI_INTF_GPIB ||
                resource.name.address < 0) {
                return VI_ERROR_NSUP_ATTR;
            }
            Store<ViUInt16>(value, static_cast<ViUInt16>(resource.name.address));
            return status;
        case kSimAttrDriverQuirks:
            Store<ViUInt32>(value,
                            resource.device->UnterminatedText() ? kQuirkUnterminatedText : 0);
            return status;
        default:
            return VI_ERROR_NSUP_ATTR;
    }
}

ViStatus CBus::SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* found = Find(vi);
    if (found == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    Session& session = *found;
    if (attribute == VI_ATTR_USER_DATA || attribute == VI_ATTR_USER_DATA_64) {
        session.userData = value;
        return VI_SUCCESS;
    }
    switch (attribute) {
        case VI_ATTR_RSRC_MANF_NAME:
        case VI_ATTR_RSRC_MANF_ID:
        case VI_ATTR_RSRC_SPEC_VERSION:
        case VI_ATTR_RSRC_IMPL_VERSION:
            return VI_ERROR_ATTR_READONLY;
        default:
            break;
    }
    if (session.kind != Session::Kind::Instrument && session.kind != Session::Kind::Remote) {
        return attribute == VI_ATTR_EVENT_TYPE && session.kind == Session::Kind::Event
                   ? VI_ERROR_ATTR_READONLY
                   : VI_ERROR_NSUP_ATTR;
    }
    const auto boolean = [&](bool* field) {
        if (value != VI_TRUE && value != VI_FALSE) {
            return VI_ERROR_NSUP_ATTR_STATE;
        }
        *field = value == VI_TRUE;
        return VI_SUCCESS;
    };
    switch (attribute) {
        case VI_ATTR_TMO_VALUE:
            if (value > 0xFFFFFFFFu) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            Record("set " +
                   (session.resource ? session.resource->scenario.name
                                     : session.remoteName.canonical) +
                   " timeout " + std::to_string(value));
            session.timeoutMs = static_cast<ViUInt32>(value);
            return VI_SUCCESS;
        case VI_ATTR_TERMCHAR:
            if (value > 0xFF) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            session.termChar = static_cast<ViUInt8>(value);
            return VI_SUCCESS;
        case VI_ATTR_MAX_QUEUE_LENGTH:
            if (value < 1 || value > 65536) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            session.maxQueue = static_cast<ViUInt32>(value);
            return VI_SUCCESS;
        case VI_ATTR_TERMCHAR_EN:
            return boolean(&session.termCharEnabled);
        case VI_ATTR_SEND_END_EN:
            return boolean(&session.sendEnd);
        case VI_ATTR_SUPPRESS_END_EN:
            return boolean(&session.suppressEnd);
        default:
            break;
    }
    // Whatever this session can read but not set is read-only; the rest it does not have.
    unsigned char probe[VI_FIND_BUFLEN];
    const ViStatus readable = GetLocked(session, attribute, probe);
    return readable >= 0 && attribute != kSimAttrDriverQuirks ? VI_ERROR_ATTR_READONLY
                                                              : VI_ERROR_NSUP_ATTR;
}

ViStatus CBus::StatusDesc(ViStatus status, ViChar* text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (text == nullptr) {
        return VI_ERROR_USER_BUF;
    }
    if (m_current && !m_current->error.empty() && status == VI_ERROR_SYSTEM_ERROR) {
        CopyOut("Scenario error: " + m_current->error, text);
        return VI_SUCCESS;
    }
    if (const StatusInfo* info = FindStatus(status)) {
        CopyOut(std::string(info->name) + ": " + info->text, text);
        return VI_SUCCESS;
    }
    char unknown[64];
    std::snprintf(unknown, sizeof(unknown), "Unknown status 0x%08X.",
                  static_cast<unsigned>(status));
    CopyOut(unknown, text);
    return VI_WARN_UNKNOWN_STATUS;
}

std::string CBus::Trace() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string text;
    for (const auto& line : m_trace) {
        text += line + "\n";
    }
    return text;
}

int CBus::OpenSessionCount() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_sessions.size());
}

std::shared_ptr<void> CBus::Attachment(ViSession vi, std::shared_ptr<void> (*make)()) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = FindIo(vi);
    if (session == nullptr) {
        return nullptr;
    }
    if (!session->attachment) {
        session->attachment = make();
    }
    return session->attachment;
}

bool CBus::IsInstrument(ViSession vi) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return FindIo(vi) != nullptr;
}

}  // namespace sim
