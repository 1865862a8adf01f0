#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "MonitorSupport.h"
#include "common/FakeInstrument.h"
#include "common/RecordingPlatform.h"
#include "monitor/MonitorWindow.h"
#include "monitor/Sampler.h"
#include "monitor/TimingDiagram.h"
#include "platform/native/DynamicLibrary.h"

using namespace monitor_test;

namespace {

// A live module behind a session of the scripted event library, that can be opened again.
class CReopenableInstrument : public CFakeInstrument {
public:
    CReopenableInstrument() : CFakeInstrument(true) { m_session = 42; }
    ViStatus Reopen() override {
        ++reopened;
        return reopenStatus;
    }
    int reopened = 0;
    ViStatus reopenStatus = VI_SUCCESS;
};

using SetFn = void (*)(ViUInt16 stb, ViStatus waitStatus);
using SetStatusFn = void (*)(ViStatus status);
using CountFn = int (*)();

}  // namespace

TEST(MonitorLink, OnChangeNoticesADeadLinkWhileQuietAndReconnectResumes) {
    CRecordingPlatform platform;
    const CDynamicLibrary fake = CDynamicLibrary::Load("libsfp_srq_fake.so");
    ASSERT_TRUE(fake.IsLoaded());
    const auto set = LookupFunction<SetFn>(fake, "srqFakeSet");
    const auto setStbStatus = LookupFunction<SetStatusFn>(fake, "srqFakeSetStbStatus");
    const auto stbReads = LookupFunction<CountFn>(fake, "srqFakeStbReads");
    set(0, VI_ERROR_TMO);  // a quiet module: no service request comes
    setStbStatus(VI_SUCCESS);
    CReopenableInstrument instrument;
    CMonitorWindow window(instrument, {"libsfp_srq_fake.so"});
    ASSERT_TRUE(window.OnChangeOffered());
    window.findChild<QComboBox*>("mode")->setCurrentIndex(1);
    window.Sampler()->SetPulseMs(20);
    window.StartSampling();
    ASSERT_TRUE(WaitFor([&] { return window.History().SampleCount() == 1; }));
    // Quiet, yet the link is looked at again and again, not only after the sample.
    const int before = stbReads();
    ASSERT_TRUE(WaitFor([&] { return stbReads() >= before + 3; }));
    EXPECT_TRUE(window.IsSampling());
    EXPECT_EQ(window.StatusLabel()->text(), "Sampling on change (service requests).");

    setStbStatus(VI_ERROR_CONN_LOST);
    ASSERT_TRUE(WaitFor([&] { return !window.IsSampling(); }));
    EXPECT_EQ(window.StatusLabel()->text(),
              "Sampling stopped: the link to the module was lost (VI_ERROR_CONN_LOST). "
              "Reconnect opens the module again.");
    auto* reconnect = window.findChild<QPushButton*>("reconnect");
    ASSERT_TRUE(reconnect->isEnabled());

    // The link is still down: nothing resumes, and the user is told why.
    instrument.reopenStatus = VI_ERROR_TMO;
    QTest::mouseClick(reconnect, Qt::LeftButton);
    EXPECT_EQ(instrument.reopened, 1);
    EXPECT_FALSE(window.IsSampling());
    EXPECT_EQ(window.StatusLabel()->text(),
              "Reconnect failed: the module did not answer in time (VI_ERROR_TMO).");

    setStbStatus(VI_SUCCESS);
    instrument.reopenStatus = VI_SUCCESS;
    QTest::mouseClick(reconnect, Qt::LeftButton);
    EXPECT_EQ(instrument.reopened, 2);
    EXPECT_TRUE(window.IsSampling());
    EXPECT_FALSE(reconnect->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return window.History().SampleCount() == 2; }));
    window.PauseSampling();
}

TEST(MonitorLink, TimeRunsOnOverAQuietModuleAndStopsWithTheSampling) {
    CRecordingPlatform platform;
    CFakeInstrument instrument(true);
    CMonitorWindow window(instrument, {});
    window.resize(800, 700);
    window.findChild<QSpinBox*>("period")->setValue(10000);  // one sample, then quiet
    window.StartSampling();
    ASSERT_TRUE(WaitFor([&] { return window.History().SampleCount() == 1; }));
    CTimingDiagram* diagram = window.Diagram();
    const std::int64_t sampled = window.History().EndUs();
    ASSERT_TRUE(WaitFor([&] {
        window.OnMarkTimer();
        return diagram->DataEndUs() > sampled;
    }));
    EXPECT_EQ(window.History().SampleCount(), 1u) << "time ran on without a sample";
    window.PauseSampling();
    const std::int64_t stopped = diagram->DataEndUs();
    window.OnMarkTimer();
    EXPECT_EQ(diagram->DataEndUs(), stopped) << "a paused or dead link does not advance";

    // The level is drawn on to now: the last column of the trace is lit.
    window.AddSample(MakeSample(sampled + 1000, {1, 0, 0, 0}));
    diagram->SetNowUs(sampled + 5000000);
    diagram->ZoomToAll();
    const QImage image = diagram->grab().toImage();
    const QRect row = diagram->RowRect(0);
    const int x = row.right() - 1;
    bool lit = false;
    for (int y = row.top(); y <= row.bottom(); ++y) {
        lit = lit || image.pixelColor(x, y).green() > 200;
    }
    EXPECT_TRUE(lit);
}
