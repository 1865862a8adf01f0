#include "sim/core/Bus.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "sim/core/DefaultScenario.h"
#include "sim/core/StatusTable.h"
#include "sim/core/VisaPattern.h"

namespace sim {

namespace {

constexpr std::size_t kMaxTraceLines = 10000;

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

}  // namespace

CBus& CBus::Instance() {
    static CBus bus;
    return bus;
}

long long CBus::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CBus::Record(const std::string& line) {
    if (m_trace.size() >= kMaxTraceLines) {
        m_trace.erase(m_trace.begin(), m_trace.begin() + kMaxTraceLines / 2);
    }
    m_trace.push_back(line);
}

// Read at every viOpenDefaultRM: a scenario named by a different path or with different
// content replaces the one in force, and so does any scenario when no session is open, so one
// process can run one scenario after another, each from its start.
void CBus::LoadScenarioIfNeeded() {
    const char* path = std::getenv(kScenarioVariable);
    std::string label = "<built-in scenario>";
    std::string text = DefaultScenarioText();
    std::string readError;
    if (path != nullptr && *path != '\0') {
        label = path;
        std::ifstream file(path, std::ios::binary);
        std::ostringstream content;
        if (file) {
            content << file.rdbuf();
        } else {
            readError = label + ":0: cannot read the scenario file (" + std::strerror(errno) + ")";
        }
        text = content.str();
    }
    const std::string key = label + '\n' + text;
    if (m_loaded && key == m_key && (!m_sessions.empty() || !m_error.empty())) {
        return;
    }
    ParseResult parsed;
    if (readError.empty()) {
        parsed = ParseScenario(text, label);
    } else {
        parsed.error = readError;
    }
    Load(key, parsed);
}

void CBus::Load(const std::string& key, const ParseResult& parsed) {
    const bool changed = !m_loaded || key != m_key;
    m_loaded = true;
    m_key = key;
    m_sessions.clear();
    m_devices.clear();
    m_trace.clear();
    m_scenario = Scenario();
    m_error = parsed.error;
    if (!parsed.scenario.has_value()) {
        if (changed) {
            std::fprintf(stderr, "simulated VISA: %s\n", m_error.c_str());
        }
        return;
    }
    m_scenario = *parsed.scenario;
    const long long now = NowMs();
    for (const auto& resource : m_scenario.resources) {
        DeviceState state;
        state.device = std::make_unique<CDevice>(resource, now);
        m_devices.push_back(std::move(state));
    }
}

CBus::Session* CBus::Find(ViObject vi, Session::Kind kind) {
    auto it = m_sessions.find(vi);
    return it != m_sessions.end() && it->second.kind == kind ? &it->second : nullptr;
}

ViSession CBus::NewSession(Session session) {
    // Numbers are never handed out twice, so a stale session cannot reach a new one.
    const ViSession vi = m_nextSession++;
    if (m_nextSession == VI_NULL) {
        m_nextSession = 1;
    }
    m_sessions.emplace(vi, std::move(session));
    return vi;
}

const ResourceScenario& CBus::ResourceOf(const Session& session) const {
    return m_scenario.resources[session.resource];
}

ViStatus CBus::OpenDefaultRM(ViSession* rm) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (rm == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    *rm = VI_NULL;
    LoadScenarioIfNeeded();
    if (!m_error.empty()) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    if (m_scenario.defaultRmStatus < 0) {
        return m_scenario.defaultRmStatus;
    }
    *rm = NewSession(Session(Session::Kind::ResourceManager));
    return m_scenario.defaultRmStatus;
}

ViStatus CBus::FindRsrc(ViSession rm, const ViChar* expression, ViFindList* findList,
                        ViUInt32* count, ViChar* name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (findList != nullptr) {
        *findList = VI_NULL;
    }
    if (count != nullptr) {
        *count = 0;
    }
    if (Find(rm, Session::Kind::ResourceManager) == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (expression == nullptr) {
        return VI_ERROR_INV_EXPR;
    }
    Record(std::string("find ") + expression);
    if (m_scenario.findStatus < 0) {
        return m_scenario.findStatus;
    }
    Session list(Session::Kind::FindList, rm);
    for (const auto& resource : m_scenario.resources) {
        const PatternResult match = MatchVisaPattern(expression, resource.name);
        if (match == PatternResult::Invalid) {
            return VI_ERROR_INV_EXPR;
        }
        if (match == PatternResult::Match) {
            list.names.push_back(resource.name);
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
    // As in VISA, a caller that does not take the find list gets none to close.
    if (findList != nullptr) {
        *findList = NewSession(std::move(list));
    }
    return m_scenario.findStatus;
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
    if (m_scenario.findFailAfter.has_value() && list->given >= *m_scenario.findFailAfter) {
        return m_scenario.findFailStatus;
    }
    if (list->given >= list->names.size()) {
        return VI_ERROR_RSRC_NFOUND;
    }
    CopyOut(list->names[list->given++], name);
    return VI_SUCCESS;
}

ViStatus CBus::Open(ViSession rm, const ViChar* name, ViAccessMode mode, ViSession* vi) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (vi == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    *vi = VI_NULL;
    if (Find(rm, Session::Kind::ResourceManager) == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (name == nullptr || *name == '\0') {
        return VI_ERROR_INV_RSRC_NAME;
    }
    if ((mode & ~ViAccessMode{7}) != 0) {
        return VI_ERROR_INV_ACC_MODE;
    }
    const std::string wanted = Upper(name);
    Record("open " + std::string(name));
    for (std::size_t i = 0; i < m_scenario.resources.size(); ++i) {
        const ResourceScenario& resource = m_scenario.resources[i];
        const std::string known = Upper(resource.name);
        // VISA accepts a name without its resource class; INSTR is the default.
        if (wanted != known && wanted + "::INSTR" != known) {
            continue;
        }
        if (resource.openStatus < 0) {
            return resource.openStatus;
        }
        Session session(Session::Kind::Instrument, rm);
        session.resource = i;
        *vi = NewSession(std::move(session));
        return resource.openStatus;
    }
    return VI_ERROR_RSRC_NFOUND;
}

ViStatus CBus::Close(ViObject vi) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (vi == VI_NULL) {
        return VI_WARN_NULL_OBJECT;
    }
    auto it = m_sessions.find(vi);
    if (it == m_sessions.end()) {
        return VI_ERROR_INV_OBJECT;
    }
    if (it->second.kind == Session::Kind::Instrument) {
        Record("close " + ResourceOf(it->second).name);
    }
    if (it->second.kind == Session::Kind::ResourceManager) {
        // Closing a resource manager closes everything opened through it.
        for (auto child = m_sessions.begin(); child != m_sessions.end();) {
            child = child->second.parent == vi ? m_sessions.erase(child) : std::next(child);
        }
    }
    m_sessions.erase(vi);
    return VI_SUCCESS;
}

ViStatus CBus::GetAttribute(ViObject vi, ViAttr attribute, void* value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sessions.find(vi);
    if (it == m_sessions.end()) {
        return VI_ERROR_INV_OBJECT;
    }
    if (value == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    const Session& session = it->second;
    if (session.kind != Session::Kind::Instrument) {
        return VI_ERROR_NSUP_ATTR;
    }
    const ResourceScenario& resource = ResourceOf(session);
    Record("attr " + resource.name + " " + AttributeName(attribute));
    ViStatus status = VI_SUCCESS;
    if (auto found = resource.attributeStatus.find(attribute);
        found != resource.attributeStatus.end()) {
        status = found->second;
        if (status < 0) {
            return status;
        }
    }
    // Each attribute is written with exactly its own width.
    switch (attribute) {
        case VI_ATTR_INTF_TYPE:
            Store<ViUInt16>(value, resource.interfaceType);
            return status;
        case VI_ATTR_SLOT:
        case VI_ATTR_MANF_ID:
        case VI_ATTR_MODEL_CODE: {
            const Attribute16& field = attribute == VI_ATTR_SLOT      ? resource.slot
                                       : attribute == VI_ATTR_MANF_ID ? resource.manufacturer
                                                                      : resource.model;
            if (!field.has_value()) {
                return VI_ERROR_NSUP_ATTR;
            }
            Store<ViUInt16>(value, *field);
            return status;
        }
        case VI_ATTR_TMO_VALUE:
            Store<ViUInt32>(value, session.timeoutMs);
            return status;
        case kSimAttrDriverQuirks: {
            const CDevice& device = *m_devices[session.resource].device;
            Store<ViUInt32>(value, device.UnterminatedText() ? kQuirkUnterminatedText : 0);
            return status;
        }
        default:
            return VI_ERROR_NSUP_ATTR;
    }
}

ViStatus CBus::SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sessions.find(vi);
    if (it == m_sessions.end()) {
        return VI_ERROR_INV_OBJECT;
    }
    Session& session = it->second;
    if (session.kind != Session::Kind::Instrument || attribute != VI_ATTR_TMO_VALUE) {
        return VI_ERROR_NSUP_ATTR;
    }
    if (value > 0xFFFFFFFFu) {
        return VI_ERROR_NSUP_ATTR_STATE;
    }
    Record("set " + ResourceOf(session).name + " timeout " + std::to_string(value));
    session.timeoutMs = static_cast<ViUInt32>(value);
    return VI_SUCCESS;
}

ViStatus CBus::IoSession(ViSession vi, const void* buffer, ViUInt32 count, Session** session) {
    auto it = m_sessions.find(vi);
    if (it == m_sessions.end()) {
        return VI_ERROR_INV_OBJECT;
    }
    if (it->second.kind != Session::Kind::Instrument) {
        return VI_ERROR_NSUP_OPER;
    }
    if (buffer == nullptr && count > 0) {
        return VI_ERROR_USER_BUF;
    }
    *session = &it->second;
    return VI_SUCCESS;
}

ViStatus CBus::Write(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (written != nullptr) {
        *written = 0;
    }
    Session* session = nullptr;
    if (const ViStatus refused = IoSession(vi, buffer, count, &session); refused != VI_SUCCESS) {
        return refused;
    }
    const std::string message(reinterpret_cast<const char*>(buffer), count);
    // Line ends are shown, so that a trace tells "*IDN?" from "*IDN?\n".
    std::string shown;
    for (char c : message) {
        shown += c == '\n'   ? std::string("\\n")
                 : c == '\r' ? std::string("\\r")
                             : std::string(1, c);
    }
    Record("write " + ResourceOf(*session).name + " " + shown);
    DeviceState& state = m_devices[session->resource];
    const CDevice::Outcome outcome = state.device->Execute(message, NowMs());
    if (outcome.writeStatus < 0) {
        return outcome.writeStatus;
    }
    // A new command discards a reply nobody read, as an instrument does.
    state.output = outcome.hasReply ? outcome.reply : std::string();
    state.outputEnds = outcome.replyEnds;
    state.pendingRead = outcome.readStatus;
    if (written != nullptr) {
        *written = count;
    }
    return outcome.writeStatus;
}

ViStatus CBus::Read(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (read != nullptr) {
        *read = 0;
    }
    Session* session = nullptr;
    if (const ViStatus refused = IoSession(vi, buffer, count, &session); refused != VI_SUCCESS) {
        return refused;
    }
    Record("read " + ResourceOf(*session).name);
    DeviceState& state = m_devices[session->resource];
    if (state.pendingRead < 0) {
        const ViStatus status = state.pendingRead;
        state.pendingRead = VI_SUCCESS;
        return status;
    }
    // The simulation never waits: a read with nothing to come times out at once.
    if (state.output.empty()) {
        return VI_ERROR_TMO;
    }
    const std::size_t taken = std::min<std::size_t>(count, state.output.size());
    std::memcpy(buffer, state.output.data(), taken);
    state.output.erase(0, taken);
    if (read != nullptr) {
        *read = static_cast<ViUInt32>(taken);
    }
    if (!state.output.empty()) {
        return VI_SUCCESS_MAX_CNT;
    }
    if (state.outputEnds) {
        return VI_SUCCESS;
    }
    // The message did not end: a buffer that is exactly full reports that, otherwise the
    // read would have waited for more.
    return taken == count ? VI_SUCCESS_MAX_CNT : VI_ERROR_TMO;
}

ViStatus CBus::StatusDesc(ViStatus status, ViChar* text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (text == nullptr) {
        return VI_ERROR_USER_BUF;
    }
    if (!m_error.empty() && status == VI_ERROR_SYSTEM_ERROR) {
        CopyOut("Scenario error: " + m_error, text);
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

}  // namespace sim
