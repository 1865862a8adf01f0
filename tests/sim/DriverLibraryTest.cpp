// The substitute K3310 driver through its C interface, and the live instrument on top of it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/RecordingPlatform.h"
#include "common/SimSupport.h"
#include "common/TestPlatform.h"
#include "instrument/DriverApi.h"
#include "instrument/DriverInstrument.h"
#include "instrument/StatusReporting.h"
#include "platform/native/DynamicLibrary.h"
#include "sim/driver/Aqk3310Status.h"

namespace {

const char* const kModule = R"(
resources:
  - name: VXI0::24::INSTR
    slot: 24
    manufacturer: 0xFFF
    model: 0x154
    module:
      ports: [0x1234, 0x0001, 0xFFFF, {mode: walk}]
      self_test: {result: -1, message: "Input 7 stuck"}
      errors: [{code: -310, text: "Power-on check"}, {code: -100, text: "Command error"}]
  - {name: GPIB0::9::INSTR, idn: "OTHERCO,METER,1,1.0"}
  - {name: GPIB0::10::INSTR, idn: "ZENTRAX-MOLBURY,K3310,5,2.1", module: {}}
  - {name: GPIB0::11::INSTR, idn: "NOFIELDS"}
  - {name: ASRL1::INSTR}
)";

class SimDriver : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.IsLoaded()) << "the sim library folder must be on the library path";
        init = LookupFunction<Aqk3310InitFn>(library, "aqk3310_init");
        timeOut = LookupFunction<Aqk3310TimeOutFn>(library, "aqk3310_timeOut");
        close = LookupFunction<Aqk3310CloseFn>(library, "aqk3310_close");
        selfTest = LookupFunction<Aqk3310SelfTestFn>(library, "aqk3310_self_test");
        reset = LookupFunction<Aqk3310ResetFn>(library, "aqk3310_reset");
        errorQuery = LookupFunction<Aqk3310ErrorQueryFn>(library, "aqk3310_error_query");
        errorMessage = LookupFunction<Aqk3310ErrorMessageFn>(library, "aqk3310_error_message");
        meas = LookupFunction<Aqk3310PortQueryFn>(library, "aqk3310_measDigPort_Q");
        pos = LookupFunction<Aqk3310PortQueryFn>(library, "aqk3310_sensPosPortTran_Q");
        neg = LookupFunction<Aqk3310PortQueryFn>(library, "aqk3310_sensNegPortTran_Q");
        revision = LookupFunction<Aqk3310RevisionQueryFn>(library, "aqk3310_revision_query");
        ASSERT_TRUE(init && timeOut && close && selfTest && reset && errorQuery && errorMessage &&
                    meas && pos && neg && revision);
    }
    ViSession Init(const char* name, ViBoolean idQuery = 0, ViBoolean resetFlag = 0) {
        ViSession vi = VI_NULL;
        EXPECT_EQ(init(name, idQuery, resetFlag, &vi), VI_SUCCESS) << name;
        return vi;
    }

    CDynamicLibrary library = CDynamicLibrary::Load(SimLibrary("aqk3310"));
    CSimHooks hooks;
    Aqk3310InitFn init = nullptr;
    Aqk3310TimeOutFn timeOut = nullptr;
    Aqk3310CloseFn close = nullptr;
    Aqk3310SelfTestFn selfTest = nullptr;
    Aqk3310ResetFn reset = nullptr;
    Aqk3310ErrorQueryFn errorQuery = nullptr;
    Aqk3310ErrorMessageFn errorMessage = nullptr;
    Aqk3310PortQueryFn meas = nullptr;
    Aqk3310PortQueryFn pos = nullptr;
    Aqk3310PortQueryFn neg = nullptr;
    Aqk3310RevisionQueryFn revision = nullptr;
};

TEST_F(SimDriver, InitGivesASessionOrLeavesNull) {
    CScenarioFile scenario(kModule);
    const struct {
        const char* name;
        ViBoolean idQuery;
        ViStatus status;
    } cases[] = {
        {"VXI0::24::INSTR", 0, VI_SUCCESS},
        {"vxi0::24::instr", 1, VI_SUCCESS},
        {"GPIB0::10::INSTR", 1, VI_SUCCESS},
        {"GPIB0::9::INSTR", 0, VI_SUCCESS},
        {"GPIB0::9::INSTR", 1, VI_ERROR_FAIL_ID},
        {"ASRL1::INSTR", 1, VI_ERROR_TMO},
        {"VXI0::99::INSTR", 0, VI_ERROR_RSRC_NFOUND},
        {"", 0, VI_ERROR_INV_RSRC_NAME},
        {nullptr, 0, VI_ERROR_PARAMETER1},
    };
    for (const auto& c : cases) {
        ViSession vi = 77;
        EXPECT_EQ(init(c.name, c.idQuery, 0, &vi), c.status) << (c.name ? c.name : "null");
        if (c.status < 0) {
            EXPECT_EQ(vi, VI_NULL) << (c.name ? c.name : "null");
        } else {
            EXPECT_EQ(close(vi), VI_SUCCESS);
        }
    }
    EXPECT_EQ(init("VXI0::24::INSTR", 0, 0, nullptr), AQK3310_ERROR_PARAMETER4);
    EXPECT_EQ(hooks.OpenSessions(), 0) << "failed inits leave nothing open";
}

TEST_F(SimDriver, ReadingsQueueAndSelfTestSpeakForTheModule) {
    CScenarioFile scenario(kModule);
    const ViSession vi = Init("VXI0::24::INSTR");
    ViUInt16 value = 0;
    const ViUInt16 fixed[] = {0x1234, 0x0001, 0xFFFF};
    for (ViInt16 port = 0; port < 3; ++port) {
        EXPECT_EQ(meas(vi, port, &value), VI_SUCCESS);
        EXPECT_EQ(value, fixed[port]);
        EXPECT_EQ(pos(vi, port, &value), VI_SUCCESS);
        EXPECT_EQ(value, 0) << "a fixed port has no edges";
    }
    EXPECT_EQ(pos(vi, 3, &value), VI_SUCCESS);
    EXPECT_NE(value, 0) << "the walking port has";
    EXPECT_EQ(neg(vi, 3, &value), VI_SUCCESS);
    EXPECT_NE(value, 0);
    for (const ViInt16 bad : {ViInt16{-1}, ViInt16{4}, ViInt16{1000}}) {
        EXPECT_EQ(meas(vi, bad, &value), VI_ERROR_PARAMETER2) << bad;
    }
    EXPECT_EQ(meas(vi, 0, nullptr), VI_ERROR_PARAMETER3);

    ViInt32 code = 0;
    ViChar text[kDriverTextSize];
    EXPECT_EQ(errorQuery(vi, &code, text), VI_SUCCESS);
    EXPECT_EQ(code, -310);
    EXPECT_STREQ(text, "Power-on check");
    errorQuery(vi, &code, text);
    errorQuery(vi, &code, text);
    EXPECT_EQ(code, 0);

    ViInt16 result = 0;
    EXPECT_EQ(selfTest(vi, &result, text), VI_SUCCESS);
    EXPECT_EQ(result, -1);
    EXPECT_STREQ(text, "Input 7 stuck");
    EXPECT_EQ(selfTest(vi, nullptr, text), VI_ERROR_PARAMETER2);

    ViChar instrument[kDriverTextSize];
    EXPECT_EQ(revision(vi, text, instrument), VI_SUCCESS);
    EXPECT_STREQ(text, "1.0.0");
    EXPECT_STREQ(instrument, "1.0");

    EXPECT_EQ(close(vi), VI_SUCCESS);
    EXPECT_EQ(meas(vi, 0, &value), AQK3310_ERROR_INV_SESSION);
    EXPECT_EQ(close(vi), AQK3310_ERROR_INV_SESSION);
}

TEST_F(SimDriver, FailuresOfTheModuleComeBackAsStatuses) {
    CScenarioFile scenario(R"(
resources:
  - name: VXI0::24::INSTR
    module:
      fail:
        - {command: "MEAS:DIG:PORT?", status: VI_ERROR_TMO}
        - {command: "*RST", status: VI_ERROR_IO}
  - {name: GPIB0::9::INSTR, idn: "NOFIELDS"}
)");
    const ViSession vi = Init("VXI0::24::INSTR");
    ViUInt16 value = 0;
    EXPECT_EQ(meas(vi, 0, &value), VI_ERROR_TMO);
    EXPECT_EQ(reset(vi), VI_ERROR_IO);
    const ViSession other = Init("GPIB0::9::INSTR");
    EXPECT_EQ(meas(other, 0, &value), VI_ERROR_TMO) << "no module answers";
    ViChar a[kDriverTextSize];
    ViChar b[kDriverTextSize];
    EXPECT_EQ(revision(other, a, b), VI_ERROR_INV_RESPONSE);
    close(vi);
    close(other);
}

TEST_F(SimDriver, TextsAlwaysFitWithTheirTerminatingZero) {
    CScenarioFile scenario(R"(
resources:
  - name: VXI0::24::INSTR
    module: {errors: [{code: 1, text: "x"}]}
    misbehave: [long_texts]
)");
    const ViSession vi = Init("VXI0::24::INSTR");
    ViChar text[kDriverTextSize + 8];
    std::memset(text, 0x7F, sizeof(text));
    ViInt16 result = 0;
    EXPECT_EQ(selfTest(vi, &result, text), VI_SUCCESS);
    EXPECT_EQ(std::strlen(text), 255u);
    EXPECT_EQ(text[kDriverTextSize], 0x7F) << "nothing written beyond 256 bytes";
    ViInt32 code = 0;
    EXPECT_EQ(errorQuery(vi, &code, text), VI_SUCCESS);
    EXPECT_EQ(std::strlen(text), 255u);
    close(vi);
}

TEST_F(SimDriver, UnterminatedTextMisbehaviourFillsEveryByte) {
    CScenarioFile scenario(R"(
resources:
  - {name: VXI0::24::INSTR, module: {}, misbehave: [unterminated_text]}
)");
    const ViSession vi = Init("VXI0::24::INSTR");
    ViChar text[kDriverTextSize];
    ViInt16 result = 0;
    ViInt32 code = 0;
    ASSERT_EQ(selfTest(vi, &result, text), VI_SUCCESS);
    EXPECT_EQ(std::memchr(text, 0, sizeof(text)), nullptr);
    ASSERT_EQ(errorQuery(vi, &code, text), VI_SUCCESS);
    EXPECT_EQ(std::memchr(text, 0, sizeof(text)), nullptr);
    ASSERT_GE(errorMessage(vi, VI_ERROR_TMO, text), 0);
    EXPECT_EQ(std::memchr(text, 0, sizeof(text)), nullptr);
    close(vi);
}

TEST_F(SimDriver, ErrorMessageWorksWithoutASession) {
    const struct {
        ViStatus status;
        ViStatus result;
        const char* part;
    } cases[] = {
        {VI_ERROR_TMO, VI_SUCCESS, "time-out"},
        {VI_ERROR_PARAMETER2, VI_SUCCESS, "port"},
        {VI_ERROR_FAIL_ID, VI_SUCCESS, "K3310"},
        {STATUS_INSTRUMENT_ERROR, VI_SUCCESS, "error queue"},
        {ViStatusFromBits(0xBFFC0999), VI_WARN_UNKNOWN_STATUS, "BFFC0999"},
    };
    for (const auto& c : cases) {
        ViChar text[kDriverTextSize];
        std::memset(text, 'x', sizeof(text));
        EXPECT_EQ(errorMessage(VI_NULL, c.status, text), c.result) << std::hex << c.status;
        ASSERT_NE(std::memchr(text, 0, sizeof(text)), nullptr);
        EXPECT_NE(std::string(text).find(c.part), std::string::npos) << text;
    }
    EXPECT_EQ(errorMessage(VI_NULL, VI_ERROR_TMO, nullptr), VI_ERROR_PARAMETER3);
}

TEST_F(SimDriver, VariantsLackExactlyTheirOneFunction) {
    const char* const functions[] = {"init",          "timeOut",           "self_test",
                                     "reset",         "error_query",       "error_message",
                                     "measDigPort_Q", "sensPosPortTran_Q", "sensNegPortTran_Q"};
    for (const char* missing : functions) {
        CDynamicLibrary variant =
            CDynamicLibrary::Load(SimLibrary(std::string("aqk3310_no_") + missing));
        ASSERT_TRUE(variant.IsLoaded()) << missing;
        for (const char* function : functions) {
            const std::string name = std::string("aqk3310_") + function;
            EXPECT_EQ(variant.Lookup(name.c_str()) == nullptr, function == missing) << name;
        }
    }
}

// The live instrument over the substitute driver, loaded by name.
class SimDriverInstrument : public SimDriver {
protected:
    std::unique_ptr<CDriverInstrument> MakeInstrument(const char* name) {
        ViSession vi = Init(name);
        auto instrument = std::make_unique<CDriverInstrument>(vi, library);
        EXPECT_FALSE(library.IsLoaded()) << "the instrument took the library over";
        return instrument;
    }
    CRecordingPlatform platform;
};

TEST_F(SimDriverInstrument, QueuedEntriesRaiseAndAreReportedOneByOne) {
    CScenarioFile scenario(R"(
resources:
  - name: VXI0::24::INSTR
    module:
      ports: [0x0F0F]
      errors_after: [{command: "SENS:POS:PORT:TRAN?", code: -222, text: "Data out of range", times: 1},
                     {command: "SENS:POS:PORT:TRAN?", code: -100, text: "Second", times: 1}]
)");
    auto instrument = MakeInstrument("VXI0::24::INSTR");
    EXPECT_EQ(instrument->MeasDigPort(0), 0x0F0F);
    EXPECT_THROW(instrument->SensPosPortTran(0), CUserException);
    EXPECT_EQ(instrument->GetLastStatus(), STATUS_INSTRUMENT_ERROR);
    ReportInstrumentStatus(instrument->GetLastStatus(), *instrument);
    EXPECT_EQ(platform.Boxes(),
              (std::vector<std::string>{"Instrument reports error: Data out of range",
                                        "Instrument reports error: Second"}));
    EXPECT_EQ(instrument->SensNegPortTran(0), 0);
}

TEST_F(SimDriverInstrument, EndlessQueueOfLongTextsEndsAndShowsWholeTexts) {
    CScenarioFile scenario(R"(
resources:
  - name: VXI0::24::INSTR
    module: {errors: [{code: -350, text: "Overflow"}]}
    misbehave: [long_texts, endless_error_queue]
)");
    auto instrument = MakeInstrument("VXI0::24::INSTR");
    EXPECT_THROW(instrument->Reset(), CUserException);
    ReportInstrumentStatus(instrument->GetLastStatus(), *instrument);
    const auto boxes = platform.Boxes();
    ASSERT_EQ(static_cast<int>(boxes.size()), kMaxErrorBoxes + 1);
    EXPECT_EQ(boxes[kMaxErrorBoxes - 1].size(),
              std::string("Instrument reports error: ").size() + 255);
}

TEST_F(SimDriverInstrument, LibraryLackingAnOperationStaysWithTheCaller) {
    CScenarioFile scenario(kModule);
    CDynamicLibrary lacking = CDynamicLibrary::Load(SimLibrary("aqk3310_no_sensPosPortTran_Q"));
    ASSERT_TRUE(lacking.IsLoaded());
    EXPECT_THROW(CDriverInstrument(Init("VXI0::24::INSTR"), lacking), CUserException);
    EXPECT_TRUE(lacking.IsLoaded());
}

TEST_F(SimDriverInstrument, DestructionUnloadsTheLibrary) {
    CScenarioFile scenario(kModule);
    auto instrument = MakeInstrument("VXI0::24::INSTR");
    ASSERT_TRUE(IsLibraryInProcess(SimLibrary("aqk3310")));
    instrument.reset();
    EXPECT_FALSE(IsLibraryInProcess(SimLibrary("aqk3310")));
}

}  // namespace
