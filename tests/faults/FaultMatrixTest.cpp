// The whole program started in-process on the substitute libraries, one fault at a time. Every
// case must end in a running program: the user told why, an instrument present, and a panel
// whose next reading either works or is reported cleanly. Leaks show under the asan preset.
//
// Covered elsewhere and not repeated here (tests/connection): a missing VISA or driver library,
// VISA without viFindNext, a driver without init, timeOut, measDigPort_Q or sensPosPortTran_Q,
// init failing, the search failing at once or after the module was found, interface, model and
// slot attributes failing, and the 100-byte identification without a terminator.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "common/RecordingPlatform.h"
#include "common/SimSupport.h"
#include "instrument/StatusReporting.h"
#include "panel/Pan1Dlg.h"
#include "platform/DialogItems.h"

namespace {

// The texts exactly as the user reads them.
const char* const kNoVisa = "Could not find VISA.DLL.  Creating non live panel.";
const char* const kBadDriver = "Bad driver .dll file.";
const char* const kNotFound = "Did not find an AQ K3310 instrument.  Creating non live panel.";
const char* const kInitFailed = "Instrument  _init failed!  Creating non live panel.";
const char* const kReportPrefix = "Instrument reports error: ";
constexpr int kResourceDisplayId = 1011;

const std::vector<std::string> kEmulatedReadouts = {"65535", "65535", "65535"};
const std::vector<std::string> kModuleReadouts = {"4660", "0", "0"};

std::string Module(const std::string& name, const std::string& extra = "") {
    return "resources:\n  - {name: '" + name +
           "', interface: vxi, slot: 24, manufacturer: 0xFFF, model: 0x154, "
           "module: {ports: [0x1234]}" +
           extra + "}\n";
}
const std::string kOneModule = Module("VXI0::24::INSTR");

class Faults : public ::testing::Test {
protected:
    void TearDown() override { Stop(); }

    // The real start-up: connection on the libraries named, frame, panel and its first reading.
    void Start(const std::string& yaml, const std::string& commandLine = "",
               const std::string& visa = "libvisa.so",
               const std::string& driver = "libaqk3310.so") {
        Stop();
        g_hDriverLib.Release();
        platform.events.clear();
        scenario = std::make_unique<CScenarioFile>(yaml);
        app = std::make_unique<CSfpApp>(commandLine);
        app->m_visaLibraryNames = {visa};
        app->m_strDriverLibraryName = driver;
        app->InitInstance();
        frame = app->m_pMainWnd;
        ASSERT_NE(frame.data(), nullptr);
        panel = frame->Client()->findChild<CPan1Dlg*>();
        ASSERT_NE(panel.data(), nullptr);
        ASSERT_NE(app->m_pInstrument, nullptr);
        EXPECT_TRUE(frame->isVisible());
        EXPECT_EQ(platform.waitDepth, 0) << "the busy cursor is gone";
        EXPECT_TRUE(platform.timerRunning);
    }
    void Stop() {
        if (frame != nullptr) {
            frame->DestroyWindow();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        app.reset();
        scenario.reset();
    }
    std::vector<std::string> Readouts() const {
        return {panel->ReadoutText(IDC_PORT_VALUE), panel->ReadoutText(IDC_POS_EDGE_REG),
                panel->ReadoutText(IDC_NEG_EDGE_REG)};
    }
    std::string ShownResource() const {
        return GetDlgItem(panel, kResourceDisplayId)->accessibleDescription().toStdString();
    }
    // Takes a reading from the panel; returns what it said.
    std::vector<std::string> TakeReading() {
        platform.events.clear();
        panel->OnTakeReading();
        EXPECT_TRUE(platform.timerRunning) << "the tick goes on";
        return platform.Boxes();
    }

    CRecordingPlatform platform;
    std::unique_ptr<CScenarioFile> scenario;
    std::unique_ptr<CSfpApp> app;
    QPointer<CMainFrame> frame;
    QPointer<CPan1Dlg> panel;
};

TEST_F(Faults, VisaLackingAnEntryPointRunsTheNonLivePanel) {
    // viFindNext is in tests/connection.
    for (const char* missing : {"viOpenDefaultRM", "viFindRsrc", "viOpen", "viGetAttribute",
                                "viWrite", "viRead", "viClose"}) {
        Start(kOneModule, "", std::string("libvisa_no_") + missing + ".so");
        EXPECT_EQ(platform.Boxes(), std::vector<std::string>{kNoVisa}) << missing;
        EXPECT_FALSE(app->m_pInstrument->IsLive()) << missing;
        EXPECT_EQ(app->m_crStatus, kColorDarkGrey);
        EXPECT_EQ(ShownResource(), "Emulated") << missing;
        EXPECT_EQ(Readouts(), kEmulatedReadouts) << missing;
        EXPECT_TRUE(TakeReading().empty()) << missing;
        EXPECT_EQ(Readouts(), kEmulatedReadouts) << missing;
    }
}

TEST_F(Faults, DriverLackingAnOperationRunsTheNonLivePanel) {
    // init, timeOut, measDigPort_Q and sensPosPortTran_Q are in tests/connection.
    for (const char* missing :
         {"self_test", "reset", "error_query", "error_message", "sensNegPortTran_Q"}) {
        Start(kOneModule, "", "libvisa.so", std::string("libaqk3310_no_") + missing + ".so");
        EXPECT_EQ(platform.Boxes(), std::vector<std::string>{kBadDriver}) << missing;
        EXPECT_FALSE(app->m_pInstrument->IsLive()) << missing;
        EXPECT_EQ(ShownResource(), "VXI0::24") << "the module that was tried: " << missing;
        EXPECT_TRUE(TakeReading().empty()) << missing;
        EXPECT_EQ(Readouts(), kEmulatedReadouts) << missing;
    }
}

TEST_F(Faults, ConnectionFaultsEndInAPanelThatReads) {
    const std::string name255 = "VXI0::24::" + std::string(238, '7') + "::INSTR";
    const std::string longName(99997, 'q');
    ASSERT_EQ(name255.size(), 255u);
    const struct {
        const char* what;
        std::string yaml;
        std::string commandLine;
        std::vector<std::string> boxes;
        std::string shown;
    } cases[] = {
        {"search fails before the module is reached",
         "search: {fail_after: 1, fail_status: VI_ERROR_IO}\n"
         "resources:\n  - {name: GPIB0::9::INSTR, idn: 'OTHERCO,DMM'}\n" +
             kOneModule.substr(kOneModule.find('\n') + 1),
         "",
         {kNotFound},
         "Emulated"},
        {"interface type cannot be read",
         Module("VXI0::24::INSTR", ", attribute_status: {interface: VI_ERROR_IO}"),
         "",
         {kNotFound},
         "Emulated"},
        {"manufacturer cannot be read",
         Module("VXI0::24::INSTR", ", attribute_status: {manufacturer: VI_ERROR_NSUP_ATTR}"),
         "",
         {kNotFound},
         "Emulated"},
        {"a name of 255 characters is found and opened", Module(name255), "", {}, name255},
        {"a name of 255 characters is opened directly",
         Module(name255),
         "/a " + name255,
         {},
         name255},
        {"100,000 characters with /a at the end",
         kOneModule,
         std::string(99998, 'x') + "/a",
         {kInitFailed},
         ""},
        {"/a with a name of 99,997 characters",
         kOneModule,
         "/a " + longName,
         {kInitFailed},
         std::string(99997, 'Q')},
    };
    for (const auto& c : cases) {
        Start(c.yaml, c.commandLine);
        EXPECT_EQ(platform.Boxes(), c.boxes) << c.what;
        const bool live = c.boxes.empty();
        EXPECT_EQ(app->m_pInstrument->IsLive(), live) << c.what;
        EXPECT_EQ(ShownResource(), c.shown) << c.what;
        EXPECT_TRUE(TakeReading().empty()) << c.what;
        EXPECT_EQ(Readouts(), live ? kModuleReadouts : kEmulatedReadouts) << c.what;
    }
}

TEST_F(Faults, ErrorQueueThatNeverEmptiesIsReadOutABoundedNumberOfTimes) {
    Start(Module("VXI0::24::INSTR", ", misbehave: [endless_error_queue]"));
    ASSERT_TRUE(app->m_pInstrument->IsLive());
    // The first reading, at start-up, already finds the queue full.
    std::vector<std::string> expected(kMaxErrorBoxes,
                                      std::string(kReportPrefix) + "Queue overflow");
    expected.push_back(ComposeFurtherErrors(
        std::vector<QueuedError>(kMaxErrorQueueMessages - kMaxErrorBoxes, {-350, "Queue overflow"}),
        true));
    EXPECT_EQ(platform.Boxes(), expected);
    const std::vector<std::string> before = Readouts();
    EXPECT_EQ(TakeReading(), expected) << "each reading reports again, and ends";
    EXPECT_EQ(platform.Count("beep"), kMaxErrorBoxes + 1);
    EXPECT_EQ(platform.events.back(), "timer+1:300");
    EXPECT_EQ(Readouts(), before) << "a failed reading leaves the read-outs";
}

TEST_F(Faults, DriverTextsThatFillTheirBufferAreShownWhole) {
    const std::string queued =
        ", module: {ports: [0x1234], errors: [{code: -310, text: 'Power-on "
        "check'}], fail: [{command: 'MEAS:DIG:PORT?', status: VI_ERROR_IO, "
        "skip: 2, times: 1}]}";
    const std::string base =
        "resources:\n  - {name: VXI0::24::INSTR, slot: 24, manufacturer: 0xFFF, model: 0x154";
    const struct {
        const char* misbehaviour;
        std::size_t length;  // of every driver text the user sees
        char fill;           // what the driver put after the text
    } cases[] = {
        {"long_texts", 255, ' '},         // cut to 255 and terminated
        {"unterminated_text", 256, '#'},  // all 256 bytes, no terminator
    };
    for (const auto& c : cases) {
        Start(base + queued + ", misbehave: [" + c.misbehaviour + "]}\n");
        ASSERT_TRUE(app->m_pInstrument->IsLive()) << c.misbehaviour;
        // Start-up's reading finds the queued entry: one message, the whole text.
        const std::vector<std::string> boxes = platform.Boxes();
        ASSERT_EQ(boxes.size(), 1u) << c.misbehaviour;
        const std::string entry = boxes[0].substr(std::string(kReportPrefix).size());
        EXPECT_EQ(boxes[0].rfind(kReportPrefix, 0), 0u) << boxes[0];
        EXPECT_EQ(entry.size(), c.length) << c.misbehaviour;
        EXPECT_EQ(entry.substr(0, 15), "Power-on check" + std::string(1, c.fill));
        // The next reading works; the one after fails and is described by the driver's text.
        EXPECT_TRUE(TakeReading().empty()) << c.misbehaviour;
        EXPECT_EQ(Readouts(), kModuleReadouts) << c.misbehaviour;
        const std::vector<std::string> described = TakeReading();
        ASSERT_EQ(described.size(), 1u) << c.misbehaviour;
        EXPECT_EQ(described[0].rfind("VI_ERROR_IO", 0), 0u) << described[0];
        EXPECT_EQ(described[0].size() == 256 && described[0].back() == '#', c.fill == '#')
            << described[0];
        EXPECT_TRUE(TakeReading().empty()) << "the fault has passed: " << c.misbehaviour;
    }
}

}  // namespace
