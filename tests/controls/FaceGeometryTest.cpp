#include <gtest/gtest.h>

#include "controls/FaceGeometry.h"
#include "platform/RecordingCanvas.h"

TEST(TextOrigin, CentresWhatFitsAndStartsAtZeroWhatDoesNot) {
    struct Case {
        CRect area;
        CSize extent;
        CPoint expected;
    };
    const Case cases[] = {
        {{2, 2, 110, 20}, {30, 13}, {41, 4}},  // the value display's read-out
        {{2, 2, 22, 17}, {12, 13}, {6, 3}},    // a small framed display
        {{0, 0, 10, 10}, {7, 4}, {1, 3}},      // odd slack rounds down
        {{2, 2, 110, 20}, {108, 13}, {0, 4}},  // exactly as wide: control's left edge
        {{2, 2, 110, 20}, {200, 13}, {0, 4}},  // wider
        {{2, 2, 110, 20}, {30, 18}, {41, 0}},  // exactly as tall: control's top edge
        {{5, 5, 40, 12}, {80, 30}, {0, 0}},    // both too big
        {{2, 2, 1, 1}, {0, 0}, {0, 0}},        // a control too small to have an inside
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextOrigin(c.area, c.extent), c.expected)
            << Describe(c.area) << " " << c.extent.cx << "x" << c.extent.cy;
    }
}

TEST(LampGeometry, BezelArcAndLampForItemShapes) {
    struct Case {
        CRect item;
        CLampGeometry expected;
    };
    const Case cases[] = {
        // Wide: the bezel is centred across, the odd pixel left over goes to the right.
        {{0, 0, 24, 19}, {{2, 0, 21, 19}, {4, 15}, {17, 2}, {5, 3, 18, 16}}},
        {{0, 0, 20, 20}, {{0, 0, 20, 20}, {2, 17}, {17, 2}, {4, 4, 16, 16}}},
        // Tall: centred down.
        {{0, 0, 16, 30}, {{0, 7, 16, 23}, {2, 20}, {13, 9}, {3, 10, 13, 20}}},
        // Negative coordinates truncate toward zero, not down: -17.07 is -17, -2.93 is -2.
        {{-20, -20, 0, 0}, {{-20, -20, 0, 0}, {-17, -2}, {-2, -17}, {-16, -16, -4, -4}}},
        // Too small for any inset.
        {{0, 0, 1, 1}, {{0, 0, 1, 1}, {0, 0}, {0, 0}, {0, 0, 1, 1}}},
    };
    for (const Case& c : cases) {
        const CLampGeometry g = LampGeometry(c.item);
        SCOPED_TRACE(Describe(c.item));
        EXPECT_EQ(g.bezel, c.expected.bezel);
        EXPECT_EQ(g.arcStart, c.expected.arcStart);
        EXPECT_EQ(g.arcEnd, c.expected.arcEnd);
        EXPECT_EQ(g.lamp, c.expected.lamp);
    }
}

TEST(FaceGeometry, LongTextIsElidedWithAnEllipsisNeverCutToAnotherName) {
    // A made-up metric: 6 pixels a byte, 0 for the first byte of a longer character, so that
    // "…" counts 12 and a character cut in half would still be narrower.
    const auto widthOf = [](const std::string& text) {
        int width = 0;
        for (const char c : text) {
            width += (static_cast<unsigned char>(c) & 0xC0u) == 0xC0u ? 0 : 6;
        }
        return width;
    };
    const struct {
        const char* text;
        int width;
        const char* shown;
    } cases[] = {
        {"VXI0::24", 49, "VXI0::24"},  // 48 < 49: fits
        {"VXI0::24", 48, "VXI0:\xE2\x80\xA6"},
        {"GPIB-VXI12::255", 79, "GPIB-VXI12:\xE2\x80\xA6"},
        {"GPIB-VXI12::255", 5, "\xE2\x80\xA6"},  // nothing fits: the ellipsis alone
        {"", 1, ""},
        {"ab\xC3\xA9"
         "cd",
         25, "ab\xE2\x80\xA6"},  // never half a character
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ElideText(c.text, c.width, widthOf), c.shown) << c.text << " in " << c.width;
    }
}
