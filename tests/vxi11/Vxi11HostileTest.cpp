// Clients that are careless or hostile: they never answer a service request, guess another
// client's link, hold connections open doing nothing, or send without end. Each may cost only
// its own connection.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <atomic>
#include <functional>
#include <thread>

#include "Vxi11Support.h"

using namespace vxi11;

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

Bytes LinkCall(std::uint32_t procedure, std::int32_t link) {
    switch (procedure) {
        case kProcWrite: {
            static char data[] = "*IDN?\n";
            Device_WriteParms parms{};
            parms.lid = link;
            parms.flags = kFlagEnd;
            parms.data.data_len = 6;
            parms.data.data_val = data;
            return RawCall(procedure, XdrProc(xdr_Device_WriteParms), &parms);
        }
        case kProcRead: {
            Device_ReadParms parms{};
            parms.lid = link;
            parms.requestSize = 100;
            return RawCall(procedure, XdrProc(xdr_Device_ReadParms), &parms);
        }
        case kProcLock: {
            Device_LockParms parms{link, 0, 0};
            return RawCall(procedure, XdrProc(xdr_Device_LockParms), &parms);
        }
        case kProcEnableSrq: {
            Device_EnableSrqParms parms{};
            parms.lid = link;
            parms.enable = 1;
            return RawCall(procedure, XdrProc(xdr_Device_EnableSrqParms), &parms);
        }
        case kProcReadStb:
        case kProcClear: {
            Device_GenericParms parms{};
            parms.lid = link;
            return RawCall(procedure, XdrProc(xdr_Device_GenericParms), &parms);
        }
        default: {
            Device_Link id = link;
            const std::uint32_t program = procedure == kProcAbort ? kAbortProgram : kCoreProgram;
            return RawCall(procedure, XdrProc(xdr_Device_Link), &id, program);
        }
    }
}

// The device error at the start of any reply's results.
int FirstError(const RawReply& reply) {
    CXdrReader reader(reply.bytes);
    std::int32_t error = -1;
    if (!reply.received || AcceptStatus(reader.Get()) != 0 || !xdr_int32_t(reader.Get(), &error)) {
        return -1;
    }
    return error;
}

}  // namespace

// The newest pyvisa-py takes device_intr_srq as one-way and never replies: every request
// still reaches it, and the link keeps its channel.
TEST(Vxi11Hostile, ServiceRequestsGoOneWayToAClientThatNeverReplies) {
    CLoopbackServer loopback;
    std::uint16_t port = 0;
    std::string error;
    CSocket listener = ListenTcp("127.0.0.1", 0, &port, &error);
    ASSERT_TRUE(listener.IsOpen()) << error;
    CSocket raw = RawConnect(loopback.Port());
    const std::int32_t link = RawLink(raw.Fd());
    Device_RemoteFunc remote{0x7F000001, port, kInterruptProgram, 1, DEVICE_TCP};
    ASSERT_EQ(ErrorOf(RawExchange(
                  raw.Fd(), RawCall(kProcCreateIntrChan, XdrProc(xdr_Device_RemoteFunc), &remote))),
              kOk);
    char handle[] = "mine";
    Device_EnableSrqParms enable{link, 1, {4, handle}};
    ASSERT_EQ(ErrorOf(RawExchange(
                  raw.Fd(), RawCall(kProcEnableSrq, XdrProc(xdr_Device_EnableSrqParms), &enable))),
              kOk);
    CSocket silent(::accept(listener.Fd(), nullptr, nullptr));
    ASSERT_TRUE(silent.IsOpen());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loopback.server.RaiseServiceRequest("inst0"), 1) << i;
    }
    for (int i = 0; i < 3; ++i) {
        Bytes call;
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
        ASSERT_EQ(ReadRecord(silent.Fd(), 4096, &call, &deadline), RecordResult::Ok) << i;
        CXdrReader reader(call);
        CallHeader header;
        ASSERT_EQ(DecodeCallHeader(reader.Get(), &header), HeaderResult::Call);
        EXPECT_EQ(header.procedure, kProcIntrSrq);
        CDecoded<Device_SrqParms> parms(XdrProc(xdr_Device_SrqParms));
        ASSERT_TRUE(parms.Decode(reader.Get()));
        EXPECT_EQ(std::string(parms->handle.handle_val, parms->handle.handle_len), "mine");
    }
}

// Another connection guessing the id gets "invalid link" for every call; an abort is taken
// only from the peer that made the link; ids do not run in sequence.
TEST(Vxi11Hostile, ALinkBelongsToItsConnection) {
    CLoopbackServer loopback;
    CSocket owner = RawConnect(loopback.Port());
    std::int32_t links[4] = {};
    for (std::int32_t& link : links) {
        link = RawLink(owner.Fd());
        ASSERT_GT(link, 0);
    }
    EXPECT_FALSE(links[1] == links[0] + 1 && links[2] == links[1] + 1 && links[3] == links[2] + 1);
    const std::int32_t link = links[0];
    ASSERT_EQ(ErrorOf(RawExchange(owner.Fd(), LinkCall(kProcLock, link))), kOk);

    CSocket other = RawConnect(loopback.Port());
    ASSERT_NE(RawLink(other.Fd()), 0);
    for (const std::uint32_t procedure :
         {kProcWrite, kProcRead, kProcReadStb, kProcClear, kProcLock, kProcUnlock, kProcEnableSrq,
          kProcDestroyLink}) {
        EXPECT_EQ(FirstError(RawExchange(other.Fd(), LinkCall(procedure, link))), kInvalidLink)
            << procedure;
    }
    CSocket strangerAbort = RawConnect(loopback.network.AbortPort(), "127.0.0.2");
    ASSERT_TRUE(strangerAbort.IsOpen());
    EXPECT_EQ(ErrorOf(RawExchange(strangerAbort.Fd(), LinkCall(kProcAbort, link))), kInvalidLink);
    CSocket ownAbort = RawConnect(loopback.network.AbortPort());
    EXPECT_EQ(ErrorOf(RawExchange(ownAbort.Fd(), LinkCall(kProcAbort, link))), kOk);
    // The owner still has its link and its lock.
    EXPECT_EQ(ErrorOf(RawExchange(owner.Fd(), LinkCall(kProcUnlock, link))), kOk);
    EXPECT_EQ(loopback.server.LinkCount(), 5u);
}

// Links and unterminated input are counted per connection: one client runs out, the next
// does not.
TEST(Vxi11Hostile, OneConnectionCannotTakeEveryLinkOrAllTheMemory) {
    CLoopbackServer loopback;
    CSocket greedy = RawConnect(loopback.Port());
    int made = 0;
    while (made < 100 && RawLink(greedy.Fd()) != 0) {
        ++made;
    }
    EXPECT_EQ(made, 8);
    auto other = loopback.Link();
    ASSERT_NE(other->LinkId(), 0);

    CSocket hoarder = RawConnect(loopback.Port());
    const std::int32_t first = RawLink(hoarder.Fd());
    const std::int32_t second = RawLink(hoarder.Fd());
    std::string piece(kMaxRecvSize, 'x');
    Device_WriteParms write{};
    write.data.data_len = static_cast<u_int>(piece.size());
    write.data.data_val = piece.data();
    const auto send = [&](std::int32_t link) {
        write.lid = link;
        return FirstError(
            RawExchange(hoarder.Fd(), RawCall(kProcWrite, XdrProc(xdr_Device_WriteParms), &write)));
    };
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(send(first), kOk) << i;
    }
    EXPECT_EQ(send(second), kParameterError) << "the connection's budget is spent";
    // The other client's message is its own.
    std::string idn;
    EXPECT_EQ(other->Query("*IDN?", &idn, 2000), kOk);
    EXPECT_EQ(idn, "ZENTRAX-MOLBURY,K3310,0,1.0\n");
}

// Connections that hold no link and send nothing, or half a call, are closed after a while,
// and the oldest make room when every place is taken; a call waiting for a reply ends when its
// client goes.
TEST(Vxi11Hostile, IdleConnectionsLockNoOneOutAndWaitsEndWithTheirClient) {
    CVxi11Server server(ParsedScenario(kFixedScenario));
    CRpcServer network(server);
    network.SetLimits(4, 1000);
    std::string error;
    ASSERT_TRUE(network.Start("127.0.0.1", 0, &error)) << error;
    // The abort channel's places are its own: taking them all leaves the core's.
    std::vector<CSocket> idle;
    for (int i = 0; i < 4; ++i) {
        idle.push_back(RawConnect(network.AbortPort(), "127.0.0.3"));
    }
    ASSERT_TRUE(WaitUntil([&] { return network.ConnectionCount() == 4; }));
    for (int i = 0; i < 4; ++i) {
        idle.push_back(RawConnect(network.CorePort()));
        const Bytes half = {0x80, 0, 0, 40, 0, 0};
        ASSERT_EQ(::send(idle.back().Fd(), half.data(), half.size(), MSG_NOSIGNAL), 6);
    }
    CVxi11Client client;
    EXPECT_EQ(client.Open("127.0.0.1", "inst0", 2000, network.CorePort()), kOk);
    for (CSocket& socket : idle) {
        Bytes record;
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
        EXPECT_EQ(ReadRecord(socket.Fd(), 100, &record, &deadline), RecordResult::Closed);
    }
    // A read left waiting for a minute, then its client gone without a word.
    CSocket reader = RawConnect(network.CorePort());
    const std::int32_t link = RawLink(reader.Fd());
    Device_ReadParms read{};
    read.lid = link;
    read.requestSize = 100;
    read.io_timeout = 60000;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    ASSERT_TRUE(WriteRecord(reader.Fd(), RawCall(kProcRead, XdrProc(xdr_Device_ReadParms), &read),
                            &deadline));
    ASSERT_TRUE(WaitUntil([&] { return server.WaitingCalls() == 1; }));
    reader = CSocket();
    EXPECT_TRUE(WaitUntil([&] { return server.WaitingCalls() == 0 && server.LinkCount() == 1; }));
}

// A sender that keeps bytes coming past the deadline, or sends empty fragments without end,
// does not hold the reader.
TEST(Vxi11Hostile, ARecordReaderCannotBeHeldBySender) {
    int ends[2] = {};
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    CSocket reading(ends[0]);
    CSocket sending(ends[1]);
    // Bytes ready to read do not extend a deadline that has passed.
    ASSERT_TRUE(WriteRecord(sending.Fd(), Bytes{1, 2, 3, 4}));
    Bytes record;
    const Clock::time_point passed = Clock::now() - std::chrono::milliseconds(1);
    EXPECT_EQ(ReadRecord(reading.Fd(), kMaxRecord, &record, &passed), RecordResult::TimedOut);
    ASSERT_EQ(ReadRecord(reading.Fd(), kMaxRecord, &record), RecordResult::Ok);

    std::atomic<bool> senderDone{false};
    std::thread sender([&] {
        // Bounded: with the fault in, the reader returns only when this ends.
        const Bytes empty = {0, 0, 0, 0};
        for (int i = 0; i < 1000000; ++i) {
            if (::send(sending.Fd(), empty.data(), empty.size(), MSG_NOSIGNAL) <= 0) {
                break;
            }
        }
        senderDone = true;
        sending.Shutdown();
    });
    EXPECT_EQ(ReadRecord(reading.Fd(), kMaxRecord, &record), RecordResult::TooLarge);
    EXPECT_FALSE(senderDone) << "the reader waited for the sender to stop";
    reading.Shutdown();
    sender.join();
}

// --verbose logs one short line per call: a long write is cut, its size stated.
TEST(Vxi11Hostile, TheLogCutsLongData) {
    std::vector<std::string> lines;
    CVxi11Server server(ParsedScenario(kFixedScenario),
                        [&](const std::string& line) { lines.push_back(line); });
    std::string name = "inst0";
    Create_LinkParms parms{};
    parms.device = name.data();
    const std::optional<Bytes> created = server.HandleRecord(
        1, Channel::Core, RawCall(kProcCreateLink, XdrProc(xdr_Create_LinkParms), &parms));
    ASSERT_TRUE(created);
    CXdrReader reader(*created);
    Create_LinkResp link{};
    ASSERT_EQ(AcceptStatus(reader.Get()), 0);
    ASSERT_TRUE(xdr_Create_LinkResp(reader.Get(), &link));
    std::string data(60000, 'x');
    Device_WriteParms write{};
    write.lid = link.lid;
    write.flags = kFlagEnd;
    write.data.data_len = static_cast<u_int>(data.size());
    write.data.data_val = data.data();
    server.HandleRecord(1, Channel::Core,
                        RawCall(kProcWrite, XdrProc(xdr_Device_WriteParms), &write));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("(60000 bytes)"), std::string::npos) << lines.back();
    for (const std::string& line : lines) {
        EXPECT_LT(line.size(), 300u);
    }
}

// A client whose host vanishes without closing is found by TCP keepalive on the server's end of
// its connection (looked up among this process's descriptors by its two addresses).
TEST(Vxi11Hostile, ConnectionsAreKeptAlive) {
    CLoopbackServer loopback;
    CSocket client = RawConnect(loopback.Port());
    ASSERT_NE(RawLink(client.Fd()), 0);
    sockaddr_in mine{};
    socklen_t size = sizeof(mine);
    ASSERT_EQ(::getsockname(client.Fd(), reinterpret_cast<sockaddr*>(&mine), &size), 0);
    int served = -1;
    for (int fd = 0; fd < 4096 && served < 0; ++fd) {
        sockaddr_in peer{};
        size = sizeof(peer);
        if (fd != client.Fd() &&
            ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0 &&
            peer.sin_family == AF_INET && peer.sin_port == mine.sin_port &&
            peer.sin_addr.s_addr == mine.sin_addr.s_addr) {
            served = fd;
        }
    }
    ASSERT_GE(served, 0);
    int on = 0;
    int idle = 0;
    size = sizeof(on);
    ASSERT_EQ(::getsockopt(served, SOL_SOCKET, SO_KEEPALIVE, &on, &size), 0);
    size = sizeof(idle);
    ASSERT_EQ(::getsockopt(served, IPPROTO_TCP, TCP_KEEPIDLE, &idle, &size), 0);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(idle, 30);
}
