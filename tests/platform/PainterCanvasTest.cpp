// Where the QPainter canvas puts its pixels.
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <functional>
#include <set>

#include "platform/Bitmap.h"
#include "platform/PainterCanvas.h"
#include "platform/QtColor.h"
#include "platform/native/EllipseRaster.h"

namespace {

const COLORREF kWhite = MakeRgb(255, 255, 255);
const COLORREF kRed = MakeRgb(255, 0, 0);
const COLORREF kBlue = MakeRgb(0, 0, 255);
const COLORREF kGreen = MakeRgb(0, 255, 0);

QImage Draw(int w, int h, const std::function<void(CCanvas&)>& draw) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ToQColor(kWhite));
    QPainter painter(&image);
    CPainterCanvas dc(painter);
    draw(dc);
    return image;
}

COLORREF At(const QImage& image, int x, int y) {
    return FromQColor(image.pixelColor(x, y));
}

// The pixels not in the background colour.
std::set<std::pair<int, int>> Inked(const QImage& image) {
    std::set<std::pair<int, int>> inked;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (At(image, x, y) != kWhite) {
                inked.insert({x, y});
            }
        }
    }
    return inked;
}

}  // namespace

TEST(PainterCanvas, FillLeavesOutRightAndBottomEdges) {
    const QImage image = Draw(10, 8, [](CCanvas& dc) {
        dc.FillSolidRect({2, 3, 7, 5}, kRed);
        dc.FillSolidRect({5, 5, 5, 9}, kBlue);  // empty
    });
    std::set<std::pair<int, int>> expected;
    for (int y = 3; y < 5; ++y) {
        for (int x = 2; x < 7; ++x) {
            expected.insert({x, y});
        }
    }
    EXPECT_EQ(Inked(image), expected);
}

TEST(PainterCanvas, TwoPixelPensLieAboveAndLeftOfTheirLines) {
    // The read-out's frame on (1, 1, 11, 7): two pixels wide on each side, with the
    // bottom-right polyline drawn last over both shared corners.
    const QImage image = Draw(14, 10, [](CCanvas& dc) {
        dc.SelectPen({2, kRed});
        dc.Polyline({{1, 7}, {1, 1}, {11, 1}});
        dc.SelectPen({2, kBlue});
        dc.Polyline({{11, 1}, {11, 7}, {1, 7}});
    });
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 14; ++x) {
            COLORREF expected = kWhite;
            if (x <= 11 && y <= 7) {
                if (x >= 10 || y >= 6) {
                    expected = kBlue;
                } else if (x <= 1 || y <= 1) {
                    expected = kRed;
                }
            }
            EXPECT_EQ(At(image, x, y), expected) << x << "," << y;
        }
    }
}

TEST(PainterCanvas, OnePixelPolylineLeavesOutOnlyItsLastPoint) {
    struct Case {
        std::vector<CPoint> points;
        std::set<std::pair<int, int>> expected;
    };
    const Case cases[] = {
        {{{1, 5}, {1, 1}, {5, 1}},
         {{1, 5}, {1, 4}, {1, 3}, {1, 2}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {{{6, 2}, {2, 2}, {2, 6}},
         {{6, 2}, {5, 2}, {4, 2}, {3, 2}, {2, 2}, {2, 3}, {2, 4}, {2, 5}}},
        {{{1, 1}, {4, 4}}, {{1, 1}, {2, 2}, {3, 3}}},
        {{{3, 3}, {4, 3}}, {{3, 3}}},
        {{{3, 3}, {3, 3}}, {}},
    };
    for (const Case& c : cases) {
        const QImage image = Draw(8, 8, [&](CCanvas& dc) {
            dc.SelectPen({1, kRed});
            dc.Polyline(c.points);
        });
        EXPECT_EQ(Inked(image), c.expected)
            << c.points.size() << " points from (" << c.points[0].x << "," << c.points[0].y << ")";
    }
}

TEST(PainterCanvas, EllipseAndArcLandOnTheRasterPixels) {
    const CRect rect{2, 1, 22, 21};
    const QImage image = Draw(24, 23, [&](CCanvas& dc) {
        dc.SelectPen({1, kRed});
        dc.SelectBrush({kGreen});
        dc.Ellipse(rect);
        dc.SelectPen({1, kBlue});
        dc.Arc(rect, {4, 18}, {19, 3});
    });
    const CEllipsePixels e = RasterizeEllipse(rect);
    std::set<std::pair<int, int>> arc;
    for (const CPoint& p : ArcPixels(rect, {4, 18}, {19, 3})) {
        arc.insert({p.x, p.y});
    }
    ASSERT_FALSE(arc.empty());
    std::set<std::pair<int, int>> outline;
    for (const CPixelRun& run : e.outline) {
        for (int x = run.left; x < run.right; ++x) {
            outline.insert({x, run.y});
        }
    }
    size_t disc = 0;
    for (const CPixelRun& run : e.disc) {
        for (int x = run.left; x < run.right; ++x, ++disc) {
            const COLORREF expected = arc.count({x, run.y})       ? kBlue
                                      : outline.count({x, run.y}) ? kRed
                                                                  : kGreen;
            EXPECT_EQ(At(image, x, run.y), expected) << x << "," << run.y;
        }
    }
    EXPECT_EQ(Inked(image).size(), disc) << "nothing outside the ellipse";
}

TEST(PainterCanvas, TextStartsAtItsPointAndStaysInItsClip) {
    QFont font("DejaVu Sans");
    font.setPixelSize(14);
    CSize extent;
    const QImage image = Draw(60, 40, [&](CCanvas& dc) {
        dc.SelectFont(&font);
        extent = dc.GetTextExtent("WWWWWWWWWW");
        dc.TextOutClipped({0, 12}, {10, 0, 40, 40}, "WWWWWWWWWW", kBlue);
    });
    const auto inked = Inked(image);
    ASSERT_FALSE(inked.empty());
    for (const auto& [x, y] : inked) {
        EXPECT_GE(x, 10);
        EXPECT_LT(x, 40);
        EXPECT_GE(y, 12) << "the point is the cell's top, not the baseline";
        EXPECT_LT(y, 12 + extent.cy);
    }
    EXPECT_GT(extent.cx, 60) << "measured in the selected font";
}

TEST(PainterCanvas, BlockCopyPutsTheBitmapUnchangedAtItsDestination) {
    const CBitmap bitmap = LoadBitmap(105);
    ASSERT_FALSE(bitmap.IsNull());
    const QImage image = Draw(90, 50, [&](CCanvas& dc) {
        CMemoryContext memory;
        dc.BitBlt({0, 0}, {10, 10}, memory, {0, 0});  // nothing selected: nothing copied
        memory.SelectBitmap(&bitmap);
        dc.BitBlt({5, 4}, bitmap.GetSize(), memory, {0, 0});
    });
    const QImage source = bitmap.GetImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.copy(5, 4, 77, 41), source);
    EXPECT_EQ(At(image, 4, 4), kWhite);
    EXPECT_EQ(At(image, 82, 45), kWhite);
}
