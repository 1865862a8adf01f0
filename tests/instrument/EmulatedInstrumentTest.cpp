#include <gtest/gtest.h>

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
