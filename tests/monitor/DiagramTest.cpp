#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include "MonitorSupport.h"
#include "common/FakeInstrument.h"
#include "common/RecordingPlatform.h"
#include "monitor/MonitorWindow.h"
#include "monitor/TimeRuler.h"
#include "monitor/TimingDiagram.h"
#include "monitor/TracePainter.h"
#include "monitor/TraceRows.h"
#include "recording/Recording.h"

using namespace monitor_test;

namespace {

QStringList Labels(const std::vector<RulerTick>& ticks) {
    QStringList labels;
    for (const RulerTick& tick : ticks) {
        if (tick.major) {
            labels << QStringLiteral("%1@%2").arg(tick.label).arg(tick.x);
        }
    }
    return labels;
}

}  // namespace

TEST(Diagram, RulerTicksAreRoundOffsetsFromTheStartOfTheHistory) {
    struct Case {
        double startUs, usPerPixel;
        int width;
        double originUs;
        int spacing;
        QStringList majors;
        int minorPixels;
    };
    const Case cases[] = {
        {0, 1000, 300, 0, 100, {"+0 ms@0", "+100 ms@100", "+200 ms@200", "+300 ms@300"}, 20},
        // Started later than the origin: labels stay offsets from it, ticks land on them.
        {1250000, 1000, 400, 1000000, 150, {"+400 ms@150", "+600 ms@350"}, 50},
        {0, 10000, 400, 0, 90, {"+0 s@0", "+1 s@100", "+2 s@200", "+3 s@300", "+4 s@400"}, 20},
        // Labels at least 250 pixels apart: a 500 us step, not 200.
        {0, 1, 1000, 0, 250, {"+0.0 ms@0", "+0.5 ms@500", "+1.0 ms@1000"}, 100},
        {0,
         5000,
         400,
         0,
         90,
         {"+0.0 s@0", "+0.5 s@100", "+1.0 s@200", "+1.5 s@300", "+2.0 s@400"},
         20},
        {0,
         1,
         200,
         0,
         40,
         {"+0 µs@0", "+50 µs@50", "+100 µs@100", "+150 µs@150", "+200 µs@200"},
         10},
    };
    for (const Case& c : cases) {
        const std::vector<RulerTick> ticks = CTimeRuler::CalculateTickPositions(
            c.startUs, c.usPerPixel, c.width, c.originUs, c.spacing);
        EXPECT_EQ(Labels(ticks), c.majors) << c.usPerPixel;
        ASSERT_GE(ticks.size(), 2u);
        EXPECT_EQ(ticks[1].x - ticks[0].x, c.minorPixels) << c.usPerPixel;
    }
}

TEST(Diagram, PortsAreGroupedUnderTheirBusRowWithAGapBetween) {
    const std::vector<TraceRow> rows = LayoutTraceRows({0, 1, 17, 18}, 20, 10);
    ASSERT_EQ(rows.size(), 6u);
    const int expected[6][3] = {{0, -1, 0},  {0, 0, 20},  {0, 1, 40},
                                {1, -1, 70}, {1, 17, 90}, {1, 18, 110}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].port, expected[i][0]) << i;
        EXPECT_EQ(rows[i].channel, expected[i][1]) << i;
        EXPECT_EQ(rows[i].top, expected[i][2]) << i;
    }
    EXPECT_EQ(TraceRowsHeight(rows), 130);
}

TEST(Diagram, ReadsLikeALogicAnalyserAtTheDefaultSize) {
    CRecordingPlatform platform;
    CFakeInstrument instrument(true);
    CMonitorWindow window(instrument, {});
    window.show();
    // Opens within the screen, at a size that is not a mere minimum.
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_LE(window.width(), screen.width());
    EXPECT_LE(window.height(), screen.height());
    EXPECT_EQ(window.size(), QSize(900, 760).boundedTo(screen.size() * 9 / 10));
    // Every button has a mnemonic, and no two controls share one.
    QStringList keys;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        auto* button = qobject_cast<QAbstractButton*>(widget);
        auto* label = qobject_cast<QLabel*>(widget);
        const QString text = button ? button->text() : label ? label->text() : QString();
        const int amp = text.indexOf('&');
        EXPECT_TRUE(button == nullptr || amp >= 0) << text.toStdString();
        if (amp >= 0) {
            keys << text.mid(amp + 1, 1).toLower();
        }
    }
    EXPECT_EQ(keys.size(), 9) << keys.join(' ').toStdString();
    EXPECT_EQ(keys.removeDuplicates(), 0) << keys.join(' ').toStdString();
    // Tab goes through the controls as they are laid out, row by row, then into the diagram.
    QStringList order;
    QWidget* widget = window.findChild<QWidget*>("run");
    for (int i = 0; i < 100 && order.size() < 12; ++i, widget = widget->nextInFocusChain()) {
        if ((widget->focusPolicy() & Qt::TabFocus) != 0 && !widget->objectName().isEmpty() &&
            !widget->objectName().startsWith("qt_")) {
            order << widget->objectName();
        }
    }
    EXPECT_EQ(order.mid(0, order.indexOf("timingDiagram") + 1),
              (QStringList{"run", "mode", "period", "reconnect", "channels", "whole", "record",
                           "save", "saveHistory", "trigger", "arm", "timingDiagram"}))
        << order.join(" ").toStdString();
    window.StartRecording();
    EXPECT_EQ(window.findChild<QPushButton*>("record")->text(), "Stop &Recording");
    for (int i = 0; i <= 200; ++i) {  // channel 0 toggles every 10 ms; channel 17 once
        window.AddSample(
            MakeSample(i * 10000LL, {static_cast<std::uint16_t>(i & 1),
                                     static_cast<std::uint16_t>(i >= 150 ? 2 : 0), 0, 0}));
    }
    window.StopRecording();
    CTimingDiagram* diagram = window.Diagram();

    // Names at the widget's own font size; rows that do not fit are reached by scrolling.
    EXPECT_GE(diagram->RowHeight(), diagram->fontMetrics().height());
    EXPECT_GT(diagram->VerticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(diagram->VerticalScrollBar()->isVisible());
    EXPECT_FALSE(diagram->rect().contains(diagram->RowRect(63)));
    diagram->EnsureVisible(63);
    EXPECT_TRUE(diagram->rect().contains(diagram->RowRect(63)));
    EXPECT_LT(diagram->BusRect(3).bottom(), diagram->RowRect(48).top());
    EXPECT_GT(diagram->RowRect(48).top() - diagram->RowRect(47).bottom(), diagram->RowHeight())
        << "a gap and the bus row part two ports";

    // Whole keeps fitting as the history grows.
    diagram->ZoomToAll();
    window.AddSample(MakeSample(4000000, {0, 2, 0, 0}));
    EXPECT_EQ(diagram->VisibleStartUs(), 0);
    EXPECT_GE(diagram->VisibleEndUs(), 4000000);
    EXPECT_LT(diagram->VisibleEndUs(), 4000000 + 2 * diagram->UsPerPixel());

    // Cursors hold times across zooms; Δt and 1/Δt are read between them.
    diagram->SetCursor(CTimeCursors::A, 1000000);
    diagram->SetCursor(CTimeCursors::B, 1250000);
    QTest::keyClick(diagram, Qt::Key_Plus);
    EXPECT_EQ(diagram->CursorUs(), 1000000);
    auto* info = window.findChild<QLabel*>("cursorInfo");
    EXPECT_EQ(info->text(),
              "A +1.000000 s  B +1.250000 s  Δt 250.000 ms  1/Δt 4.000 Hz  P0 0x0000  "
              "P1 0x0000  P2 0x0000  P3 0x0000");

    // The next and previous edges of the selected channel, from the keyboard.
    diagram->SelectChannel(17);
    QTest::keyClick(diagram, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(diagram->CursorUs(), 1500000);
    EXPECT_TRUE(info->text().contains("P1 0x0002")) << info->text().toStdString();
    EXPECT_FALSE(diagram->JumpToEdge(true)) << "channel 17 has one edge";
    diagram->SelectChannel(0);
    QTest::keyClick(diagram, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(diagram->CursorUs(), 1490000);
    QTest::keyClick(diagram, Qt::Key_Up);
    EXPECT_EQ(diagram->SelectedChannel(), 0) << "already the first";
    QTest::keyClick(diagram, Qt::Key_Down);
    EXPECT_EQ(diagram->SelectedChannel(), 1);

    // The Channels field takes aq3310-rec's -C lists; a bad one says why and changes nothing.
    auto* channels = window.findChild<QLineEdit*>("channels");
    channels->setText("ch9,ch8, 40");
    emit channels->editingFinished();
    EXPECT_EQ(diagram->Channels(), (std::vector<int>{8, 9, 40}));
    channels->setText("ch64");
    emit channels->editingFinished();
    EXPECT_EQ(diagram->Channels(), (std::vector<int>{8, 9, 40}));
    EXPECT_TRUE(window.StatusLabel()->text().startsWith("Channels: "));
}

TEST(Diagram, DenseTracesAreShadedTheSameAtEveryDensity) {
    CRecording recording;
    for (int i = 0; i <= 2000; ++i) {  // channel 0 toggles every 10 ms
        recording.Append(MakeSample(i * 10000LL, {static_cast<std::uint16_t>(i & 1), 0, 0, 0}));
    }
    CTimingDiagram diagram;
    diagram.resize(600, 300);
    diagram.SetRecording(&recording);
    QColor shades[3];
    const double usPerPixel[3] = {10000, 20000, 30000};  // one, two and three edges a column
    for (int i = 0; i < 3; ++i) {
        diagram.ZoomAt(diagram.UsPerPixel() / usPerPixel[i], diagram.TraceAreaLeft());
        ASSERT_NEAR(diagram.UsPerPixel(), usPerPixel[i], 1.0);
        const QImage image = diagram.grab().toImage();
        const QRect row = diagram.RowRect(0);
        shades[i] = image.pixelColor(row.left() + 50, row.center().y());
    }
    EXPECT_EQ(shades[0], shades[2]);
    EXPECT_EQ(shades[1], shades[2]);
}

TEST(Diagram, APulseAtTheVeryStartOfTheViewIsDrawnInItsFirstColumn) {
    CChannelTrack track;
    track.AddPulse(100000);
    track.AddPulse(150000);
    QImage image(100, 20, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    CTracePainter traces;
    // The view starts on the first pulse; the second falls in column 49.
    traces.DrawChannel(painter, QRect(0, 0, 100, 20), track,
                       TraceView{100000, 1000.0, 100, 0, 300000});
    painter.end();
    auto red = [&image](int x) {
        return image.pixelColor(x, 10).rgb() == QColor(255, 70, 70).rgb();
    };
    EXPECT_TRUE(red(0));
    EXPECT_TRUE(red(49));
    EXPECT_FALSE(red(25));
}
