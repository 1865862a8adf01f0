#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "instrument/VisaTypes.h"
#include "sim/core/Device.h"
#include "sim/core/Scenario.h"
#include "sim/visa/SimHooks.h"

namespace sim {

// The simulated VISA system: the scenario in force, its devices and every open session. The
// VISA functions of the library are thin wrappers around these members; each takes the lock.
class CBus {
public:
    static CBus& Instance();

    ViStatus OpenDefaultRM(ViSession* rm);
    ViStatus FindRsrc(ViSession rm, const ViChar* expression, ViFindList* findList, ViUInt32* count,
                      ViChar* name);
    ViStatus FindNext(ViFindList findList, ViChar* name);
    ViStatus Open(ViSession rm, const ViChar* name, ViAccessMode mode, ViSession* vi);
    ViStatus Close(ViObject vi);
    ViStatus GetAttribute(ViObject vi, ViAttr attribute, void* value);
    ViStatus SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value);
    ViStatus Write(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written);
    ViStatus Read(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read);
    ViStatus StatusDesc(ViStatus status, ViChar* text);

    // For tests: what the library was asked since the scenario was loaded, one call a line
    // ("open NAME", "attr NAME slot", "write NAME TEXT", "read NAME", "close NAME"); line
    // ends inside written text appear as \n and \r.
    std::string Trace();
    int OpenSessionCount();

private:
    struct Session {
        enum class Kind { ResourceManager, Instrument, FindList };
        explicit Session(Kind k, ViSession p = VI_NULL) : kind(k), parent(p) {}
        Kind kind;
        ViSession parent;
        std::size_t resource = 0;
        std::vector<std::string> names;  // find list: every match, in order
        std::size_t given = 0;           // find list: names handed out so far
        ViUInt32 timeoutMs = 2000;
    };
    struct DeviceState {
        std::unique_ptr<CDevice> device;
        std::string output;
        bool outputEnds = true;
        ViStatus pendingRead = VI_SUCCESS;
    };

    CBus() = default;
    void LoadScenarioIfNeeded();
    void Load(const std::string& key, const ParseResult& parsed);
    Session* Find(ViObject vi, Session::Kind kind);
    // The instrument session a read or write goes to, or the status that refuses it.
    ViStatus IoSession(ViSession vi, const void* buffer, ViUInt32 count, Session** session);
    ViSession NewSession(Session session);
    void Record(const std::string& line);
    const ResourceScenario& ResourceOf(const Session& session) const;
    static long long NowMs();

    std::mutex m_mutex;
    std::string m_key;  // what the scenario in force was read from
    bool m_loaded = false;
    std::string m_error;  // non-empty while the scenario in force could not be read
    Scenario m_scenario;
    std::vector<DeviceState> m_devices;
    std::map<ViSession, Session> m_sessions;
    ViSession m_nextSession = 1;
    std::vector<std::string> m_trace;
};

}  // namespace sim
