// The live instrument against a table of fake driver functions.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "instrument/DriverApi.h"
#include "instrument/DriverInstrument.h"

namespace {

struct FakeDriver {
    ViStatus status = VI_SUCCESS;  // of the operation's own call
    ViUInt32 value = 0;            // what the port queries hand back (low 16 bits)
    ViInt16 selfTestResult = 0;
    std::string text = "fake text";
    std::deque<std::pair<ViInt32, std::string>> queue;
    ViStatus errorQueryStatus = VI_SUCCESS;
    bool errorQueryWritesCode = true;
    ViStatus errorMessageStatus = VI_SUCCESS;
    bool unterminated = false;  // texts fill all 256 bytes with no terminating zero
    std::vector<std::string> calls;
    ViInt16 lastPort = 0;
};
FakeDriver g_fake;

void PutText(const std::string& text, ViChar* out) {
    if (g_fake.unterminated) {
        std::memset(out, 'x', kDriverTextSize);
        return;
    }
    std::strncpy(out, text.c_str(), kDriverTextSize - 1);
    out[kDriverTextSize - 1] = '\0';
}

ViStatus SFP_VI_CALL FakeSelfTest(ViSession, ViInt16* result, ViChar* message) {
    g_fake.calls.push_back("self_test");
    *result = g_fake.selfTestResult;
    PutText(g_fake.text, message);
    return g_fake.status;
}
ViStatus SFP_VI_CALL FakeReset(ViSession) {
    g_fake.calls.push_back("reset");
    return g_fake.status;
}
ViStatus SFP_VI_CALL FakeErrorQuery(ViSession, ViInt32* code, ViChar* message) {
    g_fake.calls.push_back("error_query");
    if (g_fake.errorQueryWritesCode) {
        *code = 0;
        std::string text = "No error";
        if (!g_fake.queue.empty()) {
            *code = g_fake.queue.front().first;
            text = g_fake.queue.front().second;
            g_fake.queue.pop_front();
        }
        PutText(text, message);
    }
    return g_fake.errorQueryStatus;
}
ViStatus SFP_VI_CALL FakeErrorMessage(ViSession, ViStatus, ViChar* message) {
    g_fake.calls.push_back("error_message");
    PutText(g_fake.text, message);
    return g_fake.errorMessageStatus;
}
ViStatus Port(const char* name, ViInt16 port, ViUInt16* value) {
    g_fake.calls.push_back(name);
    g_fake.lastPort = port;
    *value = static_cast<ViUInt16>(g_fake.value);
    return g_fake.status;
}
ViStatus SFP_VI_CALL FakeMeas(ViSession, ViInt16 port, ViUInt16* value) {
    return Port("meas", port, value);
}
ViStatus SFP_VI_CALL FakePos(ViSession, ViInt16 port, ViUInt16* value) {
    return Port("pos", port, value);
}
ViStatus SFP_VI_CALL FakeNeg(ViSession, ViInt16 port, ViUInt16* value) {
    return Port("neg", port, value);
}

class CFakeTable : public ISymbolSource {
public:
    CFakeTable() {
        functions = {
            {"aqk3310_self_test", reinterpret_cast<ProcAddress>(&FakeSelfTest)},
            {"aqk3310_reset", reinterpret_cast<ProcAddress>(&FakeReset)},
            {"aqk3310_error_query", reinterpret_cast<ProcAddress>(&FakeErrorQuery)},
            {"aqk3310_error_message", reinterpret_cast<ProcAddress>(&FakeErrorMessage)},
            {"aqk3310_measDigPort_Q", reinterpret_cast<ProcAddress>(&FakeMeas)},
            {"aqk3310_sensPosPortTran_Q", reinterpret_cast<ProcAddress>(&FakePos)},
            {"aqk3310_sensNegPortTran_Q", reinterpret_cast<ProcAddress>(&FakeNeg)},
        };
    }
    ProcAddress Lookup(const char* name) const override {
        lookedUp.push_back(name);
        auto it = functions.find(name);
        return it != functions.end() ? it->second : nullptr;
    }
    std::map<std::string, ProcAddress> functions;
    mutable std::vector<std::string> lookedUp;
};

class DriverInstrumentFake : public ::testing::Test {
protected:
    void SetUp() override { g_fake = FakeDriver(); }
    CFakeTable table;
};

TEST_F(DriverInstrumentFake, BindingLooksUpInOrderAndStopsAtTheFirstMissingName) {
    const std::vector<std::string> order = {"aqk3310_self_test",        "aqk3310_reset",
                                            "aqk3310_error_query",      "aqk3310_error_message",
                                            "aqk3310_measDigPort_Q",    "aqk3310_sensNegPortTran_Q",
                                            "aqk3310_sensPosPortTran_Q"};
    for (std::size_t missing = 0; missing < order.size(); ++missing) {
        CFakeTable lacking;
        lacking.functions.erase(order[missing]);
        EXPECT_THROW(CDriverInstrument(7, lacking), CUserException) << order[missing];
        EXPECT_EQ(lacking.lookedUp,
                  std::vector<std::string>(order.begin(), order.begin() + missing + 1));
    }
    CFakeTable complete;
    CDriverInstrument instrument(7, complete);
    EXPECT_EQ(complete.lookedUp, order);
    EXPECT_TRUE(instrument.IsLive());
    EXPECT_EQ(instrument.GetLastStatus(), 0);
}

// Reset and the three readings end with the error-queue check.
struct CheckedOperation {
    const char* name;
    const char* call;
    std::function<int(CInstrument&)> run;
};

const CheckedOperation kChecked[] = {
    {"Reset", "reset",
     [](CInstrument& i) {
         i.Reset();
         return -1;
     }},
    {"MeasDigPort", "meas", [](CInstrument& i) { return int{i.MeasDigPort(2)}; }},
    {"SensPosPortTran", "pos", [](CInstrument& i) { return int{i.SensPosPortTran(2)}; }},
    {"SensNegPortTran", "neg", [](CInstrument& i) { return int{i.SensNegPortTran(2)}; }},
};

TEST_F(DriverInstrumentFake, SuccessWithAnEmptyQueueReturnsTheLow16Bits) {
    for (const auto& op : kChecked) {
        g_fake = FakeDriver();
        g_fake.value = 0x1ABCD;
        g_fake.status = 0x3FFF0006;  // a warning is success
        CDriverInstrument instrument(1, table);
        const int result = op.run(instrument);
        if (std::string(op.name) != "Reset") {
            EXPECT_EQ(result, 0xABCD) << op.name;
            EXPECT_EQ(g_fake.lastPort, 2) << op.name;
        }
        EXPECT_EQ(g_fake.calls, (std::vector<std::string>{op.call, "error_query"})) << op.name;
        EXPECT_EQ(instrument.GetLastStatus(), 0x3FFF0006) << op.name;
    }
}

TEST_F(DriverInstrumentFake, QueuedEntryAfterSuccessRaisesInstrumentErrorWithItsText) {
    for (const auto& op : kChecked) {
        g_fake = FakeDriver();
        g_fake.queue = {{-222, "Data out of range"}, {-100, "second entry"}};
        CDriverInstrument instrument(1, table);
        EXPECT_THROW(op.run(instrument), CUserException) << op.name;
        EXPECT_EQ(instrument.GetLastStatus(), STATUS_INSTRUMENT_ERROR) << op.name;
        EXPECT_EQ(static_cast<std::uint32_t>(instrument.GetLastStatus()), 0xBFFC0D07u);
        EXPECT_STREQ(instrument.GetLastErrorText(), "Data out of range") << op.name;
        EXPECT_EQ(g_fake.queue.size(), 1u) << "only one entry is taken by the check";
    }
}

TEST_F(DriverInstrumentFake, FailedCallRaisesWithItsStatusAndSkipsTheQueue) {
    for (const auto& op : kChecked) {
        g_fake = FakeDriver();
        g_fake.status = VI_ERROR_TMO;
        g_fake.queue = {{-222, "never read"}};
        CDriverInstrument instrument(1, table);
        EXPECT_THROW(op.run(instrument), CUserException) << op.name;
        EXPECT_EQ(instrument.GetLastStatus(), VI_ERROR_TMO) << op.name;
        EXPECT_EQ(g_fake.calls, std::vector<std::string>{op.call}) << op.name;
    }
}

TEST_F(DriverInstrumentFake, FailedQueueQueryCountsAsEmptyUnlessItWroteACode) {
    for (const bool writesCode : {false, true}) {
        g_fake = FakeDriver();
        g_fake.errorQueryStatus = VI_ERROR_TMO;
        g_fake.errorQueryWritesCode = writesCode;
        g_fake.queue = {{-350, "overflow"}};
        CDriverInstrument instrument(1, table);
        if (writesCode) {
            EXPECT_THROW(instrument.MeasDigPort(0), CUserException);
            EXPECT_EQ(instrument.GetLastStatus(), STATUS_INSTRUMENT_ERROR);
        } else {
            EXPECT_NO_THROW(instrument.MeasDigPort(0));
            EXPECT_EQ(instrument.GetLastStatus(), VI_SUCCESS);
        }
    }
}

TEST_F(DriverInstrumentFake, SelfTestReturnsItsTextAndSignedResultAndNeverReadsTheQueue) {
    g_fake.queue = {{-310, "queued"}};
    g_fake.selfTestResult = -1;
    g_fake.text = "RAM test failed";
    CDriverInstrument instrument(1, table);
    int result = 0;
    const char* text = nullptr;
    ASSERT_NO_THROW(text = instrument.SelfTest(&result));
    EXPECT_STREQ(text, "RAM test failed");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(g_fake.calls, std::vector<std::string>{"self_test"});

    g_fake.status = VI_ERROR_TMO;
    EXPECT_THROW(instrument.SelfTest(&result), CUserException);
    EXPECT_EQ(instrument.GetLastStatus(), VI_ERROR_TMO);
}

TEST_F(DriverInstrumentFake, ErrorMessageKeepsItsOwnCallsStatus) {
    CDriverInstrument instrument(1, table);
    g_fake.text = "Timeout expired";
    g_fake.errorMessageStatus = VI_WARN_UNKNOWN_STATUS;
    EXPECT_STREQ(instrument.ErrorMessage(VI_ERROR_TMO), "Timeout expired");
    EXPECT_EQ(instrument.GetLastStatus(), VI_WARN_UNKNOWN_STATUS);

    g_fake.errorMessageStatus = VI_ERROR_INV_OBJECT;
    EXPECT_EQ(instrument.ErrorMessage(VI_ERROR_TMO), nullptr);
    EXPECT_EQ(instrument.GetLastStatus(), VI_ERROR_INV_OBJECT);
}

TEST_F(DriverInstrumentFake, ErrorQueryNeverRaisesAndLeavesTheCodeAloneOnFailure) {
    g_fake.status = VI_ERROR_TMO;
    CDriverInstrument instrument(1, table);
    EXPECT_THROW(instrument.Reset(), CUserException);

    g_fake.queue = {{-113, "Undefined header"}};
    int code = 99;
    EXPECT_STREQ(instrument.ErrorQuery(&code), "Undefined header");
    EXPECT_EQ(code, -113);
    EXPECT_STREQ(instrument.GetLastErrorText(), "Undefined header");
    EXPECT_EQ(instrument.GetLastStatus(), VI_ERROR_TMO) << "not changed by ErrorQuery";

    g_fake.errorQueryStatus = VI_ERROR_IO;
    code = 99;
    EXPECT_EQ(instrument.ErrorQuery(&code), nullptr);
    EXPECT_EQ(code, 99);
    EXPECT_EQ(instrument.GetLastStatus(), VI_ERROR_TMO);
}

TEST_F(DriverInstrumentFake, UnterminatedTextsAreCutAtTheBufferEnd) {
    g_fake.unterminated = true;
    CDriverInstrument instrument(1, table);
    const std::string full(kDriverTextSize, 'x');
    int result = 0;
    EXPECT_EQ(instrument.SelfTest(&result), full);
    EXPECT_EQ(instrument.ErrorMessage(VI_ERROR_TMO), full);
    int code = 0;
    EXPECT_EQ(instrument.ErrorQuery(&code), full);
    g_fake.queue = {{-1, "ignored: the buffer is filled"}};
    EXPECT_THROW(instrument.MeasDigPort(0), CUserException);
    EXPECT_EQ(instrument.GetLastErrorText(), full);
}

// The fake's registers answer whatever value is set, as a module's latches read by someone else
// in between would.
TEST_F(DriverInstrumentFake, EachReaderTakesEveryEdgeOnceWhoeverReadTheRegister) {
    CDriverInstrument instrument(1, table);
    const auto take = [&](EdgeReader reader, bool positive, int port, ViUInt32 registerValue) {
        g_fake.value = registerValue;
        return int{positive ? instrument.TakePosEdges(reader, port)
                            : instrument.TakeNegEdges(reader, port)};
    };
    const EdgeReader panel = EdgeReader::Panel;
    const EdgeReader monitor = EdgeReader::Monitor;
    EXPECT_EQ(take(monitor, true, 1, 0x1), 0x1);
    EXPECT_EQ(take(panel, true, 1, 0x2), 0x3) << "with the edge the monitor took";
    EXPECT_EQ(take(panel, true, 1, 0x0), 0x0) << "taken once";
    EXPECT_EQ(take(panel, true, 2, 0x8), 0x8);
    EXPECT_EQ(take(monitor, false, 1, 0x0), 0x0) << "directions are kept apart";
    EXPECT_EQ(take(monitor, true, 1, 0x0), 0x2);
    EXPECT_EQ(take(monitor, true, 2, 0x0), 0x8) << "ports are kept apart";
    EXPECT_EQ(g_fake.lastPort, 2);

    // A reset clears the module's latches, and with them what is kept for the others.
    EXPECT_EQ(take(panel, false, 3, 0x10), 0x10);
    instrument.Reset();
    EXPECT_EQ(take(monitor, false, 3, 0x0), 0x0);
    EXPECT_EQ(take(panel, true, 0, 0x20), 0x20);
    instrument.ClearPendingEdges();
    EXPECT_EQ(take(monitor, true, 0, 0x0), 0x0);

    // A failed read takes nothing from what is kept.
    EXPECT_EQ(take(monitor, true, 0, 0x40), 0x40);
    g_fake.status = VI_ERROR_TMO;
    EXPECT_THROW(take(panel, true, 0, 0x0), CUserException);
    g_fake.status = VI_SUCCESS;
    EXPECT_EQ(take(panel, true, 0, 0x0), 0x40);
}

TEST_F(DriverInstrumentFake, PortsBeyondSixteenBitsAreNotWrappedOntoRealPorts) {
    CDriverInstrument instrument(1, table);
    for (const auto& [port, passed] : std::vector<std::pair<int, int>>{
             {0, 0}, {3, 3}, {-1, -1}, {65536, -1}, {65539, -1}, {-65536, -1}}) {
        instrument.MeasDigPort(port);
        EXPECT_EQ(g_fake.lastPort, passed) << port;
    }
}

}  // namespace
