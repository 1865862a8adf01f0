#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "MonitorSupport.h"
#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "common/FakeInstrument.h"
#include "common/ModalCloser.h"
#include "common/RecordingPlatform.h"
#include "monitor/MonitorWindow.h"
#include "monitor/TimingDiagram.h"
#include "resources/MenuResource.h"

using namespace monitor_test;

namespace {

// Answers the unsaved-recording question with a button, and a file dialog with a file name.
CModalCloser Answer(QMessageBox::StandardButton button, const QString& file = QString()) {
    return CModalCloser([button, file](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->button(button)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            dialog->selectFile(file);
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog takes the name
        }
    });
}

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("sfp-monitor-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Record(CMonitorWindow& window, std::int64_t fromUs) {
    window.StartRecording();
    window.AddSample(MakeSample(fromUs, {1, 0, 0, 0}));
    window.AddSample(MakeSample(fromUs + 10000, {0, 0, 0, 0}, {}, {1, 0, 0, 0}));
    window.StopRecording();
}

const QString kUnsaved = QStringLiteral("The recording of 2 samples has not been saved.");

}  // namespace

TEST(MonitorKeep, AnUnsavedRecordingIsNeverDroppedWithoutAsking) {
    CRecordingPlatform platform;
    CFakeInstrument instrument(true);
    CMonitorWindow window(instrument, {});
    window.show();
    Record(window, 5000000);
    ASSERT_TRUE(window.HasUnsavedRecording());
    {
        const CModalCloser closer = Answer(QMessageBox::Cancel);
        window.StartRecording();
        EXPECT_EQ(closer.texts, QStringList{kUnsaved});
        EXPECT_FALSE(window.IsRecording());
        EXPECT_EQ(window.Recording().SampleCount(), 2u);
        EXPECT_FALSE(window.close());
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(closer.texts.size(), 2);
    }
    // Saved from the question: the file starts at time 0 and names its writer.
    const std::string path = TempPath("asked.vcd");
    {
        const CModalCloser closer = Answer(QMessageBox::Save, QString::fromStdString(path));
        EXPECT_TRUE(window.close());
        EXPECT_EQ(closer.titles.size(), 2) << "the question, then the file dialog";
    }
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.HasUnsavedRecording());
    const std::string vcd = ReadAll(path);
    EXPECT_NE(vcd.find("$version\n    aq3310-sfp "), std::string::npos) << vcd;
    EXPECT_NE(vcd.find("\n#0\n"), std::string::npos) << vcd;
    EXPECT_NE(vcd.find("\n#10000\n"), std::string::npos) << vcd;
    std::filesystem::remove(path);

    // Discarded: a new recording starts empty, without another question once saved.
    Record(window, 6000000);
    {
        const CModalCloser closer = Answer(QMessageBox::Discard);
        window.StartRecording();
        EXPECT_EQ(closer.texts, QStringList{kUnsaved});
    }
    EXPECT_TRUE(window.IsRecording());
    EXPECT_TRUE(window.Recording().IsEmpty());
    EXPECT_EQ(window.History().SampleCount(), 4u) << "the history keeps all";
}

TEST(MonitorKeep, TheHistoryOutlivesTheWindowAndExitAsksFirst) {
    CRecordingPlatform platform;
    CSfpApp app;
    app.m_pInstrument = std::make_unique<CFakeInstrument>(true);
    app.InitInstance();
    QPointer<CMainFrame> frame = app.m_pMainWnd;
    ASSERT_NE(frame.data(), nullptr);
    frame->MenuItem(ID_CHANNEL_MONITOR)->trigger();
    QPointer<CMonitorWindow> monitor = frame->Monitor();
    ASSERT_TRUE(monitor->IsSampling());
    ASSERT_TRUE(WaitFor([&] { return !monitor->History().IsEmpty(); }));
    monitor->PauseSampling();
    const std::size_t kept = monitor->History().SampleCount();
    EXPECT_TRUE(monitor->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_NE(monitor.data(), nullptr) << "closing keeps the window and its history";
    frame->MenuItem(ID_CHANNEL_MONITOR)->trigger();
    EXPECT_EQ(frame->Monitor(), monitor.data());
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_TRUE(monitor->IsSampling()) << "sampling again on reopening";
    monitor->PauseSampling();
    EXPECT_GE(monitor->History().SampleCount(), kept);

    // Save History... writes what the diagram holds, from time 0.
    const std::string path = TempPath("history.csv");
    EXPECT_EQ(monitor->SaveHistoryTo(QString::fromStdString(path)), "");
    EXPECT_EQ(ReadAll(path).rfind("time", 0), 0u);
    EXPECT_NE(ReadAll(path).find("\n0.000000,"), std::string::npos) << ReadAll(path);
    std::filesystem::remove(path);

    Record(*monitor, monitor->History().EndUs() + 10000);
    {
        const CModalCloser closer = Answer(QMessageBox::Cancel);
        frame->MenuItem(ID_APP_EXIT)->trigger();
        EXPECT_EQ(closer.texts, QStringList{kUnsaved});
    }
    ASSERT_NE(frame.data(), nullptr);
    EXPECT_TRUE(frame->isVisible()) << "System > Exit was cancelled";
    {
        const CModalCloser closer = Answer(QMessageBox::Discard);
        frame->MenuItem(ID_APP_EXIT)->trigger();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame.data(), nullptr);
}

TEST(MonitorKeep, AnArmedTriggerRecordsFromASecondBeforeItsEventAndMarksIt) {
    CRecordingPlatform platform;
    CFakeInstrument instrument(true);
    CMonitorWindow window(instrument, {});
    auto* trigger = window.findChild<QLineEdit*>("trigger");
    auto* arm = window.findChild<QPushButton*>("arm");
    trigger->setText("ch3=x");
    arm->click();
    EXPECT_FALSE(window.Trigger().IsArmed());
    EXPECT_TRUE(window.StatusLabel()->text().startsWith("Trigger: "))
        << window.StatusLabel()->text().toStdString();
    trigger->setText("ch3=r");
    arm->click();
    ASSERT_TRUE(window.Trigger().IsArmed());
    EXPECT_EQ(arm->text(), "Dis&arm");
    window.AddSample(MakeSample(0, {0x0001, 0, 0, 0}));
    window.AddSample(MakeSample(500000, {0x0000, 0, 0, 0}, {}, {0x0001, 0, 0, 0}));
    window.AddSample(MakeSample(1700000, {0x0000, 0, 0, 0}));
    EXPECT_FALSE(window.IsRecording()) << "no rising edge on ch3 yet";
    window.AddSample(MakeSample(1800000, {0x0008, 0, 0, 0}, {0x0008, 0, 0, 0}));
    ASSERT_TRUE(window.IsRecording());
    EXPECT_FALSE(window.Trigger().IsArmed()) << "fires once";
    EXPECT_EQ(window.Recording().StartUs(), 800000);
    EXPECT_EQ(window.Recording().Stored().front().value[0], 0) << "the state a second before";
    EXPECT_EQ(window.Recording().SampleCount(), 2u) << "the second before, then the trigger";
    EXPECT_TRUE(window.Diagram()->HasTrigger());
    EXPECT_EQ(window.Diagram()->TriggerUs(), 1800000);
    window.StopRecording();
    const std::string path = TempPath("trigger.vcd");
    EXPECT_EQ(window.SaveTo(QString::fromStdString(path)), "");
    const std::string vcd = ReadAll(path);
    EXPECT_NE(vcd.find("$comment\n    trigger ch3=r at +1.000000 s\n$end"), std::string::npos)
        << vcd;
    std::filesystem::remove(path);
}
