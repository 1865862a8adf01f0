// What clients that misbehave or vanish do to the server: it answers with an error or drops
// that one connection, and keeps serving everyone else.
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <thread>

#include "Vxi11Support.h"

using namespace vxi11;

TEST(Vxi11Faults, ALockDiesWithItsConnection) {
    CLoopbackServer loopback;
    auto other = loopback.Link();
    {
        CSocket vanishing = RawConnect(loopback.Port());
        const std::int32_t link = RawLink(vanishing.Fd());
        ASSERT_NE(link, 0);
        Device_LockParms lock{link, 0, 0};
        ASSERT_EQ(ErrorOf(RawExchange(vanishing.Fd(),
                                      RawCall(kProcLock, XdrProc(xdr_Device_LockParms), &lock))),
                  kOk);
        ASSERT_EQ(other->Lock(0), kLockedByAnotherLink);
        // Gone without destroy_link, as a killed client goes.
    }
    EXPECT_EQ(other->Lock(10000), kOk);
}

TEST(Vxi11Faults, BadCallsGetErrors) {
    CLoopbackServer loopback;
    CSocket raw = RawConnect(loopback.Port());
    const std::int32_t link = RawLink(raw.Fd());
    ASSERT_NE(link, 0);

    // Device errors: an unknown link, a write beyond what create_link allowed, and the
    // interrupt channel's own rules.
    Device_Link unknown = link ^ 1;
    EXPECT_EQ(
        ErrorOf(RawExchange(raw.Fd(), RawCall(kProcUnlock, XdrProc(xdr_Device_Link), &unknown))),
        kInvalidLink);
    std::string big(kMaxRecvSize + 1, 'x');
    Device_WriteParms write{};
    write.lid = link;
    write.flags = kFlagEnd;
    write.data.data_len = static_cast<u_int>(big.size());
    write.data.data_val = big.data();
    {
        const RawReply reply =
            RawExchange(raw.Fd(), RawCall(kProcWrite, XdrProc(xdr_Device_WriteParms), &write));
        CXdrReader reader(reply.bytes);
        Device_WriteResp result{};
        ASSERT_EQ(AcceptStatus(reader.Get()), 0);
        ASSERT_TRUE(xdr_Device_WriteResp(reader.Get(), &result));
        EXPECT_EQ(result.error, kParameterError);
    }
    EXPECT_EQ(ErrorOf(RawExchange(raw.Fd(), RawCall(kProcDestroyIntrChan, nullptr, nullptr))),
              kChannelNotEstablished);
    for (const std::int32_t family : {static_cast<std::int32_t>(DEVICE_UDP), 7}) {
        // Written as its number: the family outside the enum is what a hostile client sends.
        Device_RemoteFunc other{0x7F000001, 1, kInterruptProgram, 1, DEVICE_TCP};
        std::memcpy(&other.progFamily, &family, sizeof(family));
        EXPECT_EQ(ErrorOf(RawExchange(raw.Fd(), RawCall(kProcCreateIntrChan,
                                                        XdrProc(xdr_Device_RemoteFunc), &other))),
                  kNotSupported)
            << family;
    }
    // A device name longer than any served one is a parameter error, not undecodable.
    std::string longName(300, 'n');
    Create_LinkParms named{};
    named.device = longName.data();
    EXPECT_EQ(ErrorOf(RawExchange(raw.Fd(),
                                  RawCall(kProcCreateLink, XdrProc(xdr_Create_LinkParms), &named))),
              kParameterError);

    // RPC errors: unknown procedure, other program or version, arguments cut short.
    const struct {
        Bytes record;
        int acceptStatus;
    } cases[] = {
        {RawCall(99, nullptr, nullptr), 3},
        {RawCall(kProcUnlock, XdrProc(xdr_Device_Link), &unknown, kAbortProgram), 1},
        {RawCall(kProcUnlock, XdrProc(xdr_Device_Link), &unknown, kCoreProgram, 2), 2},
        {RawCall(kProcRead, nullptr, nullptr), 4},
        {RawCall(kProcCreateLink, XdrProc(xdr_Device_Link), &unknown), 4},
    };
    for (const auto& c : cases) {
        const RawReply reply = RawExchange(raw.Fd(), c.record);
        ASSERT_TRUE(reply.received);
        CXdrReader reader(reply.bytes);
        EXPECT_EQ(AcceptStatus(reader.Get()), c.acceptStatus);
    }
    // The connection survived all of that.
    EXPECT_EQ(ErrorOf(RawExchange(raw.Fd(),
                                  RawCall(kProcDestroyLink, XdrProc(xdr_Device_Link), &write.lid))),
              kOk);
}

TEST(Vxi11Faults, MalformedRecordsCostOnlyTheirConnection) {
    CLoopbackServer loopback;
    auto bystander = loopback.Link();
    ASSERT_EQ(bystander->Lock(0), kOk);
    const struct {
        const char* what;
        Bytes framed;  // written as is, record marks included
    } cases[] = {
        {"not a call", {0x80, 0, 0, 8, 0, 0, 0, 1, 0, 0, 0, 1}},
        {"a header cut short", {0x80, 0, 0, 4, 0, 0, 0, 1}},
        {"a record larger than any call", {0xFF, 0xFF, 0xFF, 0xFF}},
        {"credentials past their bound",
         {0x80, 0,    0, 32, 0, 0, 0, 1, 0, 0,  0, 0, 0, 0, 0,    2, 0, 0x06,
          0x07, 0xAF, 0, 0,  0, 1, 0, 0, 0, 10, 0, 0, 0, 1, 0x7F, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        CSocket raw = RawConnect(loopback.Port());
        ASSERT_TRUE(raw.IsOpen());
        ASSERT_EQ(::send(raw.Fd(), c.framed.data(), c.framed.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(c.framed.size()));
        Bytes reply;
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
        EXPECT_EQ(ReadRecord(raw.Fd(), kMaxRecord, &reply, &deadline), RecordResult::Closed)
            << c.what;
    }
    // An RPC version the server does not speak is answered, not dropped.
    CSocket raw = RawConnect(loopback.Port());
    const Bytes wrongVersion = {0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 3};
    const RawReply reply = RawExchange(raw.Fd(), wrongVersion);
    ASSERT_TRUE(reply.received);
    EXPECT_EQ(reply.bytes,
              (Bytes{0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 2}));
    // The bystander kept its link and its lock.
    std::string idn;
    EXPECT_EQ(bystander->Query("*IDN?", &idn, 2000), kOk);
    EXPECT_EQ(idn, "ZENTRAX-MOLBURY,K3310,0,1.0\n");
    EXPECT_EQ(bystander->Unlock(), kOk);
}

TEST(Vxi11Faults, StoppingEndsWaitsAndLinks) {
    auto loopback = std::make_unique<CLoopbackServer>();
    auto client = loopback->Link();
    std::promise<int> done;
    std::thread reader([&] {
        std::string data;
        std::int32_t reason = 0;
        done.set_value(client->Read(100, -1, 60000, &data, &reason));
    });
    std::future<int> result = done.get_future();
    const Clock::time_point start = Clock::now();
    while (loopback->server.WaitingCalls() == 0 &&
           Clock::now() - start < std::chrono::seconds(10)) {
        std::this_thread::yield();
    }
    EXPECT_EQ(loopback->server.WaitingCalls(), 1);
    // Stopping does not wait for the read's minute.
    loopback->network.Stop();
    EXPECT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    reader.join();
    // The read ends with the server's I/O error, or with the connection if that went first.
    const int status = result.get();
    EXPECT_TRUE(status == kIoError || status == CVxi11Client::kTransportError) << status;
    EXPECT_EQ(loopback->server.LinkCount(), 0u);
}
