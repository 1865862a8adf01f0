#include <gtest/gtest.h>

#include <set>

#include "platform/RecordingCanvas.h"
#include "platform/native/EllipseRaster.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels Of(const std::vector<CPixelRun>& runs) {
    Pixels set;
    for (const CPixelRun& run : runs) {
        for (int x = run.left; x < run.right; ++x) {
            set.insert({x, run.y});
        }
    }
    return set;
}

Pixels Of(const std::vector<CPoint>& points) {
    Pixels set;
    for (const CPoint& p : points) {
        set.insert({p.x, p.y});
    }
    return set;
}

}  // namespace

TEST(EllipseRaster, ReachesEveryEdgeButRightAndBottomAndIsSymmetric) {
    for (const CRect& r : {CRect{0, 0, 20, 20}, CRect{2, 0, 21, 19}, CRect{0, 0, 30, 4},
                           CRect{0, 0, 3, 9}, CRect{5, 7, 18, 12}, CRect{0, 0, 1, 1}}) {
        SCOPED_TRACE(Describe(r));
        const CEllipsePixels e = RasterizeEllipse(r);
        const Pixels disc = Of(e.disc);
        const Pixels outline = Of(e.outline);
        CRect bounds{r.right, r.bottom, r.left, r.top};
        for (const auto& [x, y] : disc) {
            bounds = {std::min(bounds.left, x), std::min(bounds.top, y),
                      std::max(bounds.right, x + 1), std::max(bounds.bottom, y + 1)};
            EXPECT_TRUE(disc.count({r.left + r.right - 1 - x, y}) &&
                        disc.count({x, r.top + r.bottom - 1 - y}));
            if (r.Width() == r.Height()) {
                EXPECT_TRUE(disc.count({r.left + y - r.top, r.top + x - r.left}));
            }
            const bool edge = !disc.count({x - 1, y}) || !disc.count({x + 1, y}) ||
                              !disc.count({x, y - 1}) || !disc.count({x, y + 1});
            EXPECT_EQ(outline.count({x, y}) == 1, edge) << x << "," << y;
        }
        EXPECT_EQ(bounds, r);
        EXPECT_EQ(e.disc.size(), static_cast<size_t>(r.Height())) << "one run a row";
    }
    EXPECT_TRUE(RasterizeEllipse({3, 3, 3, 10}).disc.empty());
}

TEST(EllipseRaster, ArcsSplitTheOutlineAtTheirRadials) {
    const CRect r{0, 0, 20, 20};
    const Pixels shadow = Of(ArcPixels(r, {2, 17}, {17, 2}));
    Pixels both = Of(ArcPixels(r, {17, 2}, {2, 17}));
    // Counter-clockwise from lower left to upper right passes the bottom and the right side.
    for (const auto& p : {std::pair{9, 19}, {10, 19}, {19, 9}, {19, 10}}) {
        EXPECT_TRUE(shadow.count(p) && !both.count(p)) << p.first << "," << p.second;
    }
    for (const auto& p : {std::pair{9, 0}, {10, 0}, {0, 9}, {0, 10}}) {
        EXPECT_TRUE(!shadow.count(p) && both.count(p)) << p.first << "," << p.second;
    }
    both.insert(shadow.begin(), shadow.end());
    EXPECT_EQ(both, Of(RasterizeEllipse(r).outline));
    EXPECT_EQ(Of(ArcPixels(r, {5, 5}, {5, 5})), both) << "equal radials: the whole outline";
}
