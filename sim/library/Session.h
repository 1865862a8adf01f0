#pragma once
// What the library keeps per session and per simulated resource. Plain data: the parts of the
// library (sessions, attributes, I/O, locks, events, registers) work on it under the one lock.

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "instrument/VisaTypes.h"
#include "sim/core/ResourceName.h"
#include "sim/module/Device.h"
#include "sim/scenario/Scenario.h"

namespace sim {

class ISessionTransport;

// An application's event handler, as VISA calls it.
using EventHandler = ViStatus(SFP_VI_CALL*)(ViSession vi, ViEventType type, ViEvent context,
                                            ViAddr userHandle);

// One resource of one loaded scenario: the device every session to it shares, its message
// buffers and its locks.
struct Resource {
    ResourceScenario scenario;
    bool parsed = false;
    ResourceName name;
    std::unique_ptr<CDevice> device;
    std::string input;  // a message being written without END yet
    std::string output;
    bool outputEnds = true;
    ViStatus pendingRead = VI_SUCCESS;
    ViSession exclusiveOwner = VI_NULL;
    int exclusiveCount = 0;
    std::string sharedKey;
    std::map<ViSession, int> sharedHolders;
    bool requesting = false;  // the service request as last seen
};

// One reading of the scenario: what sessions opened while it was in force reach.
struct Generation {
    std::string key;    // what the scenario was read from
    std::string error;  // non-empty when it could not be read
    Scenario scenario;
    std::vector<std::shared_ptr<Resource>> resources;
    std::unordered_map<std::string, std::size_t> index;  // canonical name upper-cased -> resource
};

// A window of a session's register space mapped by viMapAddress.
struct Window {
    bool mapped = false;
    ViUInt16 space = 0;
    ViBusAddress base = 0;
    ViBusSize size = 0;
};

struct Session {
    enum class Kind { ResourceManager, Instrument, FindList, Event };
    Session(Kind k, ViSession p) : kind(k), parent(p) {}
    Kind kind;
    ViSession parent;
    std::shared_ptr<Generation> generation;
    std::vector<std::string> names;  // find list: every match, in order
    std::size_t given = 0;           // find list: names handed out so far
    ViUInt32 timeoutMs = 2000;
    ViUInt8 termChar = '\n';
    bool termCharEnabled = false;
    bool sendEnd = true;
    bool suppressEnd = false;
    ViUInt32 maxQueue = 50;
    ViAttrState userData = 0;
    ViUInt16 mechanisms = 0;  // service requests: VI_QUEUE, VI_HNDLR, VI_SUSPEND_HNDLR
    std::deque<ViEventType> queue;
    std::size_t suspended = 0;
    std::vector<std::pair<EventHandler, ViAddr>> handlers;
    ViEventType eventType = 0;  // event context
    std::shared_ptr<void> attachment;
    // Instrument: how it reaches its device, made by the transport that claimed its name.
    std::shared_ptr<ISessionTransport> transport;
    // Instrument: settings only kept and answered (see the attribute table).
    std::map<ViAttr, ViAttrState> settings;
    Window window;
};

}  // namespace sim
