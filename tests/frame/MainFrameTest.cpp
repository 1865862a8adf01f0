#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>

#include "app/AboutDlg.h"
#include "app/FrameGeometry.h"
#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "common/FakeInstrument.h"
#include "common/ModalCloser.h"
#include "common/RecordingPlatform.h"
#include "instrument/EmulatedInstrument.h"
#include "platform/DialogUnits.h"
#include "platform/HelpViewer.h"
#include "platform/QtPlatform.h"
#include "resources/MenuResource.h"

namespace {

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A started program on a fake instrument, with what it shows recorded.
class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        auto fake = std::make_unique<CFakeInstrument>();
        instrument = fake.get();
        instrument->destroyedCounter = &destroyed;
        app.m_pInstrument = std::move(fake);
        app.InitInstance();
        frame = app.m_pMainWnd;
        ASSERT_NE(frame.data(), nullptr);
        platform.events.clear();
        instrument->calls.clear();
    }
    void TearDown() override {
        if (frame != nullptr) {
            frame->DestroyWindow();
        }
        FlushDeletes();
    }
    QAction* AutoUpdateItem() { return frame->MenuItem(ID_AUTO_UPDATE); }

    CRecordingPlatform platform;
    CSfpApp app;
    CFakeInstrument* instrument = nullptr;
    int destroyed = 0;
    QPointer<CMainFrame> frame;
};

}  // namespace

TEST(FrameGeometry, CentredWithTruncatingDivisionAndNoOriginOffset) {
    EXPECT_EQ(CenteredFrameRect(1024, 768), (FrameRect{311, 182, 713, 586}));
    EXPECT_EQ(CenteredFrameRect(1023, 768).left, 310);
    EXPECT_EQ(CenteredFrameRect(400, 768).left, -1);
    EXPECT_EQ(CenteredFrameRect(399, 300).left, -1) << "-3 / 2 truncates toward zero";
    EXPECT_EQ(CenteredFrameRect(399, 300).top, -52);
    const FrameSize fitted = FitFrameToPanel({402, 404}, {400, 380}, {305, 295});
    EXPECT_EQ(fitted.width, 307);
    EXPECT_EQ(fitted.height, 319);
}

TEST_F(Frame, IsAFixedSizeWindowWithTitleMinimiseAndNoMaximise) {
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), "AQ K3310 64-Channel Isolated Input Interrupt Module");
    const Qt::WindowFlags flags = frame->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(frame->minimumSize(), frame->maximumSize()) << "the user cannot resize it";
    EXPECT_EQ(frame->findChild<QStatusBar*>(), nullptr);
    EXPECT_EQ(frame->findChild<QToolBar*>(), nullptr);
}

TEST_F(Frame, MenuBarHasTheTwoMenusWithTheirIdsAndNothingChecked) {
    const QList<QAction*> menus = frame->menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "&System");
    EXPECT_EQ(menus[1]->text(), "&Help");
    QStringList texts;
    QList<int> ids;
    for (QAction* menu : menus) {
        for (QAction* item : menu->menu()->actions()) {
            texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
            ids << item->data().toInt();
            EXPECT_TRUE(item->isEnabled());
            EXPECT_FALSE(item->isChecked());
        }
    }
    EXPECT_EQ(texts, (QStringList{"&Auto Update", "&Reset", "Self &Test", "Channel &Monitor...",
                                  "-", "&Exit", "&Help Contents", "-", "&About..."}));
    EXPECT_EQ(ids, (QList<int>{32773, 32774, 32771, 32780, 0, 32779, 32775, 0, 32776}));
}

TEST_F(Frame, AutoUpdateTogglesItsCheckMark) {
    frame->OnCommand(ID_AUTO_UPDATE);
    EXPECT_EQ(app.m_bAutoUpdate, 1);
    EXPECT_TRUE(AutoUpdateItem()->isChecked());
    frame->OnCommand(ID_AUTO_UPDATE);
    EXPECT_EQ(app.m_bAutoUpdate, 0);
    EXPECT_FALSE(AutoUpdateItem()->isChecked());
    // Any non-zero value counts as on and becomes 0.
    app.m_bAutoUpdate = 5;
    frame->OnCommand(ID_AUTO_UPDATE);
    EXPECT_EQ(app.m_bAutoUpdate, 0);
}

TEST_F(Frame, ResetTurnsAutoUpdateOffEvenWhenTheResetFails) {
    frame->OnCommand(ID_AUTO_UPDATE);
    instrument->FailNext("reset", VI_ERROR_TMO);
    frame->OnCommand(ID_RESET);
    EXPECT_EQ(app.m_bAutoUpdate, 0);
    EXPECT_FALSE(AutoUpdateItem()->isChecked());
    EXPECT_EQ(platform.Boxes(), std::vector<std::string>{"Time Out !"});
    EXPECT_EQ(instrument->calls, std::vector<std::string>{"reset"}) << "no refresh of read-outs";
}

TEST_F(Frame, SelfTestShowsTheTextAfterTheBusyCursorIsGone) {
    instrument->selfTestText = "Self test ok, 0 errors";
    frame->OnCommand(ID_SELF_TEST);
    EXPECT_EQ(platform.events,
              (std::vector<std::string>{"wait+", "wait-", "box:Self test ok, 0 errors"}));

    platform.events.clear();
    instrument->FailNext("selftest", STATUS_INSTRUMENT_ERROR, "self test failed");
    frame->OnCommand(ID_SELF_TEST);
    EXPECT_EQ(platform.events,
              (std::vector<std::string>{"wait+", "wait-", "timer-1", "beep",
                                        "box:Instrument reports error: self test failed",
                                        "timer+1:300"}));
}

TEST_F(Frame, TicksReadOnlyWithAutoUpdateOnOneReadingEach) {
    ASSERT_TRUE(platform.tick);
    platform.tick();
    platform.tick();
    EXPECT_TRUE(instrument->calls.empty());
    frame->OnCommand(ID_AUTO_UPDATE);
    platform.tick();
    platform.tick();
    EXPECT_EQ(instrument->calls,
              (std::vector<std::string>{"meas:0", "pos:0", "neg:0", "meas:0", "pos:0", "neg:0"}));
}

TEST_F(Frame, ATickArrivingWhileTheHandlerRunsIsDropped) {
    frame->OnCommand(ID_AUTO_UPDATE);
    // The reading fails; while its message is "open", another tick arrives.
    instrument->FailNext("meas", VI_ERROR_TMO);
    int nested = 0;
    bool checkedDuringBox = true;
    platform.onBox = [&](const std::string&) {
        ++nested;
        checkedDuringBox = AutoUpdateItem()->isChecked();
        platform.tick();
    };
    platform.tick();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(instrument->calls, std::vector<std::string>{"meas:0"}) << "the nested tick is lost";
    EXPECT_FALSE(checkedDuringBox) << "a failed timed reading stops Auto Update before its box";
    platform.onBox = nullptr;
    platform.tick();
    EXPECT_EQ(instrument->calls.size(), 1u);
    frame->OnCommand(ID_AUTO_UPDATE);  // the user switches it on again
    EXPECT_TRUE(AutoUpdateItem()->isChecked());
    platform.tick();
    EXPECT_EQ(instrument->calls.size(), 4u) << "later ticks are handled again";
}

TEST_F(Frame, ExitAndCloseReleaseEverythingOnce) {
    for (bool useMenu : {true, false}) {
        if (!useMenu) {
            // A second program run, closed from its close box.
            auto fake = std::make_unique<CFakeInstrument>();
            fake->destroyedCounter = &destroyed;
            app.m_pInstrument = std::move(fake);
            app.m_panelList.clear();
            app.InitInstance();
            frame = app.m_pMainWnd;
        }
        destroyed = 0;
        if (useMenu) {
            frame->OnCommand(ID_APP_EXIT);
        } else {
            frame->close();
        }
        FlushDeletes();
        EXPECT_EQ(frame.data(), nullptr) << useMenu;
        EXPECT_EQ(destroyed, 1) << useMenu;
        EXPECT_TRUE(app.m_panelList.empty());
        EXPECT_EQ(app.m_pInstrument, nullptr);
        EXPECT_EQ(app.m_pMainWnd, nullptr);
        EXPECT_TRUE(platform.Boxes().empty()) << "no question asked";
    }
}

TEST(FrameModal, AboutBoxShowsItsTemplateAndClosesOnEscape) {
    CAboutDlg about(nullptr);
    EXPECT_EQ(about.windowTitle(), "About aq3310 Soft front panel");
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        texts << label->text();
    }
    EXPECT_TRUE(texts.contains("aqk3310  soft front panel"));
    EXPECT_TRUE(texts.contains("VERSION: A.01.01"));
    EXPECT_TRUE(texts.contains("Plug Play Driver revison required: A.01.00 or greater"));
    EXPECT_TRUE(texts.contains("VISA version required: 1.0 or greater"));
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            EXPECT_TRUE(label->alignment() & Qt::AlignHCenter) << label->text().toStdString();
        }
    }
    auto* ok = about.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());

    CModalCloser closer([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(about.exec(), QDialog::Rejected);
    EXPECT_EQ(closer.titles, QStringList{"About aq3310 Soft front panel"});
}

TEST(FrameModal, MessageBoxIsAModalWarningWithTheApplicationTitle) {
    CQtPlatform qtPlatform;
    IPlatform* previous = SetPlatform(&qtPlatform);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    CModalCloser closer([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    GetPlatform().MessageBox("Time Out !");
    SetPlatform(previous);
    EXPECT_EQ(closer.texts, QStringList{"Time Out !"});
    EXPECT_EQ(closer.titles, QStringList{"AQ K3310 Soft Front Panel"});
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, 1);
}

TEST(Help, FindsThePageBesideTheExecutableOrSaysItCannot) {
    const QString beside = QCoreApplication::applicationDirPath() + "/aqk3310.html";
    QFile::remove(beside);
    EXPECT_TRUE(CHelpViewer::Locate("missing-help.hlp").isEmpty());

    QWidget owner;
    {
        CModalCloser closer;
        EXPECT_EQ(CHelpViewer::ShowContents(&owner, "missing-help.hlp"), nullptr);
        ASSERT_EQ(closer.texts.size(), 1);
        EXPECT_TRUE(closer.texts[0].contains("missing-help.hlp"));
    }

    ASSERT_TRUE(QFile::copy(SFP_SOURCE_DIR "/resources/help/aqk3310.html", beside));
    EXPECT_EQ(CHelpViewer::Locate("aqk3310.hlp"), beside);
    QTextBrowser* browser = CHelpViewer::ShowContents(&owner, "aqk3310.hlp");
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_TRUE(browser->toPlainText().contains("non live panel"));
    EXPECT_EQ(CHelpViewer::ShowContents(&owner, "aqk3310.hlp"), browser) << "one help window";
    QFile::remove(beside);
}

TEST_F(Frame, EveryMenuCommandIsReachableFromTheKeyboard) {
    QApplication::setActiveWindow(frame);
    QMenu* system = frame->menuBar()->actions()[0]->menu();
    QTest::keyClick(frame, Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(system->isVisible()) << "Alt+S opens the System menu";
    QTest::keyClick(system, Qt::Key_A);
    EXPECT_EQ(app.m_bAutoUpdate, 1) << "A toggles Auto Update";
    EXPECT_FALSE(system->isVisible());

    QTest::keyClick(frame, Qt::Key_S, Qt::AltModifier);
    QTest::keyClick(system, Qt::Key_T);
    EXPECT_EQ(platform.Boxes().back(), "Self test ok") << "T runs the self test";

    QTest::keyClick(frame, Qt::Key_S, Qt::AltModifier);
    QTest::keyClick(system, Qt::Key_R);
    EXPECT_EQ(app.m_bAutoUpdate, 0) << "R resets, which turns Auto Update off";
    EXPECT_EQ(instrument->calls.back(), "reset");

    QMenu* help = frame->menuBar()->actions()[1]->menu();
    QTest::keyClick(frame, Qt::Key_H, Qt::AltModifier);
    ASSERT_TRUE(help->isVisible()) << "Alt+H opens the Help menu";
    QTest::keyClick(help, Qt::Key_Escape);

    QTest::keyClick(frame, Qt::Key_S, Qt::AltModifier);
    QTest::keyClick(system, Qt::Key_E);
    FlushDeletes();
    EXPECT_EQ(frame.data(), nullptr) << "E exits";
    EXPECT_EQ(destroyed, 1);
}

TEST(FrameStartUp, ConnectionMessagesComeBeforeTheFrameIsShown) {
    CRecordingPlatform platform;
    CSfpApp app;
    // No VISA library can be found under this name: the connection says so and falls back.
    app.m_visaLibraryNames = {"libsfp-no-such-visa.so"};
    std::vector<bool> frameVisible;
    platform.onBox = [&](const std::string&) {
        frameVisible.push_back(app.m_pMainWnd != nullptr && app.m_pMainWnd->isVisible());
    };
    app.InitInstance();
    EXPECT_EQ(platform.Boxes(),
              std::vector<std::string>{"Could not find VISA.DLL.  Creating non live panel."});
    EXPECT_EQ(frameVisible, std::vector<bool>{false});
    ASSERT_NE(app.m_pMainWnd, nullptr);
    EXPECT_TRUE(app.m_pMainWnd->isVisible());
    EXPECT_EQ(platform.waitDepth, 0) << "busy cursor gone";
    // Start-up order: busy cursor, connection (its own cursor and message), timer, panel, shown.
    const std::vector<std::string> head(platform.events.begin(), platform.events.begin() + 6);
    EXPECT_EQ(head, (std::vector<std::string>{"wait+", "wait+",
                                              "box:Could not find VISA.DLL.  "
                                              "Creating non live panel.",
                                              "wait-", "timer+1:300", "wait-"}));
    app.m_pMainWnd->DestroyWindow();
    FlushDeletes();
}

TEST_F(Frame, EveryWindowHasTheIconAndTheAboutBoxShowsItWhereItsTemplatePlacesIt) {
    const QList<QSize> sizes{{16, 16}, {32, 32}, {48, 48}};
    EXPECT_EQ(frame->windowIcon().availableSizes(), sizes);
    CAboutDlg about(frame);
    EXPECT_EQ(about.windowIcon().availableSizes(), sizes);
    QLabel* icon = nullptr;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        icon = !label->pixmap().isNull() ? label : icon;
    }
    ASSERT_NE(icon, nullptr);
    const DialogBaseUnits base = BaseUnitsOf(DialogFont(QStringLiteral("MS Sans Serif"), 8));
    EXPECT_EQ(icon->geometry(), DialogToPixels(base, 4, 4, 20, 20));
    const QImage expected = QImage(QStringLiteral(":/icons/aq3310-sfp-32.png"))
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage shown =
        icon->pixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(shown.size(), expected.size());
    int different = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            different += shown.pixel(x, y) != expected.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(different, 0);
}

TEST_F(Frame, SitsCentredOnTheScreen) {
    const QSize desktop = QGuiApplication::primaryScreen()->geometry().size();
    const FrameRect r = CenteredFrameRect(desktop.width(), desktop.height());
    ASSERT_NE(QPoint(r.left, r.top), QPoint(0, 0));
    EXPECT_EQ(frame->frameGeometry().topLeft(), QPoint(r.left, r.top));
}

TEST(FrameEmulated, ResetAndSelfTestFromTheMenu) {
    CRecordingPlatform platform;
    CSfpApp app;
    app.m_crStatus = kColorDarkGrey;
    app.m_pInstrument = std::make_unique<CEmulatedInstrument>();
    app.InitInstance();
    QPointer<CMainFrame> frame = app.m_pMainWnd;
    ASSERT_NE(frame.data(), nullptr);
    platform.events.clear();
    frame->MenuItem(ID_AUTO_UPDATE)->trigger();
    frame->MenuItem(ID_RESET)->trigger();
    EXPECT_FALSE(frame->MenuItem(ID_AUTO_UPDATE)->isChecked()) << "Reset switches it off";
    frame->MenuItem(ID_SELF_TEST)->trigger();
    EXPECT_EQ(platform.Boxes(),
              (std::vector<std::string>{"This is my NON LIVE RESET", "Self Test Passed"}));
    EXPECT_EQ(platform.waitDepth, 0);
    frame->DestroyWindow();
    FlushDeletes();
}

TEST(FrameTimer, TicksArriveAgainAfterAReportedFailure) {
    CQtPlatform qtPlatform;
    IPlatform* previous = SetPlatform(&qtPlatform);
    {
        CSfpApp app;
        auto fake = std::make_unique<CFakeInstrument>(true);
        CFakeInstrument* instrument = fake.get();
        app.m_pInstrument = std::move(fake);
        instrument->FailNext("meas", VI_ERROR_TMO);
        CModalCloser closer;
        app.InitInstance();  // its first reading fails and is reported
        QPointer<CMainFrame> frame = app.m_pMainWnd;
        ASSERT_NE(frame.data(), nullptr);
        EXPECT_EQ(closer.texts, QStringList{"Time Out !"});
        EXPECT_TRUE(qtPlatform.IsTimerActive());
        EXPECT_EQ(qtPlatform.TimerInterval(), 300);
        frame->OnCommand(ID_AUTO_UPDATE);
        instrument->calls.clear();
        QElapsedTimer waited;
        waited.start();
        while (instrument->calls.empty() && waited.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        }
        EXPECT_EQ(instrument->calls, (std::vector<std::string>{"meas:0", "pos:0", "neg:0"}))
            << "a real tick read again";
        frame->DestroyWindow();
        FlushDeletes();
    }
    SetPlatform(previous);
}
