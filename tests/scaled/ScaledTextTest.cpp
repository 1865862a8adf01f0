// On a scaled screen the template texts grow with the screen: drawn at the scaled size with
// their normal spacing, in the scale-1 layout scaled. This area runs with QT_SCALE_FACTOR set.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPointer>

#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "common/FakeInstrument.h"
#include "common/RecordingPlatform.h"
#include "panel/Pan1Dlg.h"
#include "platform/DialogUnits.h"
#include "resources/DialogTemplates.h"

namespace {

// The ink of dark text on a light ground: its bounding box and how many columns hold ink.
struct Ink {
    int width = 0;
    int height = 0;
    int columns = 0;
};

Ink InkOf(const QImage& image) {
    int left = image.width();
    int right = -1;
    int top = image.height();
    int bottom = -1;
    int columns = 0;
    for (int x = 0; x < image.width(); ++x) {
        bool any = false;
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 96) {
                any = true;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        columns += any ? 1 : 0;
    }
    return right < 0 ? Ink{} : Ink{right - left + 1, bottom - top + 1, columns};
}

// What the label shows at scale 1: its text in the template font, as the label aligns it.
Ink InkAtScaleOne(const QLabel* label) {
    QImage image(label->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(DialogFont(QStringLiteral("MS Sans Serif"), 8));
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), static_cast<int>(label->alignment()), label->text());
    painter.end();
    return InkOf(image);
}

Ink InkOnScreen(QLabel* label) {
    return InkOf(label->grab().toImage().convertToFormat(QImage::Format_RGB32));
}

QLabel* LabelWithText(const QWidget* parent, const QString& text) {
    for (QLabel* label : parent->findChildren<QLabel*>()) {
        if (label->text() == text) {
            return label;
        }
    }
    return nullptr;
}

void ExpectScaledNotSpread(QLabel* label, qreal ratio) {
    ASSERT_NE(label, nullptr);
    const Ink one = InkAtScaleOne(label);
    const Ink scaled = InkOnScreen(label);
    ASSERT_GT(one.width, 0) << label->text().toStdString();
    const QString what = label->text();
    // The text grows in both directions by the ratio (letters drawn small but placed apart
    // would grow in width only) and keeps the share of columns that hold ink.
    EXPECT_NEAR(scaled.width / (one.width * ratio), 1.0, 0.2) << what.toStdString();
    EXPECT_NEAR(scaled.height / (one.height * ratio), 1.0, 0.25) << what.toStdString();
    const double shareOne = static_cast<double>(one.columns) / one.width;
    const double shareScaled = static_cast<double>(scaled.columns) / scaled.width;
    EXPECT_GT(shareScaled, shareOne * 0.8) << what.toStdString();
}

}  // namespace

TEST(ScaledScreen, PanelAndAboutTextsGrowWithTheScaleInTheScaleOneLayout) {
    CRecordingPlatform platform;
    CSfpApp app;
    app.m_pInstrument = std::make_unique<CFakeInstrument>(true);
    app.InitInstance();
    QPointer<CMainFrame> frame = app.m_pMainWnd;
    ASSERT_NE(frame.data(), nullptr);
    CPan1Dlg* panel = frame->Client()->findChild<CPan1Dlg*>();
    ASSERT_NE(panel, nullptr);
    const qreal ratio = panel->devicePixelRatioF();
    ASSERT_GT(ratio, 1.0) << "the area runs with QT_SCALE_FACTOR set";
    const QString face = QFontInfo(panel->font()).family();
    EXPECT_TRUE(QFontDatabase::isScalable(face)) << face.toStdString();
    RecordProperty("text_face", face.toStdString());

    // Layout in logical pixels is that of scale 1: 6 x 13 base units of the template font.
    const DialogBaseUnits base = BaseUnitsOf(DialogFont(QStringLiteral("MS Sans Serif"), 8));
    const QLabel* portValue = LabelWithText(panel, QStringLiteral("Port Value:"));
    ASSERT_NE(portValue, nullptr);
    EXPECT_EQ(portValue->geometry(), DialogToPixels(base, 55, 95, 55, 8));

    for (const char* text : {"Port Value:", "Neg. Edge Reg:", "Slot:"}) {
        ExpectScaledNotSpread(LabelWithText(panel, QString::fromLatin1(text)), ratio);
    }
    {
        CAboutDlg about(frame);
        ExpectScaledNotSpread(
            LabelWithText(&about, QStringLiteral("VISA version required: 1.0 or greater")), ratio);
    }

    frame->DestroyWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
