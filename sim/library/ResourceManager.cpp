#include "sim/library/ResourceManager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/core/ResourceName.h"
#include "sim/core/StatusTable.h"
#include "sim/core/VisaPattern.h"
#include "sim/library/LanSearch.h"
#include "sim/scenario/DefaultScenario.h"
#include "sim/scenario/ScenarioReader.h"
#include "sim/visa/SimHooks.h"

namespace sim {

void CResourceManager::CopyOut(const std::string& text, ViChar* out) {
    const std::size_t length = std::min<std::size_t>(text.size(), VI_FIND_BUFLEN - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

// Read at every viOpenDefaultRM: a scenario named by a different path or with different
// content is in force for the sessions opened from then on; sessions already open keep their
// devices. With no session open, any scenario starts afresh, so one process can run one
// scenario after another, each from its start.
void CResourceManager::LoadScenarioIfNeeded() {
    const char* path = std::getenv(kScenarioVariable);
    const bool builtIn = path == nullptr || *path == '\0';
    std::string text;
    std::string readError;
    if (!builtIn && !ReadScenarioFile(path, &text, &readError)) {
        readError = EscapeControls(readError);
    }
    // No path holds a zero byte: the built-in scenario's key is no file's.
    std::string key = builtIn ? std::string(1, '\0') : std::string(path) + '\n' + text;
    if (m_state.current && key == m_state.current->key &&
        (!m_state.sessions.empty() || !m_state.current->error.empty())) {
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
    const bool changed = !m_state.current || key != m_state.current->key;
    m_state.current = Load(key, parsed);
    m_state.trace.Clear();
    if (!m_state.current->error.empty() && changed) {
        std::fprintf(stderr, "simulated VISA: %s\n", m_state.current->error.c_str());
    }
}

std::shared_ptr<Generation> CResourceManager::Load(const std::string& key,
                                                   const ParseResult& parsed) {
    auto generation = std::make_shared<Generation>();
    generation->key = key;
    generation->error = parsed.error;
    if (!parsed.scenario.has_value()) {
        return generation;
    }
    generation->scenario = *parsed.scenario;
    const long long now = CLibraryState::NowMs();
    for (const auto& scenario : generation->scenario.resources) {
        auto resource = std::make_shared<Resource>();
        resource->scenario = scenario;
        resource->parsed = ParseResourceName(scenario.name, &resource->name);
        resource->device = std::make_unique<CDevice>(scenario, now);
        // Names match without regard to case, every part of them (a host name too); the
        // scenario's own spelling is what sessions and searches hand back.
        const std::string name =
            UpperCase(resource->parsed ? resource->name.canonical : scenario.name);
        generation->index.emplace(name, generation->resources.size());
        generation->resources.push_back(std::move(resource));
    }
    return generation;
}

ViStatus CResourceManager::OpenDefaultRM(ViSession* rm) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    if (rm == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    *rm = VI_NULL;
    LoadScenarioIfNeeded();
    if (!m_state.current->error.empty()) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    if (m_state.current->scenario.defaultRmStatus < 0) {
        return m_state.current->scenario.defaultRmStatus;
    }
    Session session(Session::Kind::ResourceManager, VI_NULL);
    session.generation = m_state.current;
    *rm = m_state.NewSession(std::move(session));
    return m_state.current->scenario.defaultRmStatus;
}

ViStatus CResourceManager::FindRsrc(ViSession rm, const ViChar* expression, ViFindList* findList,
                                    ViUInt32* count, ViChar* name) {
    // The configured LAN instruments are asked first, without the lock: each may take up to
    // the configured time-out to answer.
    std::vector<std::string> lan;
    if (expression != nullptr &&
        ::strnlen(expression, kMaxPatternLength + 1) <= kMaxPatternLength) {
        bool manager = false;
        {
            std::lock_guard<std::mutex> lock(m_state.mutex);
            manager = m_state.Find(rm, Session::Kind::ResourceManager) != nullptr;
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
    std::lock_guard<std::mutex> lock(m_state.mutex);
    if (findList != nullptr) {
        *findList = VI_NULL;
    }
    if (count != nullptr) {
        *count = 0;
    }
    const Session* manager = m_state.Find(rm, Session::Kind::ResourceManager);
    if (manager == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (expression == nullptr || ::strnlen(expression, kMaxPatternLength + 1) > kMaxPatternLength) {
        return VI_ERROR_INV_EXPR;
    }
    m_state.Record(std::string("find ") + expression);
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
        *findList = m_state.NewSession(std::move(list));
    }
    return generation->scenario.findStatus;
}

ViStatus CResourceManager::FindNext(ViFindList findList, ViChar* name) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Session* list = m_state.Find(findList, Session::Kind::FindList);
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

ViStatus CResourceManager::FindResource(const Generation& generation, const std::string& name,
                                        std::size_t* index) {
    ResourceName parsed;
    const bool valid = ParseResourceName(name, &parsed);
    auto it = generation.index.find(UpperCase(valid ? parsed.canonical : name));
    if (it == generation.index.end() && valid) {
        it = generation.index.find(UpperCase(name));
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

ViStatus CResourceManager::ParseRsrc(ViSession rm, const ViChar* name, ViUInt16* type,
                                     ViUInt16* number, ViChar* resourceClass, ViChar* unaliased,
                                     ViChar* alias) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    const Session* manager = m_state.Find(rm, Session::Kind::ResourceManager);
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

ViStatus CResourceManager::StatusDesc(ViStatus status, ViChar* text) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    if (text == nullptr) {
        return VI_ERROR_USER_BUF;
    }
    if (m_state.current && !m_state.current->error.empty() && status == VI_ERROR_SYSTEM_ERROR) {
        CopyOut("Scenario error: " + m_state.current->error, text);
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

}  // namespace sim
