// At a device pixel ratio of 2 the panel, its owner-drawn controls and the artwork scale
// together: every logical pixel becomes a uniform 2 x 2 block of the same colour (crisp lines,
// no blending), so the geometry doubles exactly.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPointer>

#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "common/FakeInstrument.h"
#include "common/RecordingPlatform.h"
#include "panel/Pan1Dlg.h"
#include "platform/DialogItems.h"

namespace {

QImage Render(QWidget* widget, qreal ratio) {
    QImage image(widget->size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::magenta);
    widget->render(&image);
    return image;
}

// Pixels of rect (logical) whose 2 x 2 block at scale 2 is not uniformly the 1x colour.
int Mismatches(const QImage& one, const QImage& two, const QRect& rect) {
    int bad = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb expected = one.pixel(x, y);
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    bad += two.pixel(2 * x + dx, 2 * y + dy) != expected ? 1 : 0;
                }
            }
        }
    }
    return bad;
}

}  // namespace

TEST(HiDpi, PanelGeometryDoublesWithCrispEdges) {
    CRecordingPlatform platform;
    CSfpApp app;
    auto fake = std::make_unique<CFakeInstrument>(true);
    app.m_crStatus = kColorGreen;
    app.m_pInstrument = std::move(fake);
    app.InitInstance();
    QPointer<CMainFrame> frame = app.m_pMainWnd;
    ASSERT_NE(frame.data(), nullptr);
    CPan1Dlg* panel = frame->Client()->findChild<CPan1Dlg*>();
    ASSERT_NE(panel, nullptr);

    const QImage one = Render(panel, 1);
    const QImage two = Render(panel, 2);
    ASSERT_EQ(two.size(), one.size() * 2);

    // Regions without text: the lamp, both artworks, the panel body's edges, the read-outs'
    // frame lines and the dark-grey margin.
    const QRect body = GetDlgItem(panel, 1012)->geometry();
    const QRect readout = GetDlgItem(panel, 1049)->geometry();
    const struct {
        const char* what;
        QRect rect;
    } regions[] = {
        {"lamp", GetDlgItem(panel, 1004)->geometry()},
        {"left artwork", GetDlgItem(panel, 1002)->geometry()},
        {"right artwork", GetDlgItem(panel, 1001)->geometry()},
        {"body left edge", QRect(body.left(), body.top() + 10, 4, body.height() - 20)},
        {"body bottom edge", QRect(body.left() + 10, body.bottom() - 3, body.width() - 20, 4)},
        {"read-out top frame", QRect(readout.left(), readout.top(), readout.width(), 3)},
        {"margin", QRect(0, panel->height() - 3, panel->width(), 3)},
    };
    for (const auto& region : regions) {
        EXPECT_EQ(Mismatches(one, two, region.rect), 0) << region.what;
    }
    const QPoint lamp = GetDlgItem(panel, 1004)->geometry().center();
    EXPECT_EQ(QColor(two.pixel(2 * lamp.x(), 2 * lamp.y())), QColor(0, 255, 0));

    frame->DestroyWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
