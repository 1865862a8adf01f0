#include "controls/FaceGeometry.h"

#include <cmath>

CPoint TextOrigin(const CRect& area, CSize extent) {
    const int x = extent.cx < area.Width() ? area.left + (area.Width() - extent.cx) / 2 : 0;
    const int y = extent.cy < area.Height() ? area.top + (area.Height() - extent.cy) / 2 : 0;
    return {x, y};
}

std::string ElideText(const std::string& text, int width,
                      const std::function<int(const std::string&)>& widthOf) {
    if (widthOf(text) < width) {
        return text;
    }
    static const std::string kEllipsis = "\xE2\x80\xA6";
    for (std::size_t n = text.size(); n > 0; --n) {
        // Only cut before the first byte of a character.
        if (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0u) == 0x80u) {
            continue;
        }
        const std::string candidate = text.substr(0, n) + kEllipsis;
        if (n < text.size() && widthOf(candidate) < width) {
            return candidate;
        }
    }
    return kEllipsis;
}

CFrameLines FrameLines(const CRect& f) {
    return {{{f.left, f.bottom}, {f.left, f.top}, {f.right, f.top}},
            {{f.right, f.top}, {f.right, f.bottom}, {f.left, f.bottom}}};
}

CLampGeometry LampGeometry(const CRect& item) {
    CLampGeometry g;
    CRect& s = g.bezel;
    if (item.Width() > item.Height()) {
        s.left = item.left + (item.Width() - item.Height()) / 2;
        s.top = item.top;
        s.right = s.left + item.Height();
        s.bottom = item.bottom;
    } else {
        s.left = item.left;
        s.right = item.right;
        s.top = item.top + (item.Height() - item.Width()) / 2;
        s.bottom = s.top + item.Width();
    }
    const int d = s.right - s.left;
    const int r = d / 2;
    // The angle the lamp was designed with, a hair under pi/4; kept so that the truncations
    // below see the same numbers.
    const double a = 0.7853975;
    const double dx = r * std::cos(a);
    const double dy = r * std::sin(a);
    // static_cast truncates toward zero, as the coordinates must be.
    g.arcStart = {static_cast<int>(s.left + r - dx), static_cast<int>(s.top + r + dy)};
    g.arcEnd = {static_cast<int>(s.left + r + dx), static_cast<int>(s.top + r - dy)};
    g.lamp = s.Inset(static_cast<int>(0.2 * d));
    return g;
}
