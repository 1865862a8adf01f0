// Auto Update against a flaky simulated module for many ticks, through the frame's tick path:
// every tick is handled, every injected fault is reported exactly once, and memory stays flat.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <cstddef>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "common/RecordingPlatform.h"
#include "common/SimSupport.h"
#include "panel/Pan1Dlg.h"
#include "resources/MenuResource.h"

#if defined(__SANITIZE_ADDRESS__)
#define SFP_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SFP_SOAK_ASAN 1
#endif
#endif
#if defined(SFP_SOAK_ASAN)
// From the sanitizer runtime; declared here because GCC ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

constexpr int kTicks = 20000;
constexpr int kWarmUpTicks = 2000;
constexpr int kTimeOutEvery = 50;
constexpr int kErrorEvery = 70;
constexpr long kGrowthBound = 2L * 1024 * 1024;

// Start-up's own reading passes; after it one reading in 50 times out, and one in 70 of those
// that get through queues an error (a command that times out never runs, so queues nothing).
const char* const kFlakyModule = R"(
resources:
  - name: VXI0::24::INSTR
    slot: 24
    manufacturer: 0xFFF
    model: 0x154
    module:
      ports: [{mode: count, start: 0, step: 1}]
      fail: [{command: "MEAS:DIG:PORT?", status: VI_ERROR_TMO, skip: 1, every: 50}]
      errors_after:
        - {command: "MEAS:DIG:PORT?", code: -222, text: "Data out of range", skip: 1, every: 70}
)";

// Resident memory. Under AddressSanitizer freed blocks wait in its quarantine and stay
// resident, so there the allocator's count of live bytes stands in for it.
long MemoryInUse() {
#if defined(SFP_SOAK_ASAN)
    return static_cast<long>(__sanitizer_get_current_allocated_bytes());
#else
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
#endif
}

TEST(Soak, AutoUpdateOnAFlakyModuleReportsEachFaultAndStaysFlat) {
    CRecordingPlatform platform;
    CScenarioFile scenario(kFlakyModule);
    CSfpApp app;
    app.m_visaLibraryNames = {"libvisa.so"};
    app.m_strDriverLibraryName = "libaqk3310.so";
    app.InitInstance();
    QPointer<CMainFrame> frame = app.m_pMainWnd;
    ASSERT_NE(frame.data(), nullptr);
    ASSERT_TRUE(app.m_pInstrument->IsLive());
    ASSERT_TRUE(platform.Boxes().empty());
    CPan1Dlg* panel = frame->Client()->findChild<CPan1Dlg*>();
    ASSERT_NE(panel, nullptr);
    frame->OnCommand(ID_AUTO_UPDATE);
    ASSERT_TRUE(platform.tick);

    const std::vector<std::string> timeOut = {"Time Out !"};
    const std::vector<std::string> error = {"Instrument reports error: Data out of range"};
    int timeOuts = 0;
    int errors = 0;
    int unhandled = 0;
    long atWarmUp = 0;
    for (int tick = 1; tick <= kTicks; ++tick) {
        platform.events.clear();
        const std::string before = panel->ReadoutText(IDC_PORT_VALUE);
        platform.tick();
        // The inputs count on every command, so each completed reading shows a new value.
        const bool newReading = panel->ReadoutText(IDC_PORT_VALUE) != before;
        const std::vector<std::string> boxes = platform.Boxes();
        if (!newReading && boxes == timeOut) {
            ++timeOuts;
        } else if (!newReading && boxes == error) {
            ++errors;
        } else if (!newReading || !boxes.empty() || !platform.timerRunning) {
            ADD_FAILURE_AT(__FILE__, __LINE__) << "tick " << tick << ": " << boxes.size();
            if (++unhandled > 5) {
                break;
            }
        }
        if (!boxes.empty()) {
            // A failed timed reading switches Auto Update off; the user switches it on again.
            EXPECT_EQ(app.m_bAutoUpdate, 0) << "tick " << tick;
            if (app.m_bAutoUpdate == 0) {
                frame->OnCommand(ID_AUTO_UPDATE);
            }
        }
        // What the event loop does between two ticks.
        QCoreApplication::processEvents();
        if (tick == kWarmUpTicks) {
            atWarmUp = MemoryInUse();
        }
    }
    const long growth = MemoryInUse() - atWarmUp;
    std::printf("memory growth from tick %d to %d: %ld bytes\n", kWarmUpTicks, kTicks, growth);
    RecordProperty("memory_growth_bytes", std::to_string(growth));

    EXPECT_EQ(unhandled, 0);
    EXPECT_EQ(timeOuts, kTicks / kTimeOutEvery);
    EXPECT_EQ(errors, (kTicks - kTicks / kTimeOutEvery) / kErrorEvery);
    EXPECT_LT(growth, kGrowthBound);

    frame->DestroyWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
