#pragma once

#include <cstdint>

// Colours as the panel's platform keeps them: 0x00BBGGRR, red in the low byte.
using COLORREF = std::uint32_t;

constexpr COLORREF MakeRgb(unsigned r, unsigned g, unsigned b) {
    return static_cast<COLORREF>((r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16));
}
constexpr unsigned GetRValue(COLORREF c) {
    return c & 0xFFu;
}
constexpr unsigned GetGValue(COLORREF c) {
    return (c >> 8) & 0xFFu;
}
constexpr unsigned GetBValue(COLORREF c) {
    return (c >> 16) & 0xFFu;
}

constexpr COLORREF kColorLightGrey = MakeRgb(192, 192, 192);
constexpr COLORREF kColorDarkGrey = MakeRgb(64, 64, 64);
constexpr COLORREF kColorGreen = MakeRgb(0, 255, 0);
