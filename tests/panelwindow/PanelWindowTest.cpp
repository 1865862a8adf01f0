#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolTip>

#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "common/EventWait.h"
#include "common/FakeInstrument.h"
#include "common/ModalCloser.h"
#include "common/RecordingPlatform.h"
#include "controls/DisplayStatic.h"
#include "controls/FaceGeometry.h"
#include "panel/Pan1Dlg.h"
#include "panel/PanelColors.h"
#include "platform/DialogItems.h"
#include "platform/DialogUnits.h"
#include "platform/SelectInstrumentDlg.h"
#include "resources/DialogTemplates.h"

namespace {

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The program started on an instrument of the test's choosing, recording what it shows.
class PanelWindow : public ::testing::Test {
protected:
    void Start(std::unique_ptr<CFakeInstrument> fake) {
        instrument = fake.get();
        // A pre-made instrument is kept by the connection; give it the colour it would set.
        app.m_crStatus = fake->IsLive() ? kColorGreen : kColorDarkGrey;
        app.m_pInstrument = std::move(fake);
        app.InitInstance();
        frame = app.m_pMainWnd;
        ASSERT_NE(frame.data(), nullptr);
        panel = frame->Client()->findChild<CPan1Dlg*>();
        ASSERT_NE(panel.data(), nullptr);
    }
    // What the connection would have recorded, shown by a fresh panel window.
    void Reopen(int slot, const std::string& name) {
        app.m_nSlot = slot;
        app.m_strResourceName = name;
        frame->ShowMainPanel();
        FlushDeletes();
        panel = frame->Client()->findChild<CPan1Dlg*>();
        ASSERT_NE(panel.data(), nullptr);
    }
    QColor Pixel(const QImage& image, int x, int y) { return image.pixelColor(x, y); }
    // Brings the mouse onto a widget and rests it there, as a user does; Qt shows its tooltip
    // after the usual delay. (A move to where the mouse already is would be no move at all.)
    void ShowToolTipOf(QWidget* widget) {
        QToolTip::hideText();
        QTest::mouseMove(panel, QPoint(1, 1));
        QTest::mouseMove(widget, widget->rect().center());
    }
    void TearDown() override {
        if (frame != nullptr) {
            frame->DestroyWindow();
        }
        FlushDeletes();
    }
    QWidget* Item(int id) { return GetDlgItem(panel, id); }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(Item(id)); }
    std::string Text(int id) { return panel->ReadoutText(id); }
    std::vector<std::string> Readouts() {
        return {Text(IDC_PORT_VALUE), Text(IDC_POS_EDGE_REG), Text(IDC_NEG_EDGE_REG)};
    }

    CRecordingPlatform platform;
    CSfpApp app;
    CFakeInstrument* instrument = nullptr;
    QPointer<CMainFrame> frame;
    QPointer<CPan1Dlg> panel;
};

}  // namespace

TEST(PanelPalette, NineEntriesAndWhiteOtherwise) {
    EXPECT_EQ(GetPanelColor(0), MakeRgb(255, 255, 255));
    EXPECT_EQ(GetPanelColor(1), MakeRgb(0, 0, 0));
    EXPECT_EQ(GetPanelColor(4), MakeRgb(64, 64, 64));
    EXPECT_EQ(GetPanelColor(5), MakeRgb(128, 128, 128));
    EXPECT_EQ(GetPanelColor(6), MakeRgb(192, 192, 192));
    EXPECT_EQ(GetPanelColor(8), 0x02808000u);
    // The names reach the same entries.
    EXPECT_EQ(GetPanelColor(PanelColor::Background), MakeRgb(64, 64, 64));
    EXPECT_EQ(GetPanelColor(PanelColor::Face), MakeRgb(192, 192, 192));
    EXPECT_EQ(GetPanelColor(PanelColor::Banner), 0x02808000u);
    for (int index : {9, -1, 100}) {
        EXPECT_EQ(GetPanelColor(index), 0x00FFFFFFu) << index;
    }
}

TEST_F(PanelWindow, ControlsStandAtTheirTemplatePlacesInTemplateOrder) {
    Start(std::make_unique<CFakeInstrument>(true));
    const DlgTemplate& t = GetDialogTemplate(IDD_PANEL);
    // Every control with an id exists once, as a direct child, in template order.
    QList<QWidget*> children = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    int lastIndex = -1;
    for (const DlgItem& item : t.items) {
        if (item.id == IDC_STATIC) {
            continue;
        }
        QWidget* control = Item(item.id);
        ASSERT_NE(control, nullptr) << item.id;
        const int index = static_cast<int>(children.indexOf(control));
        EXPECT_GT(index, lastIndex) << item.id;
        lastIndex = index;
    }
    EXPECT_EQ(Button(IDOK)->text(), "Take Reading");
    for (int id : {1053, 1054, 1055, 1056}) {
        EXPECT_EQ(Button(id)->text(), QString::number(id - 1053));
    }
    // Tab goes through the focusable controls in template order.
    QStringList order;
    QWidget* w = Item(IDC_PORT_VALUE);
    for (int i = 0; i < 6; ++i) {
        order << QString::number(GetDlgCtrlId(w));
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(panel) || GetDlgCtrlId(w) == 0) {
            w = w->nextInFocusChain();
        }
    }
    EXPECT_EQ(order, (QStringList{"1049", "1053", "1054", "1055", "1056", "1070"}));
}

TEST_F(PanelWindow, FrameClientAreaIsExactlyThePanel) {
    Start(std::make_unique<CFakeInstrument>(true));
    EXPECT_EQ(frame->Client()->size(), panel->size());
    EXPECT_EQ(panel->pos(), QPoint(0, 0));
    EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
}

TEST_F(PanelWindow, SetUpStartsAtPortZeroDecimalWithAReading) {
    auto fake = std::make_unique<CFakeInstrument>(true);
    fake->SetValue("meas", 4660);
    fake->SetValue("pos", 31);
    fake->SetValue("neg", 0);
    Start(std::move(fake));
    EXPECT_TRUE(Button(IDC_DEC)->isChecked());
    EXPECT_FALSE(Button(IDC_HEX)->isChecked());
    EXPECT_TRUE(Button(IDC_PORT0)->isChecked());
    EXPECT_EQ(instrument->calls, (std::vector<std::string>{"meas:0", "pos:0", "neg:0"}));
    EXPECT_EQ(Readouts(), (std::vector<std::string>{"4660", "31", "0"}));
}

TEST_F(PanelWindow, EachNewPanelWindowStartsAfreshAndFitsTheFrameAgain) {
    Start(std::make_unique<CFakeInstrument>(true));
    Button(1055)->click();
    Button(IDC_HEX)->click();
    const QSize fitted = frame->size();
    frame->ShowMainPanel();
    FlushDeletes();
    CPan1Dlg* fresh = frame->Client()->findChild<CPan1Dlg*>();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, panel.data());
    EXPECT_EQ(panel.data(), nullptr) << "the old window deleted itself";
    panel = fresh;
    EXPECT_TRUE(Button(IDC_PORT0)->isChecked());
    EXPECT_TRUE(Button(IDC_DEC)->isChecked());
    EXPECT_EQ(frame->size(), fitted);
    EXPECT_EQ(instrument->calls.size(), 6u);
    EXPECT_EQ(app.m_pCurrentPanel, app.m_panelList.front().get());
}

TEST_F(PanelWindow, ButtonsAndKeysReachTheirOperations) {
    Start(std::make_unique<CFakeInstrument>(true));
    instrument->calls.clear();
    Button(1056)->click();
    EXPECT_TRUE(instrument->calls.empty()) << "choosing a port reads nothing";
    Button(IDC_POS_EDGE_REG)->click();
    EXPECT_EQ(instrument->calls, std::vector<std::string>{"pos:3"});
    Button(IDC_NEG_EDGE_REG)->click();
    Button(IDC_PORT_VALUE)->click();
    EXPECT_EQ(instrument->calls, (std::vector<std::string>{"pos:3", "neg:3", "meas:3"}));

    instrument->calls.clear();
    QApplication::setActiveWindow(frame);
    Button(1056)->setFocus();
    QTest::keyClick(Button(1056), Qt::Key_Escape);
    EXPECT_TRUE(panel->isVisible()) << "Escape never closes the panel";
    EXPECT_TRUE(instrument->calls.empty());
    QTest::keyClick(Button(1056), Qt::Key_Return);
    EXPECT_EQ(instrument->calls, (std::vector<std::string>{"meas:3", "pos:3", "neg:3"}));
    // Arrow keys move within the port group only.
    QTest::keyClick(Button(1056), Qt::Key_Left);
    EXPECT_TRUE(Button(1055)->isChecked());
    EXPECT_FALSE(Button(1056)->isChecked());
    EXPECT_TRUE(Button(IDC_DEC)->isChecked());
}

TEST_F(PanelWindow, EmulatedPanelShowsItsNonLiveFace) {
    app.InitInstance();  // no instrument yet: the connection falls back to the emulated one
    frame = app.m_pMainWnd;
    panel = frame->Client()->findChild<CPan1Dlg*>();
    ASSERT_NE(panel.data(), nullptr);
    EXPECT_FALSE(Item(1010)->isVisible()) << "slot read-out hidden";
    EXPECT_FALSE(Item(1007)->isVisible()) << "slot label hidden";
    EXPECT_EQ(Readouts(), (std::vector<std::string>{"65535", "65535", "65535"}));
    Button(IDC_HEX)->click();
    EXPECT_EQ(Readouts(), (std::vector<std::string>{"0xffff", "0xffff", "0xffff"}));
    Button(IDC_DEC)->click();
    EXPECT_EQ(Readouts(), (std::vector<std::string>{"65535", "65535", "65535"}));
}

TEST_F(PanelWindow, FailingFirstReadingLeavesEmptyReadOutsAndAUsablePanel) {
    auto fake = std::make_unique<CFakeInstrument>(true);
    fake->FailNext("neg", VI_ERROR_TMO);
    Start(std::move(fake));
    EXPECT_EQ(platform.Boxes(), std::vector<std::string>{"Time Out !"});
    EXPECT_EQ(Readouts(), (std::vector<std::string>{"", "", ""}));
    Button(IDC_HEX)->click();
    EXPECT_EQ(Readouts(), (std::vector<std::string>{"0x0", "0x0", "0x0"}));
    Button(IDOK)->click();
    EXPECT_EQ(Readouts(), (std::vector<std::string>{"0x0", "0x0", "0x0"}));
    EXPECT_EQ(instrument->calls.size(), 6u);
}

TEST(SelectInstrument, OffersTheNamesInOrderFirstSelected) {
    const std::vector<std::string> names{"VXI0::24::INSTR", "VXI0::9::INSTR", "GPIB0::3::INSTR"};
    {
        CSelectInstrumentDlg dialog(nullptr, names);
        EXPECT_EQ(dialog.windowTitle(), "Select Instrument");
        EXPECT_FALSE(dialog.windowFlags() & Qt::WindowSystemMenuHint);
        ASSERT_EQ(dialog.List()->count(), 3);
        EXPECT_EQ(dialog.List()->currentIndex(), 0);
        EXPECT_EQ(dialog.List()->itemText(2), "GPIB0::3::INSTR");
        EXPECT_FALSE(dialog.List()->isEditable());
        CModalCloser closer([&](QWidget* modal) {
            dialog.List()->setCurrentIndex(1);
            qobject_cast<QPushButton*>(GetDlgItem(modal, IDOK))->click();
        });
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        EXPECT_EQ(dialog.Selection(), "VXI0::9::INSTR");
    }
    {
        CSelectInstrumentDlg dialog(nullptr, names);
        CModalCloser closer([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        EXPECT_EQ(dialog.Selection(), "");
    }
}

TEST_F(PanelWindow, LiveSlotAndNameShownOrHidden) {
    Start(std::make_unique<CFakeInstrument>(true));
    Reopen(0, "VXI0::24");
    ASSERT_NE(Item(1010), nullptr);
    EXPECT_TRUE(Item(1010)->isVisible()) << "slot 0 counts as known";
    EXPECT_TRUE(Item(1007)->isVisible());
    auto* slot = QAccessible::queryAccessibleInterface(Item(1010));
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->text(QAccessible::Name), "Slot");
    EXPECT_EQ(slot->text(QAccessible::Description), "0");
    auto* resource = QAccessible::queryAccessibleInterface(Item(1011));
    EXPECT_EQ(resource->text(QAccessible::Description), "VXI0::24");

    Reopen(-1, "GPIB0::9");
    EXPECT_FALSE(Item(1010)->isVisible()) << "unknown slot hidden";
    EXPECT_FALSE(Item(1007)->isVisible());
    auto* lamp = QAccessible::queryAccessibleInterface(Item(1004));
    EXPECT_EQ(lamp->text(QAccessible::Name), "Active");
    EXPECT_EQ(lamp->text(QAccessible::Description), "live");
}

TEST_F(PanelWindow, ReadOutsExposeTheirNamesAndValues) {
    auto fake = std::make_unique<CFakeInstrument>(false);
    fake->SetValue("pos", 4660);
    Start(std::move(fake));
    const struct {
        int id;
        const char* name;
        const char* value;
    } cases[] = {
        {1049, "Port Value", "0"}, {1070, "Pos Edge Reg", "4660"}, {1071, "Neg. Edge Reg", "0"}};
    for (const auto& c : cases) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(Item(c.id));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), c.name);
        EXPECT_EQ(a->text(QAccessible::Description), c.value) << c.name;
    }
    Button(IDC_HEX)->click();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Item(1070))->text(QAccessible::Description),
              "0x1234");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Item(1004))->text(QAccessible::Description),
              "non live");
}

TEST_F(PanelWindow, PaintsDarkGreyWithARaisedLightGreyBody) {
    Start(std::make_unique<CFakeInstrument>(true));
    const QImage image = panel->grab().toImage();
    const QRect body = Item(1012)->geometry();
    const int midY = body.top() + body.height() / 2;
    const int left = body.left() + 2;  // the body's rectangle, inset by 2
    const int right = body.left() + body.width() - 2;
    EXPECT_EQ(Pixel(image, 0, 0), QColor(64, 64, 64));
    EXPECT_EQ(Pixel(image, image.width() - 1, image.height() - 1), QColor(64, 64, 64));
    EXPECT_EQ(Pixel(image, body.left(), midY), QColor(0, 0, 0)) << "the template's own frame";
    EXPECT_EQ(Pixel(image, left - 1, midY), QColor(255, 255, 255)) << "highlight edge";
    EXPECT_EQ(Pixel(image, right, midY), QColor(128, 128, 128)) << "shadow edge";
    EXPECT_EQ(Pixel(image, left + 2, midY), QColor(192, 192, 192)) << "body";
    const QRect lamp = Item(1004)->geometry();
    EXPECT_EQ(Pixel(image, lamp.center().x(), lamp.center().y()), QColor(0, 255, 0));
}

TEST_F(PanelWindow, FocusedReadOutShowsDottedFrameAndTakeReadingItsOwn) {
    Start(std::make_unique<CFakeInstrument>(true));
    QApplication::setActiveWindow(frame);
    const QColor face(192, 192, 192);
    for (int id : {IDC_PORT_VALUE, IDC_POS_EDGE_REG, IDC_NEG_EDGE_REG}) {
        Button(IDC_DEC)->setFocus();
        const QImage without = Item(id)->grab().toImage();
        // Away and back with the keyboard.
        Item(id)->setFocus();
        QTest::keyClick(Item(id), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        ASSERT_TRUE(Item(id)->hasFocus()) << id;
        const QImage with = Item(id)->grab().toImage();
        const CRect f = CValueButton::FocusRect({0, 0, Item(id)->width(), Item(id)->height()});
        // Dots from the top-left corner on, every other pixel, on each edge.
        const struct {
            int x, y;
            bool dot;
        } probes[] = {{f.left, f.top, true},
                      {f.left + 1, f.top, false},
                      {f.left + 2, f.top, true},
                      {f.left, f.top + 1, false},
                      {f.left, f.top + 2, true},
                      {f.right - 1, f.bottom - 1, (f.Width() + f.Height()) % 2 == 0}};
        for (const auto& p : probes) {
            EXPECT_EQ(Pixel(with, p.x, p.y), p.dot ? QColor(Qt::black) : face)
                << id << " at " << p.x << "," << p.y;
            EXPECT_EQ(Pixel(without, p.x, p.y), face) << id << " at " << p.x << "," << p.y;
        }
    }
    QWidget* takeReading = Item(IDOK);
    Button(IDC_DEC)->setFocus();
    const QImage without = takeReading->grab().toImage();
    takeReading->setFocus();
    EXPECT_NE(takeReading->grab().toImage(), without) << "Take Reading shows its focus";
}

TEST_F(PanelWindow, AMousePressNeverChangesAReadOutsLookAndHidesTheKeyboardsFrame) {
    Start(std::make_unique<CFakeInstrument>(true));
    QApplication::setActiveWindow(frame);
    QWidget* readout = Item(IDC_POS_EDGE_REG);
    const QImage plain = readout->grab().toImage();
    QTest::mousePress(readout, Qt::LeftButton);
    ASSERT_TRUE(readout->hasFocus());
    EXPECT_EQ(readout->grab().toImage(), plain) << "pressed";
    QTest::mouseRelease(readout, Qt::LeftButton);
    EXPECT_EQ(instrument->calls.back(), "pos:0") << "the click refreshed it";
    EXPECT_EQ(readout->grab().toImage(), plain) << "clicked and focused";

    // The keyboard brings the frame; the next press anywhere in the panel takes it away.
    QTest::keyClick(readout, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_TRUE(readout->hasFocus());
    EXPECT_NE(readout->grab().toImage(), plain) << "framed";
    QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_TRUE(readout->hasFocus());
    EXPECT_EQ(readout->grab().toImage(), plain) << "after a press on the panel";
}

TEST_F(PanelWindow, ActiveLampGoesDarkOnALostLinkUntilAReadingSucceeds) {
    Start(std::make_unique<CFakeInstrument>(true));
    QWidget* lamp = Item(1004);
    const auto lampColor = [lamp] {
        return lamp->grab().toImage().pixelColor(lamp->rect().center());
    };
    const QColor green(0, 255, 0);
    const QColor dark(64, 64, 64);
    ASSERT_EQ(lampColor(), green);
    instrument->FailNext("pos", VI_ERROR_CONN_LOST);
    panel->OnTakeReading();
    EXPECT_EQ(lampColor(), dark);
    instrument->FailNext("meas", VI_ERROR_TMO);
    panel->OnTakeReading();
    EXPECT_EQ(lampColor(), dark) << "another failure leaves it dark";
    Button(IDC_NEG_EDGE_REG)->click();
    EXPECT_EQ(lampColor(), green) << "a register refreshed";
    instrument->FailNext("meas", VI_ERROR_TMO);
    panel->OnTakeReading();
    EXPECT_EQ(lampColor(), green) << "a time-out says nothing of the link";
    instrument->FailNext("neg", VI_ERROR_CONN_LOST);
    Button(IDC_NEG_EDGE_REG)->click();
    EXPECT_EQ(lampColor(), dark);
    panel->OnTakeReading();
    EXPECT_EQ(lampColor(), green);
}

TEST_F(PanelWindow, EnterPressesTheFocusedButtonElseTakesAReading) {
    Start(std::make_unique<CFakeInstrument>(true));
    QApplication::setActiveWindow(frame);
    const std::vector<std::string> full{"meas:0", "pos:0", "neg:0"};
    const struct {
        int focus;
        std::vector<std::string> calls;
    } cases[] = {
        {IDC_PORT_VALUE, {"meas:0"}},
        {IDC_POS_EDGE_REG, {"pos:0"}},
        {IDC_NEG_EDGE_REG, {"neg:0"}},
        {IDOK, full},
        {IDC_PORT0, full},
        {IDC_HEX, full},
    };
    for (const auto& c : cases) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            Item(c.focus)->setFocus();
            instrument->calls.clear();
            QTest::keyClick(Item(c.focus), key,
                            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            EXPECT_EQ(instrument->calls, c.calls) << c.focus << " key " << key;
        }
    }
}

TEST_F(PanelWindow, ResourceReadOutPaintsTheNameOrElidesItWithTheWholeInItsTooltip) {
    Start(std::make_unique<CFakeInstrument>(true));
    QApplication::setActiveWindow(frame);
    for (const char* name : {"VXI0::24", "GPIB-VXI12::255"}) {
        Reopen(24, name);
        QWidget* shown = Item(1011);
        const QString whole = QString::fromLatin1(name);
        ShowToolTipOf(shown);
        EXPECT_TRUE(ProcessEventsUntil([&] { return QToolTip::text() == whole; }))
            << QToolTip::text().toStdString();
        EXPECT_EQ(QAccessible::queryAccessibleInterface(shown)->text(QAccessible::Name),
                  "Resource " + whole);
        // The text that must appear, drawn by a display of the same kind, size and font.
        const QFontMetrics metrics(panel->font());
        const CRect area = CRect{0, 0, shown->width(), shown->height()}.Inset(2);
        const std::string expected = ElideText(name, area.Width(), [&](const std::string& t) {
            return metrics.horizontalAdvance(QString::fromStdString(t));
        });
        EXPECT_EQ(expected == name, std::string(name) == "VXI0::24") << expected;
        QWidget host;
        auto* label = new QLabel(&host);
        SetDlgCtrlId(label, 1);
        label->setGeometry(shown->geometry());
        CDisplayStatic reference(GetPanelColor(PanelColor::Face), GetPanelColor(PanelColor::Text),
                                 GetPanelColor(PanelColor::Shadow),
                                 GetPanelColor(PanelColor::Highlight), true, &panel->font());
        ASSERT_TRUE(reference.SubclassDlgItem(1, &host));
        reference.SetText(expected);
        const QRect inside = QRect(QPoint(0, 0), shown->size()).adjusted(3, 3, -3, -3);
        EXPECT_EQ(shown->grab().toImage().copy(inside), label->grab().toImage().copy(inside))
            << name;
    }
    ShowToolTipOf(Item(1010));
    EXPECT_TRUE(ProcessEventsUntil([] { return QToolTip::text() == "24"; })) << "the slot's";
    QToolTip::hideText();

    // Neither read-out takes a click: it goes on to the panel.
    struct CPressCounter : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            presses += event->type() == QEvent::MouseButtonPress ? 1 : 0;
            return false;
        }
    } counter;
    panel->installEventFilter(&counter);
    QTest::mouseClick(Item(1011), Qt::LeftButton);
    QTest::mouseClick(Item(1010), Qt::LeftButton);
    EXPECT_EQ(counter.presses, 2);
    panel->removeEventFilter(&counter);
}

TEST_F(PanelWindow, ControlsSitOnTheirTemplateRectanglesInTheMeasuredFont) {
    Start(std::make_unique<CFakeInstrument>(true));
    const DialogBaseUnits base = BaseUnitsOf(DialogFont(QStringLiteral("MS Sans Serif"), 8));
    // The panel's template in dialog units, as the module's panel was drawn: by id, or by text
    // for the controls without one.
    const struct {
        int id;
        const char* text;
        int x, y, cx, cy;
    } items[] = {
        {1000, "", 4, 0, 194, 35},
        {1012, "", 3, 36, 194, 139},
        {1006, "", 12, 40, 180, 18},
        {1002, "", 12, 4, 56, 24},
        {1001, "", 138, 5, 40, 24},
        {1007, "", 70, 45, 16, 8},
        {1010, "", 87, 44, 16, 12},
        {1011, "", 16, 44, 52, 11},
        {1004, "", 168, 42, 16, 12},
        {0, "Active", 139, 45, 24, 8},
        {1049, "", 115, 90, 75, 14},
        {0, "Port", 10, 60, 180, 25},
        {1053, "", 20, 70, 20, 10},
        {1054, "", 60, 70, 20, 10},
        {1055, "", 105, 70, 20, 10},
        {1056, "", 150, 70, 20, 10},
        {0, "Port Value:", 55, 95, 55, 8},
        {1070, "", 115, 110, 75, 14},
        {1071, "", 115, 130, 75, 14},
        {0, "Pos Edge Reg:", 55, 115, 55, 8},
        {0, "Neg. Edge Reg:", 55, 135, 55, 8},
        {0, "Radix", 10, 90, 40, 55},
        {1061, "", 15, 105, 30, 10},
        {1063, "", 15, 130, 29, 10},
        {IDOK, "", 45, 155, 90, 14},
    };
    const auto byText = [this](const QString& text) -> QWidget* {
        for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const auto* label = qobject_cast<QLabel*>(child);
            const auto* group = qobject_cast<QGroupBox*>(child);
            if ((label != nullptr && label->text() == text) ||
                (group != nullptr && group->title() == text)) {
                return child;
            }
        }
        return nullptr;
    };
    for (const auto& item : items) {
        QWidget* control = item.id != 0 ? Item(item.id) : byText(QString::fromLatin1(item.text));
        ASSERT_NE(control, nullptr) << item.id << item.text;
        const QRect expected = DialogToPixels(base, item.x, item.y, item.cx, item.cy);
        if (item.id == 1001 || item.id == 1002) {
            // The artwork takes its bitmap's size, from the template's corner.
            EXPECT_EQ(control->pos(), expected.topLeft()) << item.id;
        } else {
            EXPECT_EQ(control->geometry(), expected) << item.id << item.text;
        }
    }
    EXPECT_EQ(panel->size(), QSize(DialogXToPixels(base, 203), DialogYToPixels(base, 181)));
}
