#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "common/RecordingCanvas.h"
#include "platform/native/EllipseRaster.h"

namespace {

using PixelSet = std::set<std::pair<int, int>>;

PixelSet Pixels(const std::vector<CPixelRun>& runs) {
    PixelSet set;
    for (const CPixelRun& run : runs) {
        for (int x = run.left; x < run.right; ++x) {
            set.insert({x, run.y});
        }
    }
    return set;
}

PixelSet Pixels(const std::vector<CPoint>& points) {
    PixelSet set;
    for (const CPoint& p : points) {
        set.insert({p.x, p.y});
    }
    return set;
}

}  // namespace

TEST(EllipseRaster, FillsExactlyToTheEdgesAndIsSymmetric) {
    const CRect rects[] = {{0, 0, 20, 20}, {2, 0, 21, 19}, {4, 4, 16, 16}, {0, 0, 30, 4},
                           {0, 0, 3, 9},   {5, 7, 18, 12}, {0, 0, 1, 1},   {0, 0, 2, 2}};
    for (const CRect& r : rects) {
        SCOPED_TRACE(Describe(r));
        const CEllipsePixels e = RasterizeEllipse(r);
        const PixelSet disc = Pixels(e.disc);
        const PixelSet outline = Pixels(e.outline);
        int minX = r.right, maxX = r.left - 1, minY = r.bottom, maxY = r.top - 1;
        for (const auto& [x, y] : disc) {
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
            EXPECT_TRUE(disc.count({r.left + r.right - 1 - x, y})) << x << "," << y;
            EXPECT_TRUE(disc.count({x, r.top + r.bottom - 1 - y})) << x << "," << y;
            if (r.Width() == r.Height()) {
                EXPECT_TRUE(disc.count({r.left + y - r.top, r.top + x - r.left}));
            }
            const bool edge = !disc.count({x - 1, y}) || !disc.count({x + 1, y}) ||
                              !disc.count({x, y - 1}) || !disc.count({x, y + 1});
            EXPECT_EQ(outline.count({x, y}) == 1, edge) << x << "," << y;
        }
        // Right and bottom edges excluded; the left and top ones and the last column and
        // row reached.
        EXPECT_EQ(minX, r.left);
        EXPECT_EQ(maxX, r.right - 1);
        EXPECT_EQ(minY, r.top);
        EXPECT_EQ(maxY, r.bottom - 1);
        EXPECT_EQ(e.disc.size(), static_cast<size_t>(r.Height())) << "one run a row";
    }
    EXPECT_TRUE(RasterizeEllipse({3, 3, 3, 10}).disc.empty());
    EXPECT_TRUE(RasterizeEllipse({5, 5, 0, 0}).outline.empty());
}

TEST(EllipseRaster, ArcsSplitTheOutlineAtTheirRadials) {
    const CRect r{0, 0, 20, 20};
    const PixelSet outline = Pixels(RasterizeEllipse(r).outline);
    const PixelSet shadow = Pixels(ArcPixels(r, {2, 17}, {17, 2}));
    const PixelSet rest = Pixels(ArcPixels(r, {17, 2}, {2, 17}));
    PixelSet both = shadow;
    both.insert(rest.begin(), rest.end());
    EXPECT_EQ(both, outline);
    // Counter-clockwise from lower left to upper right passes the bottom and the right side.
    for (const auto& p : {std::pair{9, 19}, {19, 9}, {10, 19}, {19, 10}}) {
        EXPECT_TRUE(shadow.count(p)) << p.first << "," << p.second;
        EXPECT_FALSE(rest.count(p)) << p.first << "," << p.second;
    }
    for (const auto& p : {std::pair{9, 0}, {0, 9}, {10, 0}, {0, 10}}) {
        EXPECT_FALSE(shadow.count(p)) << p.first << "," << p.second;
    }
    EXPECT_EQ(Pixels(ArcPixels(r, {5, 5}, {5, 5})), outline) << "equal radials: whole outline";
}
