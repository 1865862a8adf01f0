#include <gtest/gtest.h>

#include <cstring>

#include "common/RecordingPlatform.h"
#include "instrument/EmulatedInstrument.h"

TEST(EmulatedInstrument, ReadsAllOnesOnEveryPortEvenOutOfRange) {
    CEmulatedInstrument instrument;
    for (int port : {0, 1, 2, 3, -1, 4, 1000}) {
        EXPECT_EQ(instrument.MeasDigPort(port), 0xFFFF) << port;
        EXPECT_EQ(instrument.SensPosPortTran(port), 0xFFFF) << port;
        EXPECT_EQ(instrument.SensNegPortTran(port), 0xFFFF) << port;
    }
}

TEST(EmulatedInstrument, FixedAnswersNeverChangeStatusOrErrorText) {
    CRecordingPlatform platform;
    CEmulatedInstrument instrument;
    EXPECT_FALSE(instrument.IsLive());
    EXPECT_EQ(instrument.GetLastStatus(), 0);

    int result = 42;
    EXPECT_STREQ(instrument.SelfTest(&result), "Self Test Passed");
    EXPECT_EQ(result, 0);

    int code = 7;
    const char* text = instrument.ErrorQuery(&code);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_STREQ(text, "");

    for (ViStatus s : {VI_ERROR_TMO, STATUS_INSTRUMENT_ERROR, ViStatus{0}, ViStatus{-1}}) {
        EXPECT_EQ(instrument.ErrorMessage(s), nullptr) << s;
    }
    instrument.Reset();
    instrument.MeasDigPort(2);
    EXPECT_EQ(instrument.GetLastStatus(), 0);
    EXPECT_STREQ(instrument.GetLastErrorText(), "");
}

TEST(EmulatedInstrument, EveryResetShowsItsOwnMessageOnce) {
    CRecordingPlatform platform;
    CEmulatedInstrument instrument;
    instrument.Reset();
    instrument.Reset();
    EXPECT_EQ(platform.Boxes(),
              (std::vector<std::string>{"This is my NON LIVE RESET", "This is my NON LIVE RESET"}));
    EXPECT_EQ(platform.Count("beep"), 0);
}

TEST(VisaTypes, StatusConstantsAreNegativeSignedValues) {
    static_assert(sizeof(ViStatus) == 4 && sizeof(ViSession) == 4, "fixed width");
    EXPECT_LT(STATUS_INSTRUMENT_ERROR, 0);
    EXPECT_LT(VI_ERROR_TMO, 0);
    // A status that came through a signed 32-bit driver return compares equal.
    std::int32_t fromDriver;
    const std::uint32_t bits = 0xBFFF0015u;
    std::memcpy(&fromDriver, &bits, sizeof bits);
    EXPECT_EQ(fromDriver, VI_ERROR_TMO);
}
