// What each control draws, on the recording canvas.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QPushButton>
#include <memory>
#include <type_traits>

#include "common/RecordingCanvas.h"
#include "controls/ArtworkStatic.h"
#include "controls/DisplayStatic.h"
#include "controls/LedButton.h"
#include "controls/ValueButton.h"
#include "platform/DialogItems.h"
#include "platform/SysColors.h"

namespace {

const COLORREF kBack = MakeRgb(192, 192, 192);
const COLORREF kText = MakeRgb(1, 2, 3);
const COLORREF kTopLeft = MakeRgb(128, 128, 128);
const COLORREF kBottomRight = MakeRgb(255, 255, 255);

std::string Pen2(COLORREF c) {
    return "pen 2 " + Describe(c);
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

bool Contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

CRecordingCanvas FixedExtent(CSize extent) {
    CRecordingCanvas dc;
    dc.measure = [extent](const std::string&, const QFont*) { return extent; };
    return dc;
}

}  // namespace

TEST(ValueButtonDrawing, SunkenFrameFillAndCentredText) {
    CValueButton button(kBack, kText, kTopLeft, kBottomRight);
    button.SetText("4660");
    CRecordingCanvas dc = FixedExtent({30, 13});
    const CPen before = dc.pen;
    button.Draw(dc, {0, 0, 112, 22});
    const std::vector<std::string> expected = {
        "polyline (1,21) (1,1) (111,1) " + Pen2(kTopLeft),
        "polyline (111,1) (111,21) (1,21) " + Pen2(kBottomRight),
        "fill (2,2,110,20) " + Describe(kBack),
        "text (41,4) clip (2,2,110,20) " + Describe(kText) + " font default: 4660",
    };
    EXPECT_EQ(dc.ops, expected);
    EXPECT_EQ(dc.pen.width, before.width);
    EXPECT_EQ(dc.pen.color, before.color);
}

TEST(ValueButtonDrawing, TextTooWideStartsAtControlEdgeAndEmptyTextDrawsNone) {
    CValueButton button(kBack, kText, kTopLeft, kBottomRight);
    CRecordingCanvas dc = FixedExtent({150, 13});
    button.Draw(dc, {0, 0, 112, 22});
    EXPECT_TRUE(dc.Ops("text").empty()) << "a new read-out is an empty box";
    EXPECT_EQ(dc.Ops("fill").size(), 1u);

    button.SetText("-2147483648");
    dc.ops.clear();
    button.Draw(dc, {0, 0, 112, 22});
    ASSERT_EQ(dc.Ops("text").size(), 1u);
    EXPECT_TRUE(StartsWith(dc.Ops("text")[0], "text (0,4) clip (2,2,110,20) "))
        << dc.Ops("text")[0];
}

TEST(ValueButtonDrawing, CentresByTheParentsFontAtEachDraw) {
    QWidget parent;
    auto* wnd = new QPushButton("Button1", &parent);
    SetDlgCtrlId(wnd, 1010);
    CValueButton button(kBack, kText, kTopLeft, kBottomRight);
    ASSERT_TRUE(button.SubclassDlgItem(1010, &parent));
    button.SetText("12");
    CRecordingCanvas dc;
    dc.measure = [](const std::string& text, const QFont* font) {
        const int pt = font != nullptr ? font->pointSize() : 1;
        return CSize{pt * static_cast<int>(text.size()), pt};
    };
    for (int pt : {8, 14}) {
        QFont font("Sans");
        font.setPointSize(pt);
        parent.setFont(font);
        dc.ops.clear();
        button.Draw(dc, {0, 0, 112, 22});
        ASSERT_EQ(dc.Ops("text").size(), 1u);
        const CPoint at{2 + (108 - 2 * pt) / 2, 2 + (18 - pt) / 2};
        const std::string op = dc.Ops("text")[0];
        EXPECT_TRUE(StartsWith(op, "text " + Describe(at) + " ")) << op;
        EXPECT_TRUE(Contains(op, "font Sans " + std::to_string(pt))) << op;
    }

    // A font given to the control wins over the parent's.
    QFont own("Serif");
    own.setPointSize(20);
    CValueButton withFont(kBack, kText, kTopLeft, kBottomRight, &own);
    withFont.SetText("1");
    dc.ops.clear();
    withFont.Draw(dc, {0, 0, 112, 22});
    EXPECT_TRUE(Contains(dc.Ops("text")[0], "font Serif 20")) << dc.Ops("text")[0];
}

TEST(DisplayStaticDrawing, FramedDisplayDrawsFrameFillAndClippedText) {
    CDisplayStatic display(kBack, kText, kTopLeft, kBottomRight, true);
    display.SetText("12");
    CRecordingCanvas dc = FixedExtent({12, 13});
    display.Draw(dc, {0, 0, 24, 19});
    const std::vector<std::string> expected = {
        "polyline (2,17) (2,2) (22,2) " + Pen2(kTopLeft),
        "polyline (22,2) (22,17) (2,17) " + Pen2(kBottomRight),
        "fill (3,3,21,16) " + Describe(kBack),
        "text (6,3) clip (2,2,22,17) " + Describe(kText) + " font default: 12",
    };
    EXPECT_EQ(dc.ops, expected);
}

TEST(DisplayStaticDrawing, FrameFillAndTextByFlagAndText) {
    struct Case {
        bool framed;
        std::string text;
        CSize extent;
        size_t polylines;
        size_t fills;
        std::string textOp;  // the start of the one text operation, or "" for none
    };
    const Case cases[] = {
        {true, "", {0, 0}, 2, 1, ""},  // a bezel
        {true, "VXI0::4::INSTR", {84, 13}, 2, 1, "text (0,3) clip (2,2,22,17)"},
        {false, "", {0, 0}, 0, 0, ""},
        {false, "12", {12, 13}, 0, 0, "text (6,3) clip (2,2,22,17)"},
    };
    for (const Case& c : cases) {
        CDisplayStatic display(kBack, kText, kTopLeft, kBottomRight, c.framed);
        display.SetText(c.text);
        CRecordingCanvas dc = FixedExtent(c.extent);
        display.Draw(dc, {0, 0, 24, 19});
        SCOPED_TRACE(std::string(c.framed ? "framed " : "unframed ") + "'" + c.text + "'");
        EXPECT_EQ(dc.Ops("polyline").size(), c.polylines);
        EXPECT_EQ(dc.Ops("fill").size(), c.fills);
        const std::vector<std::string> texts = dc.Ops("text");
        if (c.textOp.empty()) {
            EXPECT_TRUE(texts.empty());
        } else {
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_TRUE(StartsWith(texts[0], c.textOp)) << texts[0];
        }
    }
}

TEST(DisplayStaticDrawing, GivenFontWinsOverFontSourceWindow) {
    QFont given("Serif");
    given.setPointSize(11);
    auto source = std::make_unique<QWidget>();
    QFont sourceFont("Sans");
    sourceFont.setPointSize(9);
    source->setFont(sourceFont);
    struct Case {
        const QFont* font;
        const QWidget* sourceWnd;
        std::string expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, "font default"},
        {nullptr, source.get(), "font Sans 9"},
        {&given, nullptr, "font Serif 11"},
        {&given, source.get(), "font Serif 11"},
    };
    for (const Case& c : cases) {
        CDisplayStatic display(kBack, kText, kTopLeft, kBottomRight, true, c.font, c.sourceWnd);
        display.SetText("1");
        CRecordingCanvas dc;
        display.Draw(dc, {0, 0, 40, 20});
        ASSERT_EQ(dc.Ops("text").size(), 1u);
        EXPECT_TRUE(Contains(dc.Ops("text")[0], c.expected)) << dc.Ops("text")[0];
        EXPECT_EQ(dc.font, nullptr) << "the stock font is selected back";
    }

    // The owner sets the source after construction; a source that goes away is dropped.
    CDisplayStatic display(kBack, kText, kTopLeft, kBottomRight, true);
    display.m_pFontSourceWnd = source.get();
    display.SetText("1");
    source.reset();
    CRecordingCanvas dc;
    display.Draw(dc, {0, 0, 40, 20});
    EXPECT_TRUE(Contains(dc.Ops("text")[0], "font default"));
}

TEST(DisplayStaticDrawing, OwnerCanSwapFrameColoursForARaisedStrip) {
    CDisplayStatic strip(MakeRgb(0, 128, 128), kText, kTopLeft, kBottomRight, true);
    std::swap(strip.m_crFrameTopLeft, strip.m_crFrameBottomRight);
    CRecordingCanvas dc;
    strip.Draw(dc, {0, 0, 100, 30});
    ASSERT_EQ(dc.Ops("polyline").size(), 2u);
    EXPECT_TRUE(Contains(dc.Ops("polyline")[0], Pen2(kBottomRight)));
    EXPECT_TRUE(Contains(dc.Ops("polyline")[1], Pen2(kTopLeft)));
}

// A font put where the framed flag goes would silently turn into "framed".
static_assert(
    !std::is_constructible_v<CDisplayStatic, COLORREF, COLORREF, COLORREF, COLORREF, const QFont*>);
static_assert(!std::is_constructible_v<CDisplayStatic, COLORREF, COLORREF, COLORREF, COLORREF,
                                       const QFont*, bool>);
static_assert(std::is_constructible_v<CDisplayStatic, COLORREF, COLORREF, COLORREF, COLORREF, bool,
                                      const QFont*, QWidget*>);

TEST(LedButtonDrawing, RaisedBezelAndLampForItemShapes) {
    const COLORREF lamp = MakeRgb(0, 255, 0);
    const COLORREF back = MakeRgb(192, 192, 192);
    struct Case {
        CRect item;
        std::string bezel;
        std::string arc;
        std::string lamp;
    };
    const Case cases[] = {
        {{0, 0, 24, 19}, "(2,0,21,19)", "(4,15)->(17,2)", "(5,3,18,16)"},
        {{0, 0, 20, 20}, "(0,0,20,20)", "(2,17)->(17,2)", "(4,4,16,16)"},
        {{0, 0, 16, 30}, "(0,7,16,23)", "(2,20)->(13,9)", "(3,10,13,20)"},
    };
    const std::string face = Describe(GetSysColor(COLOR_BTNFACE));
    const std::string light = Describe(GetSysColor(COLOR_BTNHIGHLIGHT));
    const std::string shadow = Describe(GetSysColor(COLOR_BTNSHADOW));
    for (const Case& c : cases) {
        CLedButton led(lamp, back);
        CRecordingCanvas dc;
        const CPen penBefore = dc.pen;
        const CBrush brushBefore = dc.brush;
        led.Draw(dc, c.item);
        const std::vector<std::string> expected = {
            "fill " + Describe(c.item) + " " + Describe(back),
            "ellipse " + c.bezel + " pen 1 " + light + " brush " + face,
            "arc " + c.bezel + " " + c.arc + " pen 1 " + shadow,
            "ellipse " + c.lamp + " pen 1 " + face + " brush " + Describe(lamp),
        };
        EXPECT_EQ(dc.ops, expected);
        EXPECT_EQ(dc.pen.color, penBefore.color);
        EXPECT_EQ(dc.brush.color, brushBefore.color);
    }
}

TEST(LedButtonDrawing, FollowsSystemColoursAtEachDraw) {
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Active, QPalette::Button, QColor(10, 20, 30));
    palette.setColor(QPalette::Active, QPalette::Light, QColor(40, 50, 60));
    palette.setColor(QPalette::Active, QPalette::Dark, QColor(70, 80, 90));
    QApplication::setPalette(palette);
    CLedButton led(MakeRgb(0, 255, 0), MakeRgb(192, 192, 192));
    CRecordingCanvas dc;
    led.Draw(dc, {0, 0, 20, 20});
    QApplication::setPalette(saved);
    const std::vector<std::string> ellipses = dc.Ops("ellipse");
    ASSERT_EQ(ellipses.size(), 2u);
    EXPECT_EQ(ellipses[0], "ellipse (0,0,20,20) pen 1 #28323c brush #0a141e");
    EXPECT_EQ(dc.Ops("arc")[0], "arc (0,0,20,20) (2,17)->(17,2) pen 1 #46505a");
    EXPECT_EQ(ellipses[1], "ellipse (4,4,16,16) pen 1 #0a141e brush #00ff00");
}

TEST(ArtworkDrawing, CopiesWholeBitmapAtTopLeftOrNothing) {
    struct Case {
        int id;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {104, {"blt (0,0) 103x24 bitmap 104 from (0,0)"}},
        {105, {"blt (0,0) 77x41 bitmap 105 from (0,0)"}},
        {0x10068, {"blt (0,0) 103x24 bitmap 104 from (0,0)"}},  // only the low 16 bits count
        {106, {}},
        {-1, {}},
    };
    for (const Case& c : cases) {
        CArtworkStatic artwork(c.id);
        CRecordingCanvas dc;
        artwork.Draw(dc, {0, 0, 40, 24});
        EXPECT_EQ(dc.ops, c.expected) << c.id;
    }
}
