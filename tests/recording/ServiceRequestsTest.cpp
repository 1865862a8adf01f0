#include <gtest/gtest.h>

#include <string>

#include "instrument/EmulatedInstrument.h"
#include "instrument/Instrument.h"
#include "platform/native/DynamicLibrary.h"
#include "recording/ServiceRequests.h"

namespace {

class CSessionInstrument : public CInstrument {
public:
    explicit CSessionInstrument(ViSession session) {
        m_session = session;
        m_bLive = 1;
    }
};

using SetFn = void (*)(ViUInt16 stb, ViStatus waitStatus);
using LogFn = const char* (*)();

}  // namespace

TEST(ServiceRequests, EnableWaitAndDisableGoThroughVisasEventFunctions) {
    const CDynamicLibrary fake = CDynamicLibrary::Load("libsfp_srq_fake.so");
    ASSERT_TRUE(fake.IsLoaded());
    const auto set = LookupFunction<SetFn>(fake, "srqFakeSet");
    const auto log = LookupFunction<LogFn>(fake, "srqFakeLog");
    CSessionInstrument instrument(42);
    {
        CServiceRequests requests(instrument, {"libsfp_srq_fake.so"});
        ASSERT_TRUE(requests.Available()) << requests.Reason();
        EXPECT_EQ(requests.Wait(250), VI_ERROR_NSUP_OPER) << "not before Enable";
        ASSERT_GE(requests.Enable(), 0);
        set(0, VI_SUCCESS);
        EXPECT_EQ(requests.Wait(250), VI_SUCCESS);
        set(0, VI_ERROR_TMO);
        EXPECT_EQ(requests.Wait(250), VI_ERROR_TMO);
        // An edge latched while the last sample was read: no request will come, sample now.
        set(CServiceRequests::kChangeBit, VI_ERROR_TMO);
        EXPECT_EQ(requests.Wait(250), VI_SUCCESS);
    }
    EXPECT_EQ(std::string(log()),
              "write 42 *SRE 1$|enable 42 3fff200b 1 0|"
              "stb 42|wait 42 3fff200b 250|close 77|stb 42|"
              "stb 42|wait 42 3fff200b 250|"
              "stb 42|"
              "disable 42 3fff7fff ffff|write 42 *SRE 0$|");
}

TEST(ServiceRequests, UnavailableWithoutEventFunctionsOrALiveModule) {
    CSessionInstrument live(42);
    const CServiceRequests plain(live, {"libsfp_srq_fake_nowait.so"});
    EXPECT_FALSE(plain.Available());
    EXPECT_EQ(plain.Reason(), "the VISA library delivers no service requests");
    CEmulatedInstrument emulated;
    const CServiceRequests none(emulated, {"libsfp_srq_fake.so"});
    EXPECT_FALSE(none.Available());
    EXPECT_EQ(none.Reason(), "no live module");
}
