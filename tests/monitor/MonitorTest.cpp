#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "MonitorSupport.h"
#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "common/FakeInstrument.h"
#include "common/RecordingPlatform.h"
#include "common/SimSupport.h"
#include "common/TestPlatform.h"
#include "instrument/Connection.h"
#include "instrument/EmulatedInstrument.h"
#include "monitor/LampsWidget.h"
#include "monitor/MonitorWindow.h"
#include "monitor/Sampler.h"
#include "monitor/TimingDiagram.h"
#include "resources/MenuResource.h"

using namespace monitor_test;

namespace {

const char* const kFixedModule = R"(resources:
  - name: VXI0::24::INSTR
    slot: 24
    manufacturer: 0xFFF
    model: 0x154
    module:
      ports: [0x8001, 0x0000, 0xA5A5, 0xFFFF]
)";

// Port 0's walking bit passes several bits up and down between two samples.
const char* const kWalkingModule = R"(resources:
  - name: VXI0::24::INSTR
    slot: 24
    manufacturer: 0xFFF
    model: 0x154
    module:
      ports: [{mode: walk, start: 0}, 0, 0, 0]
)";

bool ImageHasColour(const QImage& image, const QRect& area, QColor colour) {
    for (int y = std::max(0, area.top()); y <= std::min(image.height() - 1, area.bottom()); ++y) {
        for (int x = std::max(0, area.left()); x <= std::min(image.width() - 1, area.right());
             ++x) {
            if (image.pixelColor(x, y).rgb() == colour.rgb()) {
                return true;
            }
        }
    }
    return false;
}

// Counts the sampler's complete readings, so that the test's thread can wait on them.
class CCountingInstrument : public CFakeInstrument {
public:
    ViUInt16 SensNegPortTran(int port) override {
        const ViUInt16 value = CFakeInstrument::SensNegPortTran(port);
        if (port == kPortCount - 1) {
            ++readings;
        }
        return value;
    }
    std::atomic<int> readings{0};
};

}  // namespace

TEST(Monitor, LampsFollowThePortValuesOfTheSimulatedModule) {
    CRecordingPlatform platform;
    SimConnection sim(kFixedModule);
    ASSERT_TRUE(sim.state.m_pInstrument->IsLive()) << ::testing::PrintToString(platform.Boxes());
    CMonitorWindow window(*sim.state.m_pInstrument, sim.state.m_visaLibraryNames);
    window.show();
    window.StartSampling();
    ASSERT_TRUE(WaitFor([&] { return window.History().SampleCount() >= 2; }));
    window.PauseSampling();
    const std::uint16_t ports[4] = {0x8001, 0x0000, 0xA5A5, 0xFFFF};
    const CLampStates& states = window.Lamps()->States();
    for (int channel = 0; channel < 64; ++channel) {
        ASSERT_EQ(states.Level(channel), (ports[channel / 16] >> (channel % 16)) & 1) << channel;
        ASSERT_EQ(states.MarkOf(channel), CLampStates::Mark::None) << channel;
    }
    // Lit and dark as drawn: bit 15 of port 0 at the left is high, bit 14 beside it low.
    const QImage image = window.Lamps()->grab().toImage();
    const QColor lit = image.pixelColor(window.Lamps()->LampRect(15).center());
    const QColor dark = image.pixelColor(window.Lamps()->LampRect(14).center());
    EXPECT_GT(lit.green(), 200);
    EXPECT_LT(dark.green(), 100);
    EXPECT_LT(window.Lamps()->LampRect(15).left(), window.Lamps()->LampRect(0).left());
    EXPECT_TRUE(
        window.Lamps()->ToolTipText(37).startsWith("Channel 37 (port 2, bit 5)\nLevel: high"))
        << window.Lamps()->ToolTipText(37).toStdString();
    EXPECT_TRUE(platform.Boxes().empty());

    // A tip that is open follows its lamp.
    const QPoint lamp = window.Lamps()->LampRect(37).center();
    QHelpEvent help(QEvent::ToolTip, lamp, window.Lamps()->mapToGlobal(lamp));
    QApplication::sendEvent(window.Lamps(), &help);
    ASSERT_TRUE(QToolTip::isVisible());
    CLampStates low = states;
    low.Update(MakeSample(window.History().EndUs() + 10000, {0x8001, 0, 0xA585, 0xFFFF}, {},
                          {0, 0, 0x0020, 0}));
    window.Lamps()->SetStates(low);
    EXPECT_TRUE(QToolTip::text().startsWith("Channel 37 (port 2, bit 5)\nLevel: low"))
        << QToolTip::text().toStdString();
    QToolTip::hideText();

    // Reconnect opens the same resource on a new session, and sampling goes on over it.
    const ViSession before = sim.state.m_pInstrument->GetSession();
    const std::size_t taken = window.History().SampleCount();
    window.Reconnect();
    EXPECT_TRUE(window.IsSampling());
    EXPECT_NE(sim.state.m_pInstrument->GetSession(), before);
    ASSERT_TRUE(WaitFor([&] { return window.History().SampleCount() >= taken + 2; }));
    window.PauseSampling();
    EXPECT_EQ(window.History().Last().value[2], 0xA5A5);
    EXPECT_TRUE(platform.Boxes().empty());
}

TEST(Monitor, PulsesOfTheSimulatedModuleAreCaughtAndMarked) {
    CRecordingPlatform platform;
    SimConnection sim(kWalkingModule);
    CMonitorWindow window(*sim.state.m_pInstrument, sim.state.m_visaLibraryNames);
    window.StartSampling();
    ASSERT_TRUE(WaitFor([&] { return window.History().SampleCount() >= 3; }));
    window.PauseSampling();
    std::size_t pulses = 0;
    for (int channel = 0; channel < 16; ++channel) {
        pulses += window.History().Track(channel).PulseCount();
    }
    EXPECT_GT(pulses, 0u);
}

TEST(Monitor, ACaughtPulseIsMarkedOnItsLampAndInTheDiagram) {
    CRecordingPlatform platform;
    CFakeInstrument instrument;
    CMonitorWindow window(instrument, {});
    window.resize(800, 700);
    window.show();
    window.AddSample(MakeSample(0, {0, 0, 0, 0}));
    // Channel 37 (port 2, bit 5): both latches, level unchanged; channel 3 rises.
    window.AddSample(
        MakeSample(100000, {0x0008, 0, 0, 0}, {0x0008, 0, 0x0020, 0}, {0, 0, 0x0020, 0}));
    const CLampStates& states = window.Lamps()->States();
    EXPECT_EQ(states.MarkOf(37), CLampStates::Mark::Pulse);
    EXPECT_EQ(states.MarkOf(3), CLampStates::Mark::Rise);
    EXPECT_EQ(states.MarkOf(36), CLampStates::Mark::None);
    const QImage lamps = window.Lamps()->grab().toImage();
    const QRect ring = window.Lamps()->LampRect(37).adjusted(-4, -4, 4, 4);
    EXPECT_TRUE(ImageHasColour(lamps, ring, QColor(255, 60, 60)));
    EXPECT_FALSE(ImageHasColour(lamps, window.Lamps()->LampRect(36).adjusted(-4, -4, 4, 4),
                                QColor(255, 60, 60)));
    // The mark lasts a moment, also when no sample follows: gone half a second later.
    CLampStates later = states;
    later.AdvanceTo(100000 + CLampStates::kMarkUs - 1);
    EXPECT_EQ(later.MarkOf(37), CLampStates::Mark::Pulse);
    later.AdvanceTo(100000 + CLampStates::kMarkUs);
    EXPECT_EQ(later.MarkOf(37), CLampStates::Mark::None);
    window.AddSample(MakeSample(700000, {0x0008, 0, 0, 0}));
    EXPECT_EQ(states.MarkOf(37), CLampStates::Mark::None);

    CTimingDiagram* diagram = window.Diagram();
    diagram->ZoomToAll();
    diagram->EnsureVisible(37);
    const QImage traces = diagram->grab().toImage();
    // At the pulse's own column, and nowhere else in its row or the next.
    const QRect row = diagram->RowRect(37);
    ASSERT_TRUE(diagram->rect().contains(row));
    const int x = row.left() + static_cast<int>(std::lround(100000 / diagram->UsPerPixel()));
    EXPECT_TRUE(ImageHasColour(traces, QRect(x, row.top(), 1, row.height()), QColor(255, 70, 70)));
    EXPECT_FALSE(ImageHasColour(traces,
                                QRect(row.left(), row.top(), x - 5 - row.left(), row.height()),
                                QColor(255, 70, 70)));
    EXPECT_FALSE(ImageHasColour(traces, QRect(x + 5, row.top(), row.right() - x - 5, row.height()),
                                QColor(255, 70, 70)));
    EXPECT_FALSE(ImageHasColour(traces, diagram->RowRect(36), QColor(255, 70, 70)));
    // Centred on the column that holds the pulse's sample, to the pixel.
    int left = traces.width();
    int right = -1;
    for (int px = row.left(); px <= row.right(); ++px) {
        for (int py = row.top(); py <= row.bottom(); ++py) {
            if (traces.pixelColor(px, py).rgb() == QColor(255, 70, 70).rgb()) {
                left = std::min(left, px);
                right = std::max(right, px);
            }
        }
    }
    const int column = row.left() + static_cast<int>(std::ceil(100000 / diagram->UsPerPixel())) - 1;
    EXPECT_EQ(left + right, 2 * column) << left << ".." << right << " about " << column;
}

TEST(Monitor, ZoomAndPanChangeTheVisibleSpan) {
    CRecordingPlatform platform;
    CFakeInstrument instrument;
    CMonitorWindow window(instrument, {});
    window.resize(800, 700);
    window.show();
    for (int i = 0; i <= 1000; ++i) {  // 10 s of 10 ms samples, channel 0 toggling
        window.AddSample(MakeSample(i * 10000LL, {static_cast<std::uint16_t>(i & 1), 0, 0, 0}));
    }
    CTimingDiagram* diagram = window.Diagram();
    diagram->ZoomToAll();
    EXPECT_EQ(diagram->VisibleStartUs(), 0);
    EXPECT_NEAR(static_cast<double>(diagram->VisibleEndUs()), 1e7, 1e7 * 0.01);

    const QPointF middle(diagram->TraceAreaLeft() + 200, 100);
    QWheelEvent wheel(middle, diagram->mapToGlobal(middle), QPoint(), QPoint(0, 120 * 3),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(diagram, &wheel);
    const std::int64_t zoomedSpan = diagram->VisibleEndUs() - diagram->VisibleStartUs();
    EXPECT_NEAR(static_cast<double>(zoomedSpan), 1e7 / std::pow(1.5, 3), 1e7 * 0.01);
    EXPECT_FALSE(diagram->IsFollowing()) << "zoomed in away from the newest sample";

    const std::int64_t before = diagram->VisibleStartUs();
    QTest::mousePress(diagram, Qt::LeftButton, Qt::NoModifier, QPoint(400, 100));
    QTest::mouseMove(diagram, QPoint(500, 100));
    QTest::mouseRelease(diagram, Qt::LeftButton, Qt::NoModifier, QPoint(500, 100));
    EXPECT_NEAR(static_cast<double>(before - diagram->VisibleStartUs()),
                100 * diagram->UsPerPixel(), 2.0)
        << "dragging right shows earlier time";

    diagram->setFocus();
    for (int i = 0; i < 30; ++i) {
        QTest::keyClick(diagram, Qt::Key_Plus);
    }
    EXPECT_DOUBLE_EQ(diagram->UsPerPixel(), CTimingDiagram::kMinUsPerPixel) << "down to 1 us";
    QTest::keyClick(diagram, Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(diagram->UsPerPixel(), 2 * CTimingDiagram::kMinUsPerPixel);

    // A click places the cursor, which reads the time and the levels under it.
    diagram->ZoomToAll();
    const int x = diagram->TraceAreaLeft() + 100;
    QTest::mouseClick(diagram, Qt::LeftButton, Qt::NoModifier, QPoint(x, 100));
    const std::int64_t at = diagram->CursorUs();
    EXPECT_NEAR(static_cast<double>(at), 100 * diagram->UsPerPixel(), diagram->UsPerPixel());
    EXPECT_EQ(window.History().Track(0).LevelAt(at), (at / 10000) & 1);
    EXPECT_TRUE(diagram->CursorText().endsWith(
        QStringLiteral("  P0 0x000%1  P1 0x0000  P2 0x0000  P3 0x0000").arg((at / 10000) & 1)))
        << diagram->CursorText().toStdString();
}

TEST(Monitor, AFailedReadingIsReportedOnceAndPausesSampling) {
    CRecordingPlatform platform;
    CFakeInstrument instrument(true);
    instrument.FailNext("pos", VI_ERROR_TMO);
    CMonitorWindow window(instrument, {});
    window.StartSampling();
    ASSERT_TRUE(WaitFor([&] { return !window.IsSampling(); }));
    EXPECT_EQ(platform.Boxes(), std::vector<std::string>{"Time Out !"});
    EXPECT_EQ(window.History().SampleCount(), 0u);
    EXPECT_EQ(window.StatusLabel()->text(),
              "Sampling stopped: the module did not answer in time (VI_ERROR_TMO). Reconnect "
              "opens the module again.");
}

TEST(Monitor, OnChangeFallsBackToThePeriodWhenVisaDeliversNoServiceRequests) {
    CRecordingPlatform platform;
    SimConnection sim(kFixedModule);
    // The module is live, but the events are looked for in a VISA library that has none.
    CMonitorWindow window(*sim.state.m_pInstrument, {"visa_without_events"});
    auto* mode = window.findChild<QComboBox*>("mode");
    ASSERT_NE(mode, nullptr);
    ASSERT_FALSE(window.OnChangeOffered());
    EXPECT_TRUE(window.StatusLabel()->text().contains("On change is not offered"));
    // Chosen anyway (the item is disabled for the user): the sampler falls back and says so.
    mode->setCurrentIndex(1);
    window.findChild<QSpinBox*>("period")->setValue(20);
    window.StartSampling();
    ASSERT_TRUE(WaitFor([&] { return window.History().SampleCount() >= 2; }));
    // The reason and the period really in force, not the ones of another run.
    EXPECT_EQ(window.StatusLabel()->text(),
              "On change is not available (no VISA library): sampling every 20 ms.");
}

TEST(Monitor, SamplesOnChangeWhenVisaDeliversServiceRequests) {
    CRecordingPlatform platform;
    SimConnection sim(kWalkingModule);
    CMonitorWindow window(*sim.state.m_pInstrument, sim.state.m_visaLibraryNames);
    ASSERT_TRUE(window.OnChangeOffered());
    window.findChild<QComboBox*>("mode")->setCurrentIndex(1);
    window.StartSampling();
    ASSERT_TRUE(WaitFor([&] { return window.History().SampleCount() >= 5; }));
    EXPECT_EQ(window.StatusLabel()->text(), "Sampling on change (service requests).");
}

TEST(Monitor, SamplesQueuedBeforeAStopAreDroppedAndARestartDeliversAgain) {
    CRecordingPlatform platform;
    CCountingInstrument instrument;
    CSampler sampler(instrument, {});
    int samples = 0;
    QObject::connect(&sampler, &CSampler::SampleReady, [&samples] { ++samples; });
    sampler.Start(CSampler::Mode::Period, 10);
    // No events are processed here: the worker's first two samples stay queued, and their
    // delivery is already posted.
    QElapsedTimer clock;
    clock.start();
    while (instrument.readings < 3 && clock.elapsed() < kWaitMs) {
        std::this_thread::yield();
    }
    sampler.Stop();
    ASSERT_GE(instrument.readings, 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(samples, 0);
    sampler.Start(CSampler::Mode::Period, 10);
    ASSERT_TRUE(WaitFor([&] { return samples >= 2; }));
    sampler.Stop();
}

TEST(Monitor, AFailedSaveSaysWhyAndKeepsTheRecording) {
    CRecordingPlatform platform;
    CFakeInstrument instrument(true);
    CMonitorWindow window(instrument, {});
    window.StartRecording();
    window.AddSample(MakeSample(0, {1, 2, 3, 4}));
    window.AddSample(MakeSample(10000, {0, 2, 3, 4}, {}, {1, 0, 0, 0}));
    window.StopRecording();
    ASSERT_TRUE(std::filesystem::exists("/dev/full"));
    EXPECT_EQ(window.SaveTo("/dev/full"), "cannot write /dev/full: No space left on device");
    ASSERT_EQ(platform.Boxes().size(), 1u);
    EXPECT_EQ(platform.Boxes()[0].rfind("cannot write /dev/full", 0), 0u);
    EXPECT_EQ(window.Recording().SampleCount(), 2u) << "kept for another try";
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("sfp-monitor-" + std::to_string(::getpid()) + ".csv"))
                                 .string();
    EXPECT_EQ(window.SaveTo(QString::fromStdString(path)), "");
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_NE(text.find("\n0.010000,0,0,1,2,0,0,3,0,0,4,0,0\n"), std::string::npos) << text;
    std::filesystem::remove(path);
}

TEST(Monitor, TheSystemMenuOpensOneMonitorWhichClosesWithTheFrame) {
    CRecordingPlatform platform;
    CSfpApp app;
    app.m_pInstrument = std::make_unique<CEmulatedInstrument>();
    app.InitInstance();
    QPointer<CMainFrame> frame = app.m_pMainWnd;
    ASSERT_NE(frame.data(), nullptr);
    frame->MenuItem(ID_CHANNEL_MONITOR)->trigger();
    QPointer<CMonitorWindow> monitor = frame->Monitor();
    ASSERT_NE(monitor.data(), nullptr);
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_TRUE(monitor->isWindow());
    EXPECT_FALSE(monitor->isModal());
    EXPECT_EQ(monitor->windowTitle(), "AQ K3310 Channel Monitor");
    EXPECT_NE(monitor->minimumSize(), monitor->maximumSize()) << "resizable";
    // The emulated instrument has no module behind it: the monitor says so and shows nothing.
    EXPECT_FALSE(monitor->IsSampling());
    EXPECT_EQ(monitor->StatusLabel()->text(),
              "No live module is connected: the panel runs without one, so there is nothing to "
              "monitor.");
    EXPECT_FALSE(monitor->findChild<QPushButton*>("record")->isEnabled());
    EXPECT_FALSE(monitor->findChild<QPushButton*>("run")->isEnabled());
    monitor->StartRecording();
    monitor->OnMarkTimer();
    QCoreApplication::processEvents();
    EXPECT_FALSE(monitor->IsRecording());
    EXPECT_FALSE(monitor->Lamps()->States().HasSample());
    EXPECT_TRUE(monitor->History().IsEmpty());

    monitor->hide();
    frame->MenuItem(ID_CHANNEL_MONITOR)->trigger();
    EXPECT_EQ(frame->Monitor(), monitor.data()) << "one at a time";
    EXPECT_TRUE(monitor->isVisible());

    frame->DestroyWindow();
    EXPECT_EQ(monitor.data(), nullptr) << "closed with the main frame";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
