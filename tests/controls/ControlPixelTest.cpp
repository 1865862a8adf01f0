// The controls on real widgets, painted by the QPainter canvas and read back as pixels.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "controls/ArtworkStatic.h"
#include "controls/DisplayStatic.h"
#include "controls/LedButton.h"
#include "controls/ValueButton.h"
#include "platform/Bitmap.h"
#include "platform/DialogItems.h"
#include "platform/QtColor.h"
#include "platform/SysColors.h"

void PrintTo(const QImage& image, std::ostream* os) {
    *os << image.width() << "x" << image.height();
}

namespace {

// Colours no style paints, so that every pixel tells who drew it.
const COLORREF kPanel = MakeRgb(20, 40, 60), kBack = MakeRgb(200, 200, 100);
const COLORREF kRed = MakeRgb(255, 0, 0), kBlue = MakeRgb(0, 0, 255), kBlack = MakeRgb(0, 0, 0);

QImage Solid(QSize size, COLORREF color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(ToQColor(color));
    return image;
}

// A box in back with the 2-pixel frame on lines f: red above and left of the top and left
// lines, blue (drawn last) above and left of the bottom and right ones.
QImage FramedBox(QSize size, COLORREF back, CRect f) {
    QImage image = Solid(size, back);
    QPainter painter(&image);
    const int w = f.Width() + 2, h = f.Height() + 2;
    painter.fillRect(f.left - 1, f.top - 1, w, 2, ToQColor(kRed));
    painter.fillRect(f.left - 1, f.top - 1, 2, h, ToQColor(kRed));
    painter.fillRect(f.right - 1, f.top - 1, 2, h, ToQColor(kBlue));
    painter.fillRect(f.left - 1, f.bottom - 1, w, 2, ToQColor(kBlue));
    return image;
}

// The smallest rectangle holding every pixel where a and b differ.
QRect ChangedArea(const QImage& a, const QImage& b) {
    QRect changed;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            changed |= a.pixel(x, y) != b.pixel(x, y) ? QRect(x, y, 1, 1) : QRect();
        }
    }
    return changed;
}

class ControlPixels : public ::testing::Test {
protected:
    ControlPixels() {
        QPalette palette = m_panel.palette();
        palette.setColor(QPalette::Window, ToQColor(kPanel));
        m_panel.setPalette(palette);
        m_panel.setAutoFillBackground(true);
        m_panel.resize(320, 140);
    }

    template <class Widget>
    Widget* AddItem(int id, const QRect& geometry) {
        auto* item = new Widget(&m_panel);
        SetDlgCtrlId(item, id);
        item->setGeometry(geometry);
        return item;
    }

    void Show() {
        m_panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_panel));
        m_panel.repaint();
    }

    // The item freshly rendered with the panel behind it.
    QImage Render(const QWidget* item) {
        return m_panel.grab(item->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    // What the window shows now, read back without painting anything.
    QImage OnScreen(const QWidget* item) {
        const QRect g = item->geometry();
        QScreen* screen = m_panel.windowHandle()->screen();
        const QPixmap shown =
            screen->grabWindow(m_panel.winId(), g.x(), g.y(), g.width(), g.height());
        return shown.toImage().convertToFormat(QImage::Format_RGB32);
    }

    QWidget m_panel;
};

}  // namespace

TEST_F(ControlPixels, ValueButtonShowsFocusDotsLooksTheSamePressedAndStillClicks) {
    auto* wnd = AddItem<QPushButton>(1010, {10, 10, 112, 22});
    auto* other = AddItem<QPushButton>(1011, {10, 40, 50, 20});
    wnd->setText("Button1");
    CValueButton button(kBack, kBlack, kRed, kBlue);
    ASSERT_TRUE(button.SubclassDlgItem(1010, &m_panel));
    Show();
    other->setFocus();
    // Frame on (1, 1, 111, 21), the rest in the background: the caption is never drawn.
    const QImage idle = FramedBox({112, 22}, kBack, {1, 1, 111, 21});
    EXPECT_EQ(Render(wnd), idle);
    // With the focus: black dots on every other pixel of (3, 3, 109, 19) from its corner on.
    QImage focused = idle;
    for (int y = 3; y < 19; ++y) {
        for (int x = 3; x < 109; ++x) {
            const bool edge = x == 3 || x == 108 || y == 3 || y == 18;
            if (edge && (x + y) % 2 == 0) {
                focused.setPixel(x, y, qRgb(0, 0, 0));
            }
        }
    }

    QSignalSpy clicked(wnd, &QPushButton::clicked);
    wnd->setFocus();
    ASSERT_TRUE(wnd->hasFocus());
    EXPECT_EQ(Render(wnd), idle) << "no frame until the keyboard moves the focus";
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Tab);
    ASSERT_TRUE(wnd->hasFocus());
    EXPECT_EQ(Render(wnd), focused);
    QTest::mousePress(wnd, Qt::LeftButton, {}, QPoint(50, 10));
    ASSERT_TRUE(wnd->isDown());
    EXPECT_EQ(OnScreen(wnd), focused);
    QTest::mouseRelease(wnd, Qt::LeftButton, {}, QPoint(50, 10));
    QTest::keyClick(wnd, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(OnScreen(wnd), focused);
}

TEST_F(ControlPixels, ValueButtonSetTextRedrawsOnlyInsideTheFrameAtOnce) {
    auto* wnd = AddItem<QPushButton>(1010, {10, 10, 112, 22});
    wnd->setFocusPolicy(Qt::NoFocus);  // the text alone, without the focus frame
    CValueButton button(kBack, kBlack, kRed, kBlue);
    button.SetText("65535");  // before binding: kept for the first paint
    ASSERT_TRUE(button.SubclassDlgItem(1010, &m_panel));
    Show();
    const QImage empty = FramedBox({112, 22}, kBack, {1, 1, 111, 21});
    EXPECT_NE(OnScreen(wnd), empty);
    button.SetText("");
    EXPECT_EQ(OnScreen(wnd), empty);

    // Read back with no event processed: the redraw happens inside SetText.
    for (const std::string& text : {std::string("0xffff"), std::string(40, '8')}) {
        button.SetText(text);
        const QImage shown = OnScreen(wnd);
        EXPECT_FALSE(ChangedArea(empty, shown).isEmpty()) << text;
        EXPECT_TRUE(QRect(2, 2, 108, 18).contains(ChangedArea(empty, shown))) << text;
        EXPECT_EQ(shown, Render(wnd)) << text << ": a paint draws the same picture";
    }
}

TEST_F(ControlPixels, DisplayStaticFramedOrNotAndNeverTheTemplatesOwnLook) {
    CDisplayStatic framed(kBack, kBlack, kRed, kBlue, true);
    CDisplayStatic plain(kBack, kBlack, kRed, kBlue, false);
    for (int id : {1020, 1021}) {
        auto* label = AddItem<QLabel>(id, {id == 1020 ? 10 : 40, 40, 24, 19});
        label->setText("Static");
        label->setFrameShape(QFrame::Box);
    }
    ASSERT_TRUE(framed.SubclassDlgItem(1020, &m_panel));
    ASSERT_TRUE(plain.SubclassDlgItem(1021, &m_panel));
    Show();
    // Frame on (2, 2, 22, 17), filled inside, the outer pixel left to the panel.
    QImage bezel = FramedBox({24, 19}, kPanel, {2, 2, 22, 17});
    QPainter(&bezel).fillRect(3, 3, 18, 13, ToQColor(kBack));
    EXPECT_EQ(Render(framed.GetSafeHwnd()), bezel);
    EXPECT_EQ(Render(plain.GetSafeHwnd()), Solid({24, 19}, kPanel));

    // SetText leaves on the window what a paint would, framed or not.
    for (CDisplayStatic* display : {&framed, &plain}) {
        const QImage before = OnScreen(display->GetSafeHwnd());
        display->SetText("8");
        const QImage shown = OnScreen(display->GetSafeHwnd());
        EXPECT_EQ(shown, Render(display->GetSafeHwnd()));
        EXPECT_FALSE(ChangedArea(before, shown).isEmpty());
        EXPECT_TRUE(QRect(2, 2, 20, 15).contains(ChangedArea(before, shown)));
    }
}

TEST_F(ControlPixels, LedShowsLampInRaisedBezelWhateverItsState) {
    const COLORREF lamp = MakeRgb(0, 255, 0), back = MakeRgb(50, 60, 70);
    auto* wnd = AddItem<QPushButton>(1030, {10, 70, 20, 20});
    CLedButton led(lamp, back);
    ASSERT_TRUE(led.SubclassDlgItem(1030, &m_panel));
    Show();
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
    ASSERT_NE(light, shadow);
    // Lamp in the middle, bezel face around it, outline light at the left and top and dark at
    // the right and bottom, background in the corners.
    const std::pair<QPoint, COLORREF> samples[] = {
        {{10, 10}, lamp},  {{10, 2}, GetSysColor(COLOR_BTNFACE)},
        {{0, 9}, light},   {{9, 0}, light},
        {{19, 9}, shadow}, {{9, 19}, shadow},
        {{0, 0}, back},    {{19, 19}, back}};
    const QImage idle = Render(wnd);
    for (const auto& [p, color] : samples) {
        EXPECT_EQ(FromQColor(idle.pixelColor(p)), color) << p.x() << "," << p.y();
    }
    QTest::mousePress(wnd, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(OnScreen(wnd), idle);
    QTest::mouseRelease(wnd, Qt::LeftButton, {}, QPoint(10, 10));
}

TEST_F(ControlPixels, ArtworkShowsItsBitmapWholeFromTheOuterCorner) {
    AddItem<QLabel>(1002, {150, 10, 40, 20})->setFrameShape(QFrame::Box);
    AddItem<QLabel>(1003, {150, 60, 40, 20});
    auto* artwork = new CArtworkStatic(104);
    auto* missing = new CArtworkStatic(106);
    ASSERT_TRUE(artwork->SubclassDlgItem(1002, &m_panel));
    ASSERT_TRUE(missing->SubclassDlgItem(1003, &m_panel));
    Show();
    EXPECT_EQ(artwork->GetSafeHwnd()->geometry(), QRect(150, 10, 103, 24)) << "fitted, not moved";
    EXPECT_EQ(Render(artwork->GetSafeHwnd()),
              LoadBitmap(104).GetImage().convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(missing->GetSafeHwnd()->geometry(), QRect(150, 60, 40, 20));
    EXPECT_EQ(Render(missing->GetSafeHwnd()), Solid({40, 20}, kPanel));
    delete artwork;
    delete missing;
}

TEST_F(ControlPixels, ControlAndWidgetMayGoInEitherOrder) {
    auto* first = AddItem<QPushButton>(1010, {10, 10, 112, 22});
    AddItem<QPushButton>(1011, {10, 40, 112, 22});
    {
        CValueButton button(kBack, kBlack, kRed, kBlue);
        ASSERT_TRUE(button.SubclassDlgItem(1010, &m_panel));
        EXPECT_FALSE(button.SubclassDlgItem(1011, &m_panel)) << "one widget per control";
        EXPECT_EQ(Render(first), FramedBox({112, 22}, kBack, {1, 1, 111, 21}));
    }
    EXPECT_NE(Render(first), FramedBox({112, 22}, kBack, {1, 1, 111, 21})) << "its own look again";

    CValueButton button(kBack, kBlack, kRed, kBlue);
    EXPECT_FALSE(button.SubclassDlgItem(9999, &m_panel));
    EXPECT_FALSE(button.SubclassDlgItem(1011, nullptr));
    ASSERT_TRUE(button.SubclassDlgItem(1011, &m_panel));
    delete GetDlgItem(&m_panel, 1011);
    EXPECT_EQ(button.GetSafeHwnd(), nullptr);
    button.SetText("1");
    EXPECT_EQ(button.GetText(), "1");
}
