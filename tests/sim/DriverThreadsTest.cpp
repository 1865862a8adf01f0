// Threads sharing one driver session: every call gets the reply to its own command. Run under
// ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/SimSupport.h"
#include "common/TestPlatform.h"
#include "instrument/DriverApi.h"
#include "platform/native/DynamicLibrary.h"

namespace {

TEST(SimDriverThreads, OneSessionManyThreadsNoCrossedReplies) {
    CScenarioFile scenario(R"(
resources:
  - name: VXI0::24::INSTR
    module: {ports: [0x1111, 0x2222, 0x3333, 0x4444]}
)");
    CDynamicLibrary library = CDynamicLibrary::Load(SimLibrary("aqk3310"));
    ASSERT_TRUE(library.IsLoaded());
    const auto init = LookupFunction<Aqk3310InitFn>(library, "aqk3310_init");
    const auto close = LookupFunction<Aqk3310CloseFn>(library, "aqk3310_close");
    const auto meas = LookupFunction<Aqk3310PortQueryFn>(library, "aqk3310_measDigPort_Q");
    ASSERT_TRUE(init && close && meas);
    ViSession vi = VI_NULL;
    ASSERT_EQ(init("VXI0::24::INSTR", 1, 0, &vi), VI_SUCCESS);
    std::atomic<int> wrong{0};
    std::atomic<int> failed{0};
    std::vector<std::thread> threads;
    for (ViInt16 port = 0; port < 4; ++port) {
        threads.emplace_back([&, port] {
            const ViUInt16 expected = static_cast<ViUInt16>(0x1111 * (port + 1));
            for (int i = 0; i < 300; ++i) {
                ViUInt16 value = 0;
                const ViStatus status = meas(vi, port, &value);
                failed += status != VI_SUCCESS;
                wrong += status == VI_SUCCESS && value != expected;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(wrong, 0) << "a call returned another port's value";
    EXPECT_EQ(close(vi), VI_SUCCESS);
}

}  // namespace
