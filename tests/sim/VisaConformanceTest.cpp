// The substitute VISA library as VISA defines it: waits, locks and service requests between
// sessions and threads, registers, and the faults found by trying to break it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "common/SimSupport.h"
#include "common/TestPlatform.h"
#include "common/VisaFixture.h"
#include "instrument/VisaApi.h"
#include "platform/native/DynamicLibrary.h"
#include "sim/library/Library.h"

namespace {

using Clock = std::chrono::steady_clock;
#if defined(_WIN32)
constexpr bool kClockIsProcessorTime = false;
#else
constexpr bool kClockIsProcessorTime = true;
#endif
using Handler = ViStatus(SFP_VI_CALL*)(ViSession, ViEventType, ViEvent, ViAddr);

// The entry points the program itself does not bind.
struct CMoreVisa {
    ViStatus(SFP_VI_CALL* viLock)(ViSession, ViAccessMode, ViUInt32, const char*, char*);
    ViStatus(SFP_VI_CALL* viUnlock)(ViSession);
    ViStatus(SFP_VI_CALL* viEnableEvent)(ViSession, ViEventType, ViUInt16, ViUInt32);
    ViStatus(SFP_VI_CALL* viWaitOnEvent)(ViSession, ViEventType, ViUInt32, ViEventType*, ViEvent*);
    ViStatus(SFP_VI_CALL* viInstallHandler)(ViSession, ViEventType, Handler, ViAddr);
    ViStatus(SFP_VI_CALL* viUninstallHandler)(ViSession, ViEventType, Handler, ViAddr);
    ViStatus(SFP_VI_CALL* viReadSTB)(ViSession, ViUInt16*);
    ViStatus(SFP_VI_CALL* viIn16)(ViSession, ViUInt16, ViBusAddress, ViUInt16*);
    ViStatus(SFP_VI_CALL* viIn32)(ViSession, ViUInt16, ViBusAddress, ViUInt32*);
    ViStatus(SFP_VI_CALL* viSetAttribute)(ViObject, ViAttr, ViAttrState);
    ViStatus(SFP_VI_CALL* viStatusDesc)(ViObject, ViStatus, ViChar*);
};

class VisaConformance : public CVisaFixture {
protected:
    void SetUp() override {
        CVisaFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
#define SFP_BIND(name)                                                        \
    more.name = reinterpret_cast<decltype(more.name)>(library.Lookup(#name)); \
    ASSERT_NE(more.name, nullptr) << #name;
        SFP_BIND(viLock)
        SFP_BIND(viUnlock)
        SFP_BIND(viEnableEvent)
        SFP_BIND(viWaitOnEvent)
        SFP_BIND(viInstallHandler)
        SFP_BIND(viUninstallHandler)
        SFP_BIND(viReadSTB)
        SFP_BIND(viIn16)
        SFP_BIND(viIn32)
        SFP_BIND(viSetAttribute)
        SFP_BIND(viStatusDesc)
#undef SFP_BIND
    }
    std::string Read(ViSession vi, ViStatus* status = nullptr) {
        char buffer[256];
        ViUInt32 got = 0;
        const ViStatus read = visa.viRead(vi, reinterpret_cast<ViByte*>(buffer), 256, &got);
        if (status != nullptr) {
            *status = read;
        }
        return std::string(buffer, got);
    }
    std::string Ask(ViSession vi, const std::string& command) {
        EXPECT_EQ(Write(vi, command + "\n"), VI_SUCCESS) << command;
        return Read(vi);
    }
    std::string Describe(ViStatus status) {
        ViChar text[VI_FIND_BUFLEN] = {};
        more.viStatusDesc(VI_NULL, status, text);
        return text;
    }

    CMoreVisa more{};
};

const char* const kFixedModule = R"(
resources:
  - name: VXI0::24::INSTR
    manufacturer: 0xFFF
    model: 0x154
    module: {ports: [0x1111, 0x2222, 0x3333, {mode: walk}]}
  - {name: GPIB0::9::INSTR, idn: "OTHERCO,METER,1,1.0"}
)";

TEST_F(VisaConformance, ReadWaitsItsTimeOutWithoutSpinning) {
    CScenarioFile scenario(kFixedModule);
    const ViSession vi = Open(OpenRm(), "GPIB0::9::INSTR");
    for (const ViUInt32 timeout : {0u, 150u}) {
        ASSERT_EQ(more.viSetAttribute(vi, VI_ATTR_TMO_VALUE, timeout), VI_SUCCESS);
        const std::clock_t cpu = std::clock();
        const auto start = Clock::now();
        ViStatus status = VI_SUCCESS;
        EXPECT_EQ(Read(vi, &status), "");
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        EXPECT_EQ(status, VI_ERROR_TMO);
        EXPECT_GE(elapsed, static_cast<long long>(timeout));
        EXPECT_LT(elapsed, timeout + 50) << "the time-out is honoured within 50 ms";
        // clock() is processor time here; on Windows it is wall-clock time.
        if (timeout > 0 && kClockIsProcessorTime) {
            const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
            EXPECT_LT(cpuMs, timeout / 3.0) << "a waiting read does not spin";
        }
    }
    // A reply that comes from another session's command, while the read waits, ends the wait.
    ASSERT_EQ(more.viSetAttribute(vi, VI_ATTR_TMO_VALUE, 5000), VI_SUCCESS);
    const ViSession other = Open(OpenRm(), "GPIB0::9::INSTR");
    std::thread writer([&] { EXPECT_EQ(Write(other, "*IDN?\n"), VI_SUCCESS); });
    EXPECT_EQ(Read(vi), "OTHERCO,METER,1,1.0\n");
    writer.join();
}

// Several threads, each with its own session to one module, take turns under exclusive
// locks; every reply is the one to its own command. Run under ThreadSanitizer too.
TEST_F(VisaConformance, SessionsShareOneDeviceAndLocksKeepThreadsApart) {
    CScenarioFile scenario(kFixedModule);
    const ViSession rm = OpenRm();
    const ViSession first = Open(rm);
    const ViSession second = Open(OpenRm());
    ASSERT_EQ(Write(first, "BOGUS\n"), VI_SUCCESS);
    EXPECT_EQ(Ask(second, "SYST:ERR?"), "-113,\"Undefined header\"\n") << "one error queue";

    ASSERT_EQ(more.viLock(first, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
    EXPECT_EQ(Write(second, "*IDN?\n"), VI_ERROR_RSRC_LOCKED);
    std::atomic<bool> released{false};
    std::thread waiter([&] {
        EXPECT_EQ(more.viLock(second, VI_EXCLUSIVE_LOCK, 5000, nullptr, nullptr), VI_SUCCESS);
        EXPECT_TRUE(released.load()) << "the lock was given only after its release";
        EXPECT_EQ(more.viUnlock(second), VI_SUCCESS);
    });
    EXPECT_EQ(more.viLock(first, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr),
              VI_SUCCESS_NESTED_EXCLUSIVE);
    EXPECT_EQ(more.viUnlock(first), VI_SUCCESS_NESTED_EXCLUSIVE);
    released = true;
    EXPECT_EQ(more.viUnlock(first), VI_SUCCESS);
    waiter.join();
    EXPECT_EQ(more.viUnlock(first), VI_ERROR_SESN_NLOCKED);

    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int port = 0; port < 3; ++port) {
        threads.emplace_back([&, port] {
            const ViSession vi = Open(rm);
            const std::string expected = std::to_string(0x1111 * (port + 1)) + "\n";
            for (int i = 0; i < 200; ++i) {
                ASSERT_GE(more.viLock(vi, VI_EXCLUSIVE_LOCK, VI_TMO_INFINITE, nullptr, nullptr),
                          VI_SUCCESS);
                wrong += Ask(vi, "MEAS:DIG:PORT? " + std::to_string(port)) != expected;
                ASSERT_EQ(more.viUnlock(vi), VI_SUCCESS);
            }
            EXPECT_EQ(visa.viClose(vi), VI_SUCCESS);
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong, 0);
    visa.viClose(rm);
}

std::mutex mutex;
std::condition_variable called;
std::thread::id handlerThread;
ViSession handlerSession = VI_NULL;

ViStatus SFP_VI_CALL OnServiceRequest(ViSession session, ViEventType, ViEvent, ViAddr) {
    std::lock_guard<std::mutex> lock(mutex);
    handlerThread = std::this_thread::get_id();
    handlerSession = session;
    called.notify_all();
    return VI_SUCCESS;
}

TEST_F(VisaConformance, LatchedEdgeRaisesServiceRequestToQueueAndHandler) {
    CScenarioFile scenario(kFixedModule);
    const ViSession vi = Open(OpenRm());
    const ViSession watcher = Open(OpenRm());
    ViEventType type = 0;
    ViEvent context = VI_NULL;
    EXPECT_EQ(more.viWaitOnEvent(watcher, VI_EVENT_SERVICE_REQ, 0, &type, &context),
              VI_ERROR_NENABLED);
    ASSERT_EQ(more.viEnableEvent(watcher, VI_EVENT_SERVICE_REQ, VI_QUEUE, 0), VI_SUCCESS);

    const ViSession handled = Open(OpenRm());
    ASSERT_EQ(more.viInstallHandler(handled, VI_EVENT_SERVICE_REQ, &OnServiceRequest, nullptr),
              VI_SUCCESS);
    ASSERT_EQ(more.viEnableEvent(handled, VI_EVENT_SERVICE_REQ, VI_HNDLR, 0), VI_SUCCESS);

    ASSERT_EQ(Write(vi, "*SRE 1\n"), VI_SUCCESS);
    EXPECT_EQ(Ask(vi, "*SRE?"), "1\n");
    ViUInt16 stb = 0xFFFF;
    ASSERT_EQ(more.viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x41, 0x41) << "port 3 walks: each command latches an edge";
    ASSERT_EQ(more.viWaitOnEvent(watcher, VI_EVENT_SERVICE_REQ, 0, &type, &context), VI_SUCCESS);
    EXPECT_EQ(type, VI_EVENT_SERVICE_REQ);
    EXPECT_EQ(visa.viClose(context), VI_SUCCESS);
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(called.wait_for(lock, std::chrono::seconds(5),
                                    [] { return handlerSession != VI_NULL; }));
        EXPECT_EQ(handlerSession, handled);
        EXPECT_NE(handlerThread, std::this_thread::get_id()) << "a thread of the library";
    }
    // Cleared and raised again: a waiter wakes on the edge itself, within milliseconds.
    ASSERT_EQ(Write(vi, "*CLS\n"), VI_SUCCESS);
    ASSERT_EQ(more.viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb, 0);
    std::atomic<long long> woke{0};
    std::thread wait([&] {
        EXPECT_EQ(more.viWaitOnEvent(watcher, VI_EVENT_SERVICE_REQ, 5000, &type, nullptr),
                  VI_SUCCESS);
        woke = Clock::now().time_since_epoch().count();
    });
    const auto edge = Clock::now();
    ASSERT_EQ(Write(vi, "MEAS:DIG:PORT? 0\n"), VI_SUCCESS);
    wait.join();
    const auto latency = Clock::time_point(Clock::duration(woke.load())) - edge;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(latency).count(), 50);
}

// Which handler ran, with which user value, in the order they ran.
std::vector<std::pair<int, ViAddr>> handlerRuns;

ViStatus SFP_VI_CALL OnRequestFirst(ViSession, ViEventType, ViEvent, ViAddr user) {
    std::lock_guard<std::mutex> lock(mutex);
    handlerRuns.emplace_back(1, user);
    called.notify_all();
    return VI_SUCCESS;
}
ViStatus SFP_VI_CALL OnRequestSecond(ViSession, ViEventType, ViEvent, ViAddr user) {
    std::lock_guard<std::mutex> lock(mutex);
    handlerRuns.emplace_back(2, user);
    called.notify_all();
    return VI_SUCCESS;
}

TEST_F(VisaConformance, EachHandlerOfASessionRunsOncePerRequestNewestFirst) {
    // Fixed inputs latch no edges: the only requests come from the error queue (*SRE 4).
    CScenarioFile scenario(R"(
resources:
  - {name: VXI0::24::INSTR, module: {ports: [0x1111]}}
)");
    const ViSession vi = Open(OpenRm());
    int firstUser = 0;
    int secondUser = 0;
    const auto first = std::make_pair(1, static_cast<ViAddr>(&firstUser));
    const auto second = std::make_pair(2, static_cast<ViAddr>(&secondUser));
    {
        std::lock_guard<std::mutex> lock(mutex);
        handlerRuns.clear();
    }
    ASSERT_EQ(more.viInstallHandler(vi, VI_EVENT_SERVICE_REQ, &OnRequestFirst, first.second),
              VI_SUCCESS);
    ASSERT_EQ(more.viInstallHandler(vi, VI_EVENT_SERVICE_REQ, &OnRequestSecond, second.second),
              VI_SUCCESS);
    ASSERT_EQ(more.viEnableEvent(vi, VI_EVENT_SERVICE_REQ, VI_HNDLR, 0), VI_SUCCESS);
    ASSERT_EQ(Write(vi, "*SRE 4\n"), VI_SUCCESS);
    const auto runsReach = [](std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        return called.wait_for(lock, std::chrono::seconds(5),
                               [count] { return handlerRuns.size() >= count; });
    };

    ASSERT_EQ(Write(vi, "NO:SUCH:COMMAND\n"), VI_SUCCESS);  // queues an error: one request
    ASSERT_TRUE(runsReach(2));
    ASSERT_EQ(Write(vi, "*CLS\n"), VI_SUCCESS);
    ASSERT_EQ(more.viUninstallHandler(vi, VI_EVENT_SERVICE_REQ, &OnRequestFirst, first.second),
              VI_SUCCESS);
    ASSERT_EQ(Write(vi, "NO:SUCH:COMMAND\n"), VI_SUCCESS);
    ASSERT_TRUE(runsReach(3));
    ASSERT_EQ(more.viUninstallHandler(vi, VI_EVENT_SERVICE_REQ, &OnRequestSecond, second.second),
              VI_SUCCESS);
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(handlerRuns, (std::vector<std::pair<int, ViAddr>>{second, first, second}));
}

TEST_F(VisaConformance, ConfigurationRegistersInA16) {
    CScenarioFile scenario(kFixedModule);
    const ViSession rm = OpenRm();
    const ViSession vi = Open(rm);
    const struct {
        ViUInt16 space;
        ViBusAddress offset;
        ViStatus status;
        ViUInt16 value;
    } cases[] = {
        {VI_A16_SPACE, 0x00, VI_SUCCESS, 0xCFFF},     {VI_A16_SPACE, 0x02, VI_SUCCESS, 0xF154},
        {VI_A16_SPACE, 0x3E, VI_SUCCESS, 0xFFFF},     {VI_A16_SPACE, 0x40, VI_ERROR_INV_OFFSET, 0},
        {VI_A16_SPACE, 0x01, VI_ERROR_INV_OFFSET, 0}, {VI_A24_SPACE, 0x00, VI_ERROR_INV_SPACE, 0}};
    for (const auto& c : cases) {
        ViUInt16 value = 0;
        EXPECT_EQ(more.viIn16(vi, c.space, c.offset, &value), c.status) << c.offset;
        EXPECT_EQ(value, c.value) << c.offset;
    }
    ViUInt32 wide = 0;
    EXPECT_EQ(more.viIn32(vi, VI_A16_SPACE, 0, &wide), VI_ERROR_INV_WIDTH);
    ViUInt16 value = 0;
    EXPECT_EQ(more.viIn16(Open(rm, "GPIB0::9::INSTR"), VI_A16_SPACE, 0, &value),
              VI_ERROR_NSUP_OPER);
    visa.viClose(rm);
    EXPECT_EQ(more.viIn16(vi, VI_A16_SPACE, 0, &value), VI_ERROR_INV_OBJECT);
}

TEST_F(VisaConformance, LongSearchExpressionsAreRefusedOrMatchedWithoutRecursion) {
    CScenarioFile scenario(kFixedModule);
    const ViSession rm = OpenRm();
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    ViChar name[VI_FIND_BUFLEN];
    std::string repeated;
    for (int i = 0; i < 60000; ++i) {
        repeated += "?*";
    }
    EXPECT_EQ(visa.viFindRsrc(rm, repeated.c_str(), &list, &count, name), VI_ERROR_INV_EXPR);
    const std::string longest = repeated.substr(0, 1000) + "INSTR";
    const auto start = Clock::now();
    EXPECT_EQ(visa.viFindRsrc(rm, longest.c_str(), &list, &count, name), VI_SUCCESS);
    EXPECT_EQ(count, 2u);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    visa.viClose(rm);
}

TEST_F(VisaConformance, ZeroLengthReadKeepsThePendingReply) {
    CScenarioFile scenario(kFixedModule);
    const ViSession vi = Open(OpenRm());
    ASSERT_EQ(Write(vi, "*IDN?\n"), VI_SUCCESS);
    ViUInt32 got = 99;
    EXPECT_EQ(visa.viRead(vi, nullptr, 0, &got), VI_SUCCESS_MAX_CNT);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(Read(vi), "ZENTRAX-MOLBURY,K3310,0,1.0\n");
}

TEST_F(VisaConformance, TraceAndErrorQueueAreBounded) {
    CScenarioFile scenario(kFixedModule);
    const ViSession vi = Open(OpenRm());
    const std::string big(4 << 20, 'A');
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Write(vi, big), VI_SUCCESS);
    }
    EXPECT_LT(hooks.Trace().size(), 4096u) << "a write is traced cut";
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(Write(vi, "BOGUS\n"), VI_SUCCESS);
    }
    int undefined = 0;
    std::string reply;
    while ((reply = Ask(vi, "SYST:ERR?")) == "-113,\"Undefined header\"\n") {
        ++undefined;
    }
    EXPECT_EQ(undefined, 31);
    EXPECT_EQ(reply, "-350,\"Queue overflow\"\n");
    EXPECT_EQ(Ask(vi, "SYST:ERR?"), "0,\"No error\"\n");
}

// In-process, on the simulation's own bus: the number of a live session is never reused.
TEST(VisaSessionNumbers, WrappedCounterSkipsLiveSessions) {
    CScenarioFile scenario(kFixedModule);
    sim::CLibrary& library = sim::CLibrary::Instance();
    ViSession first = VI_NULL;
    ASSERT_EQ(library.Manager().OpenDefaultRM(&first), VI_SUCCESS);
    for (const ViSession next : {first, ViSession{0xFFFFFFFF}}) {
        library.Sessions().SetNextNumber(next);
        ViSession rm = VI_NULL;
        ASSERT_EQ(library.Manager().OpenDefaultRM(&rm), VI_SUCCESS);
        EXPECT_NE(rm, first);
        EXPECT_NE(rm, VI_NULL);
    }
    library.Sessions().SetNextNumber(0xFFFFFFFF);
    ViSession last = VI_NULL;
    ViSession wrapped = VI_NULL;
    ASSERT_EQ(library.Manager().OpenDefaultRM(&last), VI_SUCCESS);
    ASSERT_EQ(library.Manager().OpenDefaultRM(&wrapped), VI_SUCCESS);
    EXPECT_NE(wrapped, first);
    EXPECT_NE(wrapped, last);
    EXPECT_EQ(library.Sessions().Close(first), VI_SUCCESS);
}

TEST_F(VisaConformance, EditedScenarioLeavesOpenSessionsOnTheirDevice) {
    CScenarioFile scenario(kFixedModule);
    const ViSession vi = Open(OpenRm());
    ASSERT_EQ(Write(vi, "BOGUS\n"), VI_SUCCESS);
    std::ofstream(scenario.Path(), std::ios::binary | std::ios::app) << "# edited\n";
    const ViSession fresh = Open(OpenRm());
    EXPECT_EQ(Ask(vi, "SYST:ERR?"), "-113,\"Undefined header\"\n") << "still its own device";
    EXPECT_EQ(Ask(fresh, "SYST:ERR?"), "0,\"No error\"\n") << "the edited scenario's device";
}

TEST_F(VisaConformance, ManyResourcesOpenInLinearTime) {
    std::string yaml = "resources:\n";
    constexpr int kResources = 5000;
    for (int i = 0; i < kResources; ++i) {
        yaml += "  - {name: 'TCPIP0::h" + std::to_string(i) + "::INSTR'}\n";
    }
    CScenarioFile scenario(yaml);
    const ViSession rm = OpenRm();
    const auto start = Clock::now();
    for (int i = 0; i < kResources; ++i) {
        ViSession vi = VI_NULL;
        const std::string name = "tcpip0::h" + std::to_string(i) + "::inst0::instr";
        ASSERT_EQ(visa.viOpen(rm, name.c_str(), 0, 0, &vi), VI_SUCCESS) << name;
    }
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    visa.viClose(rm);
}

TEST_F(VisaConformance, UnreadableScenarioFilesAreRefusedAtOnce) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("sfp-bad-" + std::to_string(ProcessId()));
    std::filesystem::create_directories(folder);
    const std::string big = (folder / "big.yaml").string();
    {
        std::ofstream out(big, std::ios::binary);
        out << "resources:\n";
        for (int i = 0; i < 40000; ++i) {
            out << "  - {name: 'TCPIP0::host" << i << "::INSTR'}\n";
        }
    }
    std::vector<std::pair<std::string, std::string>> cases = {{folder.string(), "is a folder"},
                                                              {big, "at most 1048576 bytes"}};
#if !defined(_WIN32)
    const std::string fifo = (folder / "fifo.yaml").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    cases.emplace_back(fifo, "not a regular file");
    cases.emplace_back("/dev/zero", "not a regular file");
#endif
    for (const auto& [path, problem] : cases) {
        SetEnvironment(sim::kScenarioVariable, path);
        ::testing::internal::CaptureStderr();
        ViSession rm = VI_NULL;
        EXPECT_EQ(visa.viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR) << path;
        ::testing::internal::GetCapturedStderr();
        EXPECT_NE(Describe(VI_ERROR_SYSTEM_ERROR).find(path + ":0: "), std::string::npos);
        EXPECT_NE(Describe(VI_ERROR_SYSTEM_ERROR).find(problem), std::string::npos) << path;
    }
    UnsetEnvironment(sim::kScenarioVariable);
    std::filesystem::remove_all(folder);

    const sim::ParseResult twice = sim::ParseScenario(
        "resources:\n  - name: VXI0::24::INSTR\n    slot: 1\n    slot: 2\n", "twice.yaml");
    EXPECT_EQ(twice.error, "twice.yaml:4: key 'slot' is given twice in resource");
}

TEST_F(VisaConformance, ControlBytesFromScenarioAreEscapedInMessages) {
    CScenarioFile scenario("resources:\n  - name: VXI0::24::INSTR\n    \"\\e[2Jbad\\a\": 1\n");
    ::testing::internal::CaptureStderr();
    ViSession rm = VI_NULL;
    EXPECT_EQ(visa.viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    const std::string described = Describe(VI_ERROR_SYSTEM_ERROR);
    for (const std::string& text : {printed, described}) {
        EXPECT_NE(text.find("\\x1B[2Jbad\\x07"), std::string::npos) << text;
        EXPECT_EQ(text.find('\x1B'), std::string::npos);
    }
}

TEST_F(VisaConformance, BadInputGetsAStatus) {
    CScenarioFile scenario(kFixedModule);
    const ViSession rm = OpenRm();
    const ViSession vi = Open(rm);
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    ViChar name[VI_FIND_BUFLEN];
    ASSERT_EQ(visa.viFindRsrc(rm, "?*", &list, &count, name), VI_SUCCESS);
    ASSERT_EQ(visa.viClose(list), VI_SUCCESS);
    const ViSession closed = Open(rm);
    ASSERT_EQ(visa.viClose(closed), VI_SUCCESS);
    ViUInt16 word = 0;
    ViEventType type = 0;
    const struct {
        const char* what;
        ViStatus status;
        ViStatus expected;
    } cases[] = {
        {"find list after close", visa.viFindNext(list, name), VI_ERROR_INV_OBJECT},
        {"closed session read", visa.viRead(closed, reinterpret_cast<ViByte*>(name), 1, &count),
         VI_ERROR_INV_OBJECT},
        {"closed session lock", more.viLock(closed, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr),
         VI_ERROR_INV_OBJECT},
        {"resource manager read", visa.viRead(rm, reinterpret_cast<ViByte*>(name), 1, &count),
         VI_ERROR_NSUP_OPER},
        {"foreign handle", more.viReadSTB(0x7FFFFFF0, &word), VI_ERROR_INV_OBJECT},
        {"null read buffer", visa.viRead(vi, nullptr, 10, &count), VI_ERROR_USER_BUF},
        {"null write buffer", visa.viWrite(vi, nullptr, 10, &count), VI_ERROR_USER_BUF},
        {"null status byte", more.viReadSTB(vi, nullptr), VI_ERROR_INV_PARAMETER},
        {"null register value", more.viIn16(vi, VI_A16_SPACE, 0, nullptr), VI_ERROR_INV_PARAMETER},
        {"shared lock without key buffer", more.viLock(vi, VI_SHARED_LOCK, 0, nullptr, nullptr),
         VI_ERROR_INV_ACCESS_KEY},
        {"lock type", more.viLock(vi, 7, 0, nullptr, nullptr), VI_ERROR_INV_LOCK_TYPE},
        {"event type", more.viEnableEvent(vi, 0x3FFF2009, VI_QUEUE, 0), VI_ERROR_INV_EVENT},
        {"mechanism", more.viEnableEvent(vi, VI_EVENT_SERVICE_REQ, VI_HNDLR | VI_SUSPEND_HNDLR, 0),
         VI_ERROR_INV_MECH},
        {"handler not installed", more.viEnableEvent(vi, VI_EVENT_SERVICE_REQ, VI_HNDLR, 0),
         VI_ERROR_HNDLR_NINSTALLED},
        {"null handler", more.viInstallHandler(vi, VI_EVENT_SERVICE_REQ, nullptr, nullptr),
         VI_ERROR_INV_HNDLR_REF},
        {"wait without enable", more.viWaitOnEvent(vi, VI_EVENT_SERVICE_REQ, 0, &type, nullptr),
         VI_ERROR_NENABLED},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.status, c.expected) << c.what;
    }
    visa.viClose(rm);
}

}  // namespace
