#include "platform/native/EllipseRaster.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// For each of n cells across an extent of n pixels, how many cells at each end of the
// perpendicular extent m fall outside the ellipse along that cell's centre line. Computed
// from the distance to the centre only, so the counts are mirror-symmetric.
std::vector<int> EndCuts(int n, int m) {
    const double half = n / 2.0;
    const double otherHalf = m / 2.0;
    const int maxCut = (m - 1) / 2;  // keep 1 pixel (odd m) or 2 (even m) on every line
    std::vector<int> cuts(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double d = std::abs(2 * i + 1 - n) / 2.0 / half;
        const double reach = otherHalf * std::sqrt(std::max(0.0, 1.0 - d * d));
        const int cut = static_cast<int>(std::ceil((m - 1) / 2.0 - reach - 1e-9));
        cuts[static_cast<size_t>(i)] = std::clamp(cut, 0, maxCut);
    }
    return cuts;
}

double AngleFrom(double cx, double cy, double x, double y) {
    const double a = std::atan2(cy - y, x - cx);  // screen y grows downwards
    return a < 0 ? a + 2 * kPi : a;
}

}  // namespace

CEllipsePixels RasterizeEllipse(const CRect& rect) {
    CEllipsePixels pixels;
    const int w = rect.Width();
    const int h = rect.Height();
    if (w <= 0 || h <= 0) {
        return pixels;
    }
    // A pixel belongs to the disc when its row or its column reaches it: rows alone would leave
    // the side pixels of a flat ellipse out, columns alone the top of a tall one.
    const std::vector<int> rowCuts = EndCuts(h, w);
    const std::vector<int> colCuts = EndCuts(w, h);
    std::vector<int> left(static_cast<size_t>(h));
    for (int i = 0; i < h; ++i) {
        const int fromEdge = std::min(i, h - 1 - i);
        int cut = rowCuts[static_cast<size_t>(i)];
        for (int j = 0; j < cut; ++j) {
            if (colCuts[static_cast<size_t>(j)] <= fromEdge) {
                cut = j;
                break;
            }
        }
        left[static_cast<size_t>(i)] = cut;
        pixels.disc.push_back({rect.top + i, rect.left + cut, rect.right - cut});
    }
    // Edge pixels: those with a 4-neighbour outside the disc.
    for (int i = 0; i < h; ++i) {
        const int cut = left[static_cast<size_t>(i)];
        int innerCut = cut + 1;
        innerCut = std::max(innerCut, i > 0 ? left[static_cast<size_t>(i - 1)] : w);
        innerCut = std::max(innerCut, i + 1 < h ? left[static_cast<size_t>(i + 1)] : w);
        const int y = rect.top + i;
        if (2 * innerCut >= w) {
            pixels.outline.push_back({y, rect.left + cut, rect.right - cut});
        } else {
            pixels.outline.push_back({y, rect.left + cut, rect.left + innerCut});
            pixels.outline.push_back({y, rect.right - innerCut, rect.right - cut});
        }
    }
    return pixels;
}

std::vector<CPoint> ArcPixels(const CRect& rect, CPoint start, CPoint end) {
    const double cx = (rect.left + rect.right) / 2.0;
    const double cy = (rect.top + rect.bottom) / 2.0;
    const double from = AngleFrom(cx, cy, start.x, start.y);
    double sweep = AngleFrom(cx, cy, end.x, end.y) - from;
    if (sweep <= 0) {
        sweep += 2 * kPi;
    }
    std::vector<CPoint> points;
    for (const CPixelRun& run : RasterizeEllipse(rect).outline) {
        for (int x = run.left; x < run.right; ++x) {
            double along = AngleFrom(cx, cy, x + 0.5, run.y + 0.5) - from;
            if (along < 0) {
                along += 2 * kPi;
            }
            if (along <= sweep) {
                points.push_back({x, run.y});
            }
        }
    }
    return points;
}
