#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "instrument/VisaTypes.h"
#include "sim/core/Device.h"
#include "sim/core/RemoteLink.h"
#include "sim/core/ResourceName.h"
#include "sim/core/Scenario.h"
#include "sim/visa/SimHooks.h"

namespace sim {

// An application's event handler, as VISA calls it.
using EventHandler = ViStatus(SFP_VI_CALL*)(ViSession vi, ViEventType type, ViEvent context,
                                            ViAddr userHandle);

// The simulated VISA system: the scenario in force, its devices and every open session. The
// VISA functions of the library are thin wrappers around these members. One lock guards it
// all; waits (reads, locks, events) release it on a condition variable, and a thread of the
// library steps real-time inputs and calls event handlers.
class CBus {
public:
    static CBus& Instance();
    ~CBus();
    CBus(const CBus&) = delete;
    CBus& operator=(const CBus&) = delete;

    ViStatus OpenDefaultRM(ViSession* rm);
    ViStatus FindRsrc(ViSession rm, const ViChar* expression, ViFindList* findList, ViUInt32* count,
                      ViChar* name);
    ViStatus FindNext(ViFindList findList, ViChar* name);
    ViStatus ParseRsrc(ViSession rm, const ViChar* name, ViUInt16* type, ViUInt16* number,
                       ViChar* resourceClass, ViChar* unaliased, ViChar* alias);
    ViStatus Open(ViSession rm, const ViChar* name, ViAccessMode mode, ViUInt32 openTimeout,
                  ViSession* vi);
    ViStatus Close(ViObject vi);
    ViStatus GetAttribute(ViObject vi, ViAttr attribute, void* value);
    ViStatus SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value);
    // end: the last byte carries END when the session sends END at all.
    ViStatus Write(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written,
                   bool end = true);
    // *end (may be null): the read stopped at END or at an enabled termination character.
    ViStatus Read(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read,
                  bool* end = nullptr);
    ViStatus ReadSTB(ViSession vi, ViUInt16* status);
    ViStatus Clear(ViSession vi);
    ViStatus AssertTrigger(ViSession vi, ViUInt16 protocol);
    ViStatus Lock(ViSession vi, ViAccessMode type, ViUInt32 timeout, const ViChar* requestedKey,
                  ViChar* accessKey);
    ViStatus Unlock(ViSession vi);
    ViStatus EnableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism);
    ViStatus DisableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism);
    ViStatus DiscardEvents(ViSession vi, ViEventType type, ViUInt16 mechanism);
    ViStatus WaitOnEvent(ViSession vi, ViEventType type, ViUInt32 timeout, ViEventType* outType,
                         ViEvent* outContext);
    ViStatus InstallHandler(ViSession vi, ViEventType type, EventHandler handler, ViAddr user);
    ViStatus UninstallHandler(ViSession vi, ViEventType type, EventHandler handler, ViAddr user);
    // Register access; width is 8, 16 or 32 bits.
    ViStatus In(ViSession vi, ViUInt16 space, ViBusAddress offset, int width, ViUInt32* value);
    ViStatus Out(ViSession vi, ViUInt16 space, ViBusAddress offset, int width, ViUInt32 value);
    ViStatus MoveIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                      ViUInt16* buffer);
    ViStatus StatusDesc(ViStatus status, ViChar* text);
    // Whether vi is an open instrument session.
    bool IsInstrument(ViSession vi);
    // State the library keeps beside an instrument session (the formatted I/O's buffer): made
    // by make on first use, dropped with the session. Null for anything but an open instrument.
    std::shared_ptr<void> Attachment(ViSession vi, std::shared_ptr<void> (*make)());

    // For tests: what the library was asked since the scenario was loaded, one call a line
    // ("open NAME", "attr NAME slot", "write NAME TEXT", "read NAME", "close NAME"); line
    // ends inside written text appear as \n and \r; long writes are cut.
    std::string Trace();
    int OpenSessionCount();
    // For tests: the number the next session would get, to check what happens when it wraps.
    void SetNextSessionNumber(ViSession next);

private:
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
    struct Generation {
        std::string key;    // what the scenario was read from
        std::string error;  // non-empty when it could not be read
        Scenario scenario;
        std::vector<std::shared_ptr<Resource>> resources;
        std::unordered_map<std::string, std::size_t> index;  // canonical name upper-cased -> resource
    };
    struct Session {
        // Remote: a TCPIP INSTR session on a VXI-11 link rather than a simulated device.
        enum class Kind { ResourceManager, Instrument, FindList, Event, Remote };
        Session(Kind k, ViSession p) : kind(k), parent(p) {}
        Kind kind;
        ViSession parent;
        std::shared_ptr<Generation> generation;
        std::shared_ptr<Resource> resource;
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
        std::shared_ptr<CRemoteLink> link;  // remote: its link
        ResourceName remoteName;            // remote: the name it was opened by
        std::string host, device;           // remote: the parts of its name
        int lockCount = 0;                  // remote: nested exclusive locks held
        bool linkRequests = false;          // remote: the device sends its service requests
    };
    // What a call on a remote session needs, taken under the lock and used outside it.
    struct RemoteCall {
        std::shared_ptr<CRemoteLink> link;
        ViUInt32 timeoutMs = 0;
        int termChar = -1;  // -1: no termination character
        bool sendEnd = true;
    };
    struct Call {
        EventHandler handler;
        ViSession vi;
        ViEvent context;
        ViAddr user;
    };
    using Lock_ = std::unique_lock<std::mutex>;

    CBus() = default;
    void LoadScenarioIfNeeded();
    std::shared_ptr<Generation> Load(const std::string& key, const ParseResult& parsed);
    Session* Find(ViObject vi, Session::Kind kind);
    Session* Find(ViObject vi);
    // An instrument session, simulated or remote.
    Session* FindIo(ViObject vi);
    // Whether vi is a remote session; *call is filled from it when it is.
    bool TakeRemote(ViSession vi, RemoteCall* call);
    ViStatus OpenRemote(ViSession rm, const ResourceName& name, ViAccessMode mode,
                        ViUInt32 openTimeout, ViSession* vi);
    ViStatus GetRemote(const Session& session, ViAttr attribute, void* value);
    ViStatus LockRemote(ViSession vi, ViAccessMode type, ViUInt32 timeout, ViChar* accessKey);
    ViStatus UnlockRemote(ViSession vi);
    // Has a remote session's device send its service requests (once).
    ViStatus EnableRemoteRequests(ViSession vi);
    // The LAN instruments of the configuration file that match expression and answer.
    static std::vector<std::string> FindLan(const std::string& expression);
    // One service request for one session, by the mechanisms it enabled; true when queued.
    bool Signal(ViSession vi, Session& session);
    ViStatus GetLocked(const Session& session, ViAttr attribute, void* value);
    ViStatus IoSession(ViSession vi, Session** session);
    // The I/O session an event call names, or the status that refuses the call. The lock is held.
    ViStatus EventSession(ViSession vi, ViEventType type, Session** session);
    // The VXI resource whose registers a register access of the session reaches, or the status
    // that refuses the access. The lock is held.
    ViStatus RegisterResource(ViSession vi, ViUInt16 space, ViBusAddress offset, int width,
                              ViBusSize bytes, const Resource** resource);
    ViSession NewSession(Session session);
    void CloseLocked(ViObject vi);
    void Record(std::string line);
    ViStatus FindResource(const Generation& generation, const std::string& name,
                          std::size_t* index) const;
    static bool MayAccess(const Resource& resource, ViSession vi);
    void Deliver(const std::shared_ptr<Resource>& resource);
    void Dispatch(ViSession vi, Session& session);
    void EnsureWorker();
    void Work();
    static long long NowMs();
    // Waits on m_changed until ready() or timeoutMs passed; false on time-out.
    template <typename Ready>
    bool WaitFor(Lock_& lock, ViUInt32 timeoutMs, Ready ready);

    std::mutex m_mutex;
    std::condition_variable m_changed;  // output, locks, events, sessions
    std::condition_variable m_wake;     // the library's thread
    std::shared_ptr<Generation> m_current;
    std::map<ViSession, Session> m_sessions;
    // Links of sessions closed under the lock, destroyed once it is released (destroying one
    // waits for its interrupt channel's thread, which may be waiting for the lock).
    std::vector<std::shared_ptr<CRemoteLink>> m_closedLinks;
    ViSession m_nextSession = 1;
    std::deque<std::string> m_trace;
    std::deque<Call> m_calls;
    std::thread m_worker;
    bool m_stop = false;
    unsigned m_keys = 0;
};

}  // namespace sim
