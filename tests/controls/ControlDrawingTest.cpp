// What each control draws, on the recording canvas.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QPushButton>
#include <memory>
#include <type_traits>

#include "controls/ArtworkStatic.h"
#include "controls/DisplayStatic.h"
#include "controls/LedButton.h"
#include "controls/ValueButton.h"
#include "platform/DialogItems.h"
#include "platform/RecordingCanvas.h"
#include "platform/SysColors.h"

namespace {

const COLORREF kBack = MakeRgb(192, 192, 192), kText = MakeRgb(1, 2, 3);
const COLORREF kDark = MakeRgb(128, 128, 128), kLight = MakeRgb(255, 255, 255);
using Ops = std::vector<std::string>;

// What control draws in client when every text measures extent (or as measure says). Every
// drawing must leave the pen, brush and font selected as it found them.
Ops Record(const CSubclassedControl& control, const CRect& client, CSize extent = {6, 13},
           std::function<CSize(const std::string&, const QFont*)> measure = nullptr) {
    CRecordingCanvas dc;
    dc.measure = measure ? measure : [extent](const std::string&, const QFont*) { return extent; };
    control.Draw(dc, client);
    EXPECT_TRUE(dc.pen.color == CPen().color && dc.brush.color == CBrush().color && !dc.font);
    return dc.ops;
}

std::string Text(const std::string& at, const std::string& clip, const std::string& text,
                 const std::string& font = "default") {
    return "text " + at + " clip " + clip + " #010203 font " + font + ": " + text;
}

}  // namespace

TEST(ValueButtonDrawing, SunkenFrameFillAndPlacedText) {
    const Ops frame = {"polyline (1,21) (1,1) (111,1) pen 2 #808080",
                       "polyline (111,1) (111,21) (1,21) pen 2 #ffffff",
                       "fill (2,2,110,20) #c0c0c0"};
    struct Case {
        std::string text;
        CSize extent;
        std::string textOp;  // none for ""
    };
    for (const Case& c :
         {Case{"4660", {30, 13}, Text("(41,4)", "(2,2,110,20)", "4660")},
          Case{"-2147483648", {150, 13}, Text("(0,4)", "(2,2,110,20)", "-2147483648")},
          Case{"", {0, 13}, ""}}) {
        CValueButton button(kBack, kText, kDark, kLight);
        button.SetText(c.text);
        Ops expected = frame;
        if (!c.textOp.empty()) {
            expected.push_back(c.textOp);
        }
        EXPECT_EQ(Record(button, {0, 0, 112, 22}, c.extent), expected);
    }
}

TEST(ValueButtonDrawing, CentresByTheFontInUseAtEachDraw) {
    QWidget parent;
    SetDlgCtrlId(new QPushButton("Button1", &parent), 1010);
    const QFont own("Serif", 20);
    CValueButton button(kBack, kText, kDark, kLight);
    CValueButton withFont(kBack, kText, kDark, kLight, &own);
    ASSERT_TRUE(button.SubclassDlgItem(1010, &parent));
    button.SetText("12");
    withFont.SetText("12");
    const auto byPointSize = [](const std::string& text, const QFont* font) {
        const int pt = font != nullptr ? font->pointSize() : 1;
        return CSize{pt * static_cast<int>(text.size()), pt};
    };
    for (int pt : {8, 14}) {
        parent.setFont(QFont("Sans", pt));
        const CPoint at{2 + (108 - 2 * pt) / 2, 2 + (18 - pt) / 2};
        EXPECT_EQ(Record(button, {0, 0, 112, 22}, {}, byPointSize).back(),
                  Text(Describe(at), "(2,2,110,20)", "12", "Sans " + std::to_string(pt)));
        EXPECT_EQ(Record(withFont, {0, 0, 112, 22}, {}, byPointSize).back(),
                  Text("(36,0)", "(2,2,110,20)", "12", "Serif 20"));
    }
}

TEST(DisplayStaticDrawing, FrameFillAndTextByFlagAndText) {
    const Ops frame = {"polyline (2,17) (2,2) (22,2) pen 2 #808080",
                       "polyline (22,2) (22,17) (2,17) pen 2 #ffffff", "fill (3,3,21,16) #c0c0c0"};
    const std::string wide = "VXI0::4::INSTR";
    struct Case {
        bool framed;
        std::string text;
        CSize extent;
        Ops expected;
    };
    for (const Case& c :
         {Case{true,
               "12",
               {12, 13},
               {frame[0], frame[1], frame[2], Text("(6,3)", "(2,2,22,17)", "12")}},
          Case{true, "", {0, 13}, frame},  // a bezel
          // Too wide: elided, here (every text measures 84) to the ellipsis alone.
          Case{true,
               wide,
               {84, 13},
               {frame[0], frame[1], frame[2], Text("(0,3)", "(2,2,22,17)", "\xE2\x80\xA6")}},
          Case{false, "", {0, 13}, {}},
          Case{false, "12", {12, 13}, {Text("(6,3)", "(2,2,22,17)", "12")}}}) {
        CDisplayStatic display(kBack, kText, kDark, kLight, c.framed);
        display.SetText(c.text);
        EXPECT_EQ(Record(display, {0, 0, 24, 19}, c.extent), c.expected) << c.framed << c.text;
    }
}

TEST(DisplayStaticDrawing, GivenFontWinsOverFontSourceWindow) {
    const QFont given("Serif", 11);
    auto source = std::make_unique<QWidget>();
    source->setFont(QFont("Sans", 9));
    struct Case {
        const QFont* font;
        const QWidget* sourceWnd;
        std::string expected;
    };
    for (const Case& c :
         {Case{nullptr, nullptr, "default"}, Case{nullptr, source.get(), "Sans 9"},
          Case{&given, nullptr, "Serif 11"}, Case{&given, source.get(), "Serif 11"}}) {
        CDisplayStatic display(kBack, kText, kDark, kLight, false, c.font, c.sourceWnd);
        display.SetText("1");
        EXPECT_EQ(Record(display, {0, 0, 24, 19}),
                  Ops{Text("(9,3)", "(2,2,22,17)", "1", c.expected)});
    }
    // Set by the owner after construction; a source window that goes away is dropped.
    CDisplayStatic display(kBack, kText, kDark, kLight, false);
    display.m_pFontSourceWnd = source.get();
    display.SetText("1");
    source.reset();
    EXPECT_EQ(Record(display, {0, 0, 24, 19}), Ops{Text("(9,3)", "(2,2,22,17)", "1")});
}

// A font put where the framed flag goes would silently turn into "framed".
static_assert(
    !std::is_constructible_v<CDisplayStatic, COLORREF, COLORREF, COLORREF, COLORREF, const QFont*>);
static_assert(std::is_constructible_v<CDisplayStatic, COLORREF, COLORREF, COLORREF, COLORREF, bool,
                                      const QFont*, QWidget*>);

TEST(LedButtonDrawing, RaisedBezelAndLampInTheSystemColoursOfTheMoment) {
    const QPalette saved = QApplication::palette();
    for (const QPalette& palette : {saved, QPalette(QColor(10, 20, 30))}) {
        QApplication::setPalette(palette);
        const std::string face = Describe(GetSysColor(COLOR_BTNFACE));
        const Ops expected = {
            "fill (0,0,24,19) #c0c0c1",
            "ellipse (2,0,21,19) pen 1 " + Describe(GetSysColor(COLOR_BTNHIGHLIGHT)) + " brush " +
                face,
            "arc (2,0,21,19) (4,15)->(17,2) pen 1 " + Describe(GetSysColor(COLOR_BTNSHADOW)),
            "ellipse (5,3,18,16) pen 1 " + face + " brush #00ff00"};
        EXPECT_EQ(Record(CLedButton(MakeRgb(0, 255, 0), MakeRgb(192, 192, 193)), {0, 0, 24, 19}),
                  expected);
    }
    QApplication::setPalette(saved);
}

TEST(ArtworkDrawing, CopiesWholeBitmapAtTopLeftOrNothing) {
    const std::pair<int, Ops> cases[] = {
        {104, {"blt (0,0) 103x24 bitmap 104 from (0,0)"}},
        {105, {"blt (0,0) 77x41 bitmap 105 from (0,0)"}},
        {0x10068, {"blt (0,0) 103x24 bitmap 104 from (0,0)"}},  // only the low 16 bits count
        {106, {}},
        {-1, {}}};
    for (const auto& [id, expected] : cases) {
        EXPECT_EQ(Record(CArtworkStatic(id), {0, 0, 40, 24}), expected) << id;
    }
}
