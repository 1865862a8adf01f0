// Where the QPainter canvas puts its pixels.
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <functional>

#include "platform/PainterCanvas.h"
#include "platform/QtColor.h"
#include "platform/native/EllipseRaster.h"

namespace {

const COLORREF kRed = MakeRgb(255, 0, 0);
const COLORREF kBlue = MakeRgb(0, 0, 255);
const COLORREF kGreen = MakeRgb(0, 255, 0);

// Draws on a white image and returns it as rows of letters: R, B, G, '.' for white, '?' else.
std::vector<std::string> Draw(int w, int h, const std::function<void(CCanvas&)>& draw) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        CPainterCanvas dc(painter);
        draw(dc);
    }
    std::vector<std::string> rows(static_cast<size_t>(h), std::string(static_cast<size_t>(w), '?'));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const COLORREF c = FromQColor(image.pixelColor(x, y));
            const char mark = c == kRed ? 'R' : c == kBlue ? 'B' : c == kGreen ? 'G' : '?';
            rows[static_cast<size_t>(y)][static_cast<size_t>(x)] =
                c == MakeRgb(255, 255, 255) ? '.' : mark;
        }
    }
    return rows;
}

}  // namespace

TEST(PainterCanvas, TwoPixelPensLieAboveAndLeftOfTheirLinesAndFillsStopShortOfRightAndBottom) {
    // A read-out's face on (0, 0, 12, 8): frame on (1, 1, 11, 7), fill of (2, 2, 10, 6).
    const auto rows = Draw(14, 10, [](CCanvas& dc) {
        dc.SelectPen({2, kRed});
        dc.Polyline({{1, 7}, {1, 1}, {11, 1}});
        dc.SelectPen({2, kBlue});
        dc.Polyline({{11, 1}, {11, 7}, {1, 7}});
        dc.FillSolidRect({2, 2, 10, 6}, kGreen);
        dc.FillSolidRect({5, 5, 5, 9}, kRed);  // empty
    });
    const std::vector<std::string> expected = {
        "RRRRRRRRRRBB..", "RRRRRRRRRRBB..", "RRGGGGGGGGBB..", "RRGGGGGGGGBB..", "RRGGGGGGGGBB..",
        "RRGGGGGGGGBB..", "BBBBBBBBBBBB..", "BBBBBBBBBBBB..", "..............", "..............",
    };
    EXPECT_EQ(rows, expected);
}

TEST(PainterCanvas, OnePixelPolylineLeavesOutOnlyItsLastPoint) {
    const std::pair<std::vector<CPoint>, std::vector<std::string>> cases[] = {
        {{{1, 4}, {1, 1}, {4, 1}}, {".....", ".RRR.", ".R...", ".R...", ".R..."}},
        {{{4, 1}, {1, 1}, {1, 4}}, {".....", ".RRRR", ".R...", ".R...", "....."}},
        {{{0, 0}, {4, 4}}, {"R....", ".R...", "..R..", "...R.", "....."}},
        {{{2, 2}, {3, 2}}, {".....", ".....", "..R..", ".....", "....."}},
        {{{1, 3}, {3, 3}, {3, 3}}, {".....", ".....", ".....", ".RR..", "....."}},
    };
    for (const auto& [points, expected] : cases) {
        const auto draw = [&points = points](CCanvas& dc) {
            dc.SelectPen({1, kRed});
            dc.Polyline(points);
        };
        EXPECT_EQ(Draw(5, 5, draw), expected);
    }
}

TEST(PainterCanvas, EllipseAndArcLandOnTheRasterPixels) {
    const CRect rect{2, 1, 22, 21};
    const auto rows = Draw(24, 23, [&](CCanvas& dc) {
        dc.SelectPen({1, kRed});
        dc.SelectBrush({kGreen});
        dc.Ellipse(rect);
        dc.SelectPen({1, kBlue});
        dc.Arc(rect, {4, 18}, {19, 3});
    });
    std::vector<std::string> expected(23, std::string(24, '.'));
    const CEllipsePixels e = RasterizeEllipse(rect);
    for (const auto& [runs, mark] : {std::pair{e.disc, 'G'}, {e.outline, 'R'}}) {
        for (const CPixelRun& run : runs) {
            expected[run.y].replace(run.left, run.right - run.left, run.right - run.left, mark);
        }
    }
    for (const CPoint& p : ArcPixels(rect, {4, 18}, {19, 3})) {
        expected[p.y][p.x] = 'B';
    }
    EXPECT_EQ(rows, expected);
}

TEST(PainterCanvas, TextStartsAtItsPointInTheSelectedFontAndStaysInItsClip) {
    QFont font("DejaVu Sans");
    font.setPixelSize(14);
    CSize extent;
    const auto rows = Draw(60, 40, [&](CCanvas& dc) {
        dc.SelectFont(&font);
        extent = dc.GetTextExtent("WWWWWWWWWW");
        dc.TextOutClipped({0, 12}, {10, 0, 40, 40}, "WWWWWWWWWW", kBlue);
    });
    EXPECT_GT(extent.cx, 60);
    int inked = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            if (rows[y][x] != '.') {
                ++inked;
                EXPECT_TRUE(x >= 10 && x < 40 && y >= 12 && y < 12 + extent.cy) << x << "," << y;
            }
        }
    }
    EXPECT_GT(inked, 20);
}
