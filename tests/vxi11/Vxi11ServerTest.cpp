// The server core and the client core against each other, in process, over loopback.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "Vxi11Support.h"

using namespace vxi11;

namespace {

constexpr std::uint32_t kIo = 2000;

std::string Query(CVxi11Client& client, const std::string& command) {
    std::string reply;
    const int status = client.Query(command, &reply, kIo);
    return status == kOk ? reply : "error " + std::to_string(status);
}

long long ElapsedMs(Clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

// Until a call of another thread waits inside the server (bounded): what follows then tests
// the wake-up, not a call that came too late to wait.
bool AwaitWaitingCall(const CVxi11Server& server) {
    const Clock::time_point start = Clock::now();
    while (server.WaitingCalls() == 0 && ElapsedMs(start) < 10000) {
        std::this_thread::yield();
    }
    return server.WaitingCalls() > 0;
}

}  // namespace

TEST(Vxi11Server, DeviceNamesReachTheirResources) {
    CLoopbackServer loopback;
    const struct {
        const char* device;
        int status;
        const char* idn;
    } cases[] = {
        {"inst0", kOk, "ZENTRAX-MOLBURY,K3310,0,1.0\n"},
        {"vxi0,24", kOk, "ZENTRAX-MOLBURY,K3310,0,1.0\n"},
        {"INST1", kOk, "OTHERCO,DMM 100,1234,2.0\n"},
        {"inst2", kDeviceNotAccessible, ""},
        {"vxi0,25", kDeviceNotAccessible, ""},
    };
    for (const auto& c : cases) {
        int status = -100;
        auto client = loopback.Link(c.device, &status);
        EXPECT_EQ(status, c.status) << c.device;
        if (status == kOk) {
            EXPECT_EQ(Query(*client, "*IDN?"), c.idn) << c.device;
            EXPECT_EQ(client->MaxRecvSize(), kMaxRecvSize);
        }
    }
}

TEST(Vxi11Server, ReadsEndForTheirReasons) {
    CLoopbackServer loopback;
    auto client = loopback.Link();
    // "ZENTRAX-MOLBURY,K3310,0,1.0\n" read in pieces.
    const struct {
        std::uint32_t request;
        int termChar;
        const char* data;
        std::int32_t reason;
    } reads[] = {
        {7, -1, "ZENTRAX", kReasonRequestCount},
        {100, ',', "-MOLBURY,", kReasonTermChar},
        {6, ',', "K3310,", kReasonTermChar | kReasonRequestCount},
        {100, -1, "0,1.0\n", kReasonEnd},
    };
    ASSERT_EQ(client->Write("*IDN?\n", true, kIo), kOk);
    for (const auto& r : reads) {
        std::string data;
        std::int32_t reason = 0;
        EXPECT_EQ(client->Read(r.request, r.termChar, kIo, &data, &reason), kOk);
        EXPECT_EQ(data, r.data);
        EXPECT_EQ(reason, r.reason) << r.data;
    }
    // Nothing is left: the next read waits its time-out and says so.
    std::string data;
    std::int32_t reason = 0;
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(client->Read(100, -1, 150, &data, &reason), kIoTimeout);
    EXPECT_GE(ElapsedMs(start), 150);
}

TEST(Vxi11Server, MessageSentInPiecesRunsOnceWhole) {
    CLoopbackServer loopback;
    auto client = loopback.Link();
    EXPECT_EQ(client->Write("MEAS:DIG:", false, kIo), kOk);
    EXPECT_EQ(client->Write("PORT? 2", true, kIo), kOk);
    std::string reply;
    EXPECT_EQ(client->ReadMessage(&reply, kIo), kOk);
    EXPECT_EQ(reply, "17476\n");
    // A message longer than one write is split by the client and taken whole.
    const std::string longCommand = "MEAS:DIG:PORT?" + std::string(kMaxRecvSize + 10, ' ') + "3";
    EXPECT_EQ(Query(*client, longCommand), "34952\n");
}

TEST(Vxi11Server, LinksShareOneDeviceButNotReplies) {
    CLoopbackServer loopback(R"(resources:
  - name: VXI0::24::INSTR
    interface: vxi
    slot: 24
    module:
      ports: [{mode: count, start: 100, step: 1}, 0, 0, 0]
)");
    auto first = loopback.Link();
    auto second = loopback.Link("vxi0,24");
    // The inputs step once per command, whichever link sends it.
    EXPECT_EQ(Query(*first, "MEAS:DIG:PORT? 0"), "101\n");
    EXPECT_EQ(Query(*second, "MEAS:DIG:PORT? 0"), "102\n");
    // A query on one link leaves another link's pending reply alone.
    ASSERT_EQ(first->Write("*IDN?", true, kIo), kOk);
    EXPECT_EQ(Query(*second, "MEAS:DIG:PORT? 0"), "104\n");
    std::string reply;
    EXPECT_EQ(first->ReadMessage(&reply, kIo), kOk);
    EXPECT_EQ(reply, "ZENTRAX-MOLBURY,K3310,0,1.0\n");
}

TEST(Vxi11Server, StatusByteClearAndTrigger) {
    CLoopbackServer loopback;
    auto client = loopback.Link();
    std::uint8_t stb = 0xFF;
    EXPECT_EQ(client->ReadStb(&stb), kOk);
    EXPECT_EQ(stb, 0);
    ASSERT_EQ(client->Write("*IDN?", true, kIo), kOk);
    EXPECT_EQ(client->ReadStb(&stb), kOk);
    EXPECT_EQ(stb, 0x10) << "message available";
    EXPECT_EQ(client->Clear(), kOk);
    EXPECT_EQ(client->ReadStb(&stb), kOk);
    EXPECT_EQ(stb, 0) << "the clear dropped the reply";
    EXPECT_EQ(client->Trigger(), kOk);
    EXPECT_EQ(client->Remote(), kOk);
    EXPECT_EQ(client->Local(), kOk);
}

TEST(Vxi11Server, LocksAcrossLinks) {
    CLoopbackServer loopback;
    auto holder = loopback.Link();
    auto other = loopback.Link();
    EXPECT_EQ(other->Unlock(), kNoLockHeld);
    ASSERT_EQ(holder->Lock(0), kOk);
    EXPECT_EQ(holder->Lock(0), kOk) << "the holder may ask again";
    EXPECT_EQ(other->Lock(0), kLockedByAnotherLink);
    EXPECT_EQ(other->Unlock(), kNoLockHeld);
    EXPECT_EQ(other->Write("*IDN?", true, kIo), kLockedByAnotherLink);
    std::uint8_t stb = 0;
    EXPECT_EQ(other->ReadStb(&stb), kLockedByAnotherLink);
    EXPECT_EQ(Query(*holder, "MEAS:DIG:PORT? 0"), "4369\n");

    // A lock time-out: refused once the time has passed, not before.
    Clock::time_point start = Clock::now();
    EXPECT_EQ(other->Lock(200), kLockedByAnotherLink);
    EXPECT_GE(ElapsedMs(start), 200);

    // A waiting lock is granted when the holder lets go, long before its time-out.
    std::promise<int> granted;
    std::thread waiter([&] { granted.set_value(other->Lock(20000)); });
    EXPECT_TRUE(AwaitWaitingCall(loopback.server));
    start = Clock::now();
    EXPECT_EQ(holder->Unlock(), kOk);
    std::future<int> result = granted.get_future();
    EXPECT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    waiter.join();
    EXPECT_EQ(result.get(), kOk);
    EXPECT_LT(ElapsedMs(start), 10000);
    EXPECT_EQ(holder->Write("*IDN?", true, kIo), kLockedByAnotherLink);

    // Operations that wait for the lock get it when the holder's link goes.
    holder->SetLockTimeout(20000);
    std::promise<int> written;
    std::thread writer([&] { written.set_value(holder->Write("*IDN?", true, kIo)); });
    EXPECT_TRUE(AwaitWaitingCall(loopback.server));
    other->Close();
    std::future<int> writeResult = written.get_future();
    EXPECT_EQ(writeResult.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    writer.join();
    EXPECT_EQ(writeResult.get(), kOk);
}

TEST(Vxi11Server, CreateLinkCanTakeTheLock) {
    CLoopbackServer loopback;
    auto first = std::make_unique<CVxi11Client>();
    ASSERT_EQ(first->Open("127.0.0.1", "inst0", 2000, loopback.Port(), true, 0), kOk);
    CVxi11Client second;
    EXPECT_EQ(second.Open("127.0.0.1", "inst0", 2000, loopback.Port(), true, 100),
              kLockedByAnotherLink);
    EXPECT_EQ(loopback.server.LinkCount(), 1u) << "the refused link is not kept";
    first.reset();
    EXPECT_EQ(second.Open("127.0.0.1", "inst0", 2000, loopback.Port(), true, 0), kOk);
}

TEST(Vxi11Server, AbortEndsAWaitingRead) {
    CLoopbackServer loopback;
    auto client = loopback.Link();
    std::promise<int> done;
    std::thread reader([&] {
        std::string data;
        std::int32_t reason = 0;
        done.set_value(client->Read(100, -1, 60000, &data, &reason));
    });
    std::future<int> result = done.get_future();
    EXPECT_TRUE(AwaitWaitingCall(loopback.server));
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(client->Abort(), kOk);
    EXPECT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    reader.join();
    EXPECT_EQ(result.get(), kAbort);
    EXPECT_LT(ElapsedMs(start), 10000);
}

TEST(Vxi11Server, ServiceRequestReachesEnabledLinks) {
    CLoopbackServer loopback;
    auto enabled = loopback.Link();
    auto silent = loopback.Link();
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Bytes> handles;
    ASSERT_EQ(enabled->EnableSrq({'h', '1'},
                                 [&](const Bytes& handle) {
                                     std::lock_guard<std::mutex> lock(mutex);
                                     handles.push_back(handle);
                                     arrived.notify_all();
                                 }),
              kOk);
    EXPECT_EQ(loopback.server.RaiseServiceRequest("VXI0::24::INSTR"), 1);
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(
            arrived.wait_for(lock, std::chrono::seconds(5), [&] { return !handles.empty(); }));
        EXPECT_EQ(handles.front(), (Bytes{'h', '1'}));
    }
    std::uint8_t stb = 0;
    EXPECT_EQ(silent->ReadStb(&stb), kOk);
    EXPECT_EQ(stb, 0x40) << "request service";
    EXPECT_EQ(silent->ReadStb(&stb), kOk);
    EXPECT_EQ(stb, 0) << "reading the status byte cleared the request";

    EXPECT_EQ(loopback.server.RaiseServiceRequest("inst1"), 0) << "another device";
    EXPECT_EQ(loopback.server.RaiseServiceRequest("inst9"), -1);
    EXPECT_EQ(enabled->DisableSrq(), kOk);
    EXPECT_EQ(loopback.server.RaiseServiceRequest("inst0"), 0);
}

TEST(Vxi11Server, ClientGivesUpOnAHostThatDoesNotAnswer) {
    // Accepts connections (the kernel does) but never replies.
    std::uint16_t port = 0;
    std::string error;
    CSocket silent = ListenTcp("127.0.0.1", 0, &port, &error);
    ASSERT_TRUE(silent.IsOpen()) << error;
    CVxi11Client client;
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(client.Open("127.0.0.1", "inst0", 300, port), CVxi11Client::kNoReply);
    EXPECT_GE(ElapsedMs(start), 300);
    EXPECT_LT(ElapsedMs(start), 5000);
    // Nothing listens on the port any more: refused at once.
    silent = CSocket();
    EXPECT_EQ(client.Open("127.0.0.1", "inst0", 300, port), CVxi11Client::kTransportError);
}

// A device that hands out one byte per read, each just inside the time-out, does not stretch a
// message past its time-out (before, 40 bytes at 300 ms took 40 reads of 262 ms).
TEST(Vxi11Server, AReadTimeOutBoundsTheWholeMessage) {
    std::uint16_t port = 0;
    std::string error;
    CSocket listener = ListenTcp("127.0.0.1", 0, &port, &error);
    ASSERT_TRUE(listener.IsOpen()) << error;
    std::thread device([&] { ServeDribblingDevice(listener.Fd()); });
    {
        CVxi11Client client;
        ASSERT_EQ(client.Open("127.0.0.1", "inst0", 2000, port), kOk);
        std::string message;
        std::int32_t reason = 0;
        EXPECT_EQ(client.ReadMessage(&message, 300, 40, -1, &reason), kIoTimeout);
        EXPECT_LT(message.size(), 40u);
    }
    device.join();
}

// A name service that never answers: the lookup is given up at the connection's deadline, not
// after the resolver's own retries (10 s). Run in a child with a mount namespace of its own, where
// /etc/resolv.conf names a server on loopback that takes queries and never replies.
TEST(Vxi11Server, AHostNameLookupEndsAtTheDeadline) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a mount namespace of its own needs root";
    }
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            CSocket silent(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
            sockaddr_in server{};
            server.sin_family = AF_INET;
            server.sin_port = htons(53);
            ::inet_pton(AF_INET, "127.0.0.77", &server.sin_addr);
            const std::string conf = "/tmp/sfp-resolv-" + std::to_string(::getpid());
            FILE* file = std::fopen(conf.c_str(), "w");
            const bool ready =
                file != nullptr &&
                std::fputs("nameserver 127.0.0.77\noptions timeout:5 attempts:2\n", file) >= 0 &&
                std::fclose(file) == 0 &&
                ::bind(silent.Fd(), reinterpret_cast<sockaddr*>(&server), sizeof(server)) == 0 &&
                ::unshare(CLONE_NEWNS) == 0 &&
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                ::mount(conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
            if (!ready) {
                std::fprintf(stderr, "cannot set up the silent name service\n");
                ::_exit(2);
            }
            std::string error;
            const CSocket socket = ConnectTcp(
                "lab-rack.example", 111, Clock::now() + std::chrono::milliseconds(300), &error);
            ::unlink(conf.c_str());
            std::fprintf(stderr, "%s\n", error.c_str());
            ::_exit(error.find("name service") != std::string::npos ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "no answer from the name service");
}

// The module's own service request: enabled by *SRE, raised when an edge is latched, sent to
// the links that enabled service requests and seen in the status byte it reads.
TEST(Vxi11Server, ModuleRaisesItsOwnServiceRequest) {
    CLoopbackServer loopback(R"(resources:
  - name: VXI0::24::INSTR
    module:
      ports: [{mode: count, start: 0, step: 1}, 0, 0, 0]
)");
    auto client = loopback.Link();
    std::mutex mutex;
    std::condition_variable arrived;
    int requests = 0;
    ASSERT_EQ(client->EnableSrq({'m'},
                                [&](const Bytes&) {
                                    std::lock_guard<std::mutex> lock(mutex);
                                    ++requests;
                                    arrived.notify_all();
                                }),
              kOk);
    std::string reply;
    // Edges are latched, but nothing asks for service yet.
    ASSERT_EQ(client->Query("MEAS:DIG:PORT? 0", &reply, kIo), kOk);
    std::uint8_t stb = 0;
    ASSERT_EQ(client->ReadStb(&stb), kOk);
    EXPECT_EQ(stb & 0x41, 0x01) << "an edge is latched";
    ASSERT_EQ(client->Write("*SRE 1", true, kIo), kOk);
    {
        std::unique_lock<std::mutex> lock(mutex);
        EXPECT_TRUE(arrived.wait_for(lock, std::chrono::seconds(5), [&] { return requests > 0; }));
    }
    ASSERT_EQ(client->ReadStb(&stb), kOk);
    EXPECT_EQ(stb & 0x41, 0x41) << "the module's request stays while its cause does";
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(requests, 1) << "one request for one rise";
}

// Inputs that step on time raise the request when stepped, with no command in between.
TEST(Vxi11Server, SteppingModulesOnTimeRaisesTheirRequests) {
    CLoopbackServer loopback(R"(resources:
  - name: VXI0::24::INSTR
    module:
      step_ms: 5
      ports: [{mode: count, start: 0, step: 1}, 0, 0, 0]
)");
    auto client = loopback.Link();
    std::mutex mutex;
    std::condition_variable arrived;
    int requests = 0;
    ASSERT_EQ(client->EnableSrq({'t'},
                                [&](const Bytes&) {
                                    std::lock_guard<std::mutex> lock(mutex);
                                    ++requests;
                                    arrived.notify_all();
                                }),
              kOk);
    ASSERT_EQ(client->Write("*SRE 1", true, kIo), kOk);
    ASSERT_EQ(client->Write("*CLS", true, kIo), kOk);  // no latched edge, no request
    int before = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        before = requests;
    }
    EXPECT_GT(loopback.server.StepDevices(), 0) << "the module steps on time";
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    std::unique_lock<std::mutex> lock(mutex);
    while (requests == before && Clock::now() < deadline) {
        lock.unlock();
        loopback.server.StepDevices();
        lock.lock();
        arrived.wait_for(lock, std::chrono::milliseconds(5), [&] { return requests > before; });
    }
    EXPECT_EQ(requests, before + 1);
}
