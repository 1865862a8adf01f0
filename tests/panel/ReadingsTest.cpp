#include <gtest/gtest.h>

#include <map>

#include "app/SfpApp.h"
#include "common/FakeInstrument.h"
#include "common/RecordingPlatform.h"
#include "panel/PanelReadings.h"

namespace {

// The panel state without a window: checked buttons and three read-out texts.
class CStatePanel : public CPanelReadings {
public:
    explicit CStatePanel(IPanelHost& host) : CPanelReadings(host) {}
    int port = 0;
    bool hex = false;
    std::map<int, std::string> texts{
        {IDC_PORT_VALUE, ""}, {IDC_POS_EDGE_REG, ""}, {IDC_NEG_EDGE_REG, ""}};
    std::vector<int> writes;

protected:
    int GetCheckedRadioButton(int first, int last) const override {
        if (first == IDC_PORT0 && last == IDC_PORT3) {
            return IDC_PORT0 + port;
        }
        return hex ? IDC_HEX : IDC_DEC;
    }
    std::string GetReadoutText(int id) const override { return texts.at(id); }
    void SetReadoutText(int id, const std::string& text) override {
        writes.push_back(id);
        texts[id] = text;
    }
};

class Readings : public ::testing::Test {
protected:
    Readings() {
        auto fake = std::make_unique<CFakeInstrument>();
        instrument = fake.get();
        app.m_pInstrument = std::move(fake);
    }
    CRecordingPlatform platform;
    CSfpApp app;
    CFakeInstrument* instrument;
    CStatePanel panel{app};
};

}  // namespace

TEST(Formatting, DecimalAndHexOfSixteenBits) {
    struct {
        unsigned value;
        const char* dec;
        const char* hex;
    } cases[] = {
        {0, "0", "0x0"}, {31, "31", "0x1f"}, {4660, "4660", "0x1234"}, {65535, "65535", "0xffff"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatReading(c.value, false), c.dec);
        EXPECT_EQ(FormatReading(c.value, true), c.hex);
        EXPECT_EQ(ParseReadout(c.dec), c.value);
        EXPECT_EQ(ParseReadout(c.hex), c.value);
    }
}

TEST(Formatting, ParsingFollowsStrtoulRules) {
    struct {
        const char* text;
        unsigned value;
    } cases[] = {{"", 0},        {"junk", 0},        {"  42", 42},
                 {"+7", 7},      {"12abc", 12},      {"0X1f", 0},
                 {"0x", 0},      {"0xzz", 0},        {"70000", 70000 & 0xFFFF},
                 {"-1", 0xFFFF}, {"0x1ffff", 0xFFFF}};
    for (const auto& c : cases) {
        EXPECT_EQ(ParseReadout(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST_F(Readings, TakeReadingReadsThreeRegistersOfSelectedPortThenWritesAll) {
    instrument->SetValue("meas", 4660);
    instrument->SetValue("pos", 1);
    instrument->SetValue("neg", 0);
    panel.port = 2;
    panel.OnTakeReading();
    EXPECT_EQ(instrument->calls, (std::vector<std::string>{"meas:2", "pos:2", "neg:2"}));
    EXPECT_EQ(panel.writes, (std::vector<int>{IDC_PORT_VALUE, IDC_POS_EDGE_REG, IDC_NEG_EDGE_REG}));
    EXPECT_EQ(panel.texts[IDC_PORT_VALUE], "4660");
    EXPECT_EQ(panel.texts[IDC_POS_EDGE_REG], "1");
    EXPECT_EQ(panel.texts[IDC_NEG_EDGE_REG], "0");

    panel.hex = true;
    panel.OnTakeReading();
    EXPECT_EQ(panel.texts[IDC_PORT_VALUE], "0x1234");
    EXPECT_EQ(panel.texts[IDC_NEG_EDGE_REG], "0x0");
}

TEST_F(Readings, AnyFailingReadLeavesAllThreeReadOutsAndReportsOnce) {
    for (const char* op : {"meas", "pos", "neg"}) {
        panel.texts = {{IDC_PORT_VALUE, "1"}, {IDC_POS_EDGE_REG, "2"}, {IDC_NEG_EDGE_REG, "3"}};
        panel.writes.clear();
        platform.events.clear();
        instrument->FailNext(op, VI_ERROR_TMO);
        panel.OnTakeReading();
        EXPECT_TRUE(panel.writes.empty()) << op;
        EXPECT_EQ(panel.texts[IDC_PORT_VALUE], "1") << op;
        EXPECT_EQ(platform.events,
                  (std::vector<std::string>{"timer-1", "box:Time Out !", "timer+1:300"}))
            << op;
    }
}

TEST_F(Readings, ClickedReadOutReadsOnlyItsRegisterOnce) {
    struct {
        void (CPanelReadings::*handler)();
        const char* call;
        int id;
    } cases[] = {{&CPanelReadings::OnPortValue, "meas:3", IDC_PORT_VALUE},
                 {&CPanelReadings::OnPosEdgeReg, "pos:3", IDC_POS_EDGE_REG},
                 {&CPanelReadings::OnNegEdgeReg, "neg:3", IDC_NEG_EDGE_REG}};
    panel.port = 3;
    for (const auto& c : cases) {
        instrument->calls.clear();
        panel.writes.clear();
        instrument->SetValue("meas", 9);
        instrument->SetValue("pos", 9);
        instrument->SetValue("neg", 9);
        (panel.*c.handler)();
        EXPECT_EQ(instrument->calls, std::vector<std::string>{c.call});
        EXPECT_EQ(panel.writes, std::vector<int>{c.id});
        EXPECT_EQ(panel.texts[c.id], "9");
    }
    // A failure keeps the text and goes to status reporting.
    instrument->FailNext("pos", STATUS_INSTRUMENT_ERROR, "bad port");
    panel.OnPosEdgeReg();
    EXPECT_EQ(panel.texts[IDC_POS_EDGE_REG], "9");
    EXPECT_EQ(platform.Boxes().back(), "Instrument reports error: bad port");
}

TEST_F(Readings, RadixSwitchReparsesTextsWithoutTouchingTheInstrument) {
    panel.texts = {{IDC_PORT_VALUE, "65535"}, {IDC_POS_EDGE_REG, "31"}, {IDC_NEG_EDGE_REG, "0"}};
    panel.OnHex();
    EXPECT_EQ(panel.writes, (std::vector<int>{IDC_PORT_VALUE, IDC_NEG_EDGE_REG, IDC_POS_EDGE_REG}));
    EXPECT_EQ(panel.texts[IDC_PORT_VALUE], "0xffff");
    EXPECT_EQ(panel.texts[IDC_POS_EDGE_REG], "0x1f");
    EXPECT_EQ(panel.texts[IDC_NEG_EDGE_REG], "0x0");
    panel.OnHex();  // pressed twice: stable
    EXPECT_EQ(panel.texts[IDC_POS_EDGE_REG], "0x1f");
    panel.OnDec();
    panel.OnDec();
    EXPECT_EQ(panel.texts[IDC_PORT_VALUE], "65535");
    EXPECT_EQ(panel.texts[IDC_POS_EDGE_REG], "31");
    EXPECT_TRUE(instrument->calls.empty());
}

TEST_F(Readings, RadixSwitchOnEmptyReadOutsShowsZero) {
    panel.OnHex();
    for (const auto& [id, text] : panel.texts) {
        EXPECT_EQ(text, "0x0") << id;
    }
    panel.OnDec();
    for (const auto& [id, text] : panel.texts) {
        EXPECT_EQ(text, "0") << id;
    }
}

TEST_F(Readings, FailedTimedReadingSwitchesAutoUpdateOffBeforeItsBox) {
    struct {
        bool timed;
        int autoUpdateDuringBox;
    } cases[] = {{true, 0}, {false, 1}};
    for (const auto& c : cases) {
        app.m_bAutoUpdate = 1;
        int during = -1;
        platform.onBox = [&](const std::string&) { during = app.m_bAutoUpdate; };
        instrument->FailNext("neg", VI_ERROR_TMO);
        c.timed ? panel.OnTimedReading() : panel.OnTakeReading();
        EXPECT_EQ(during, c.autoUpdateDuringBox) << c.timed;
        EXPECT_EQ(app.m_bAutoUpdate, c.autoUpdateDuringBox) << c.timed;
    }
    // A timed reading that succeeds leaves Auto Update on.
    panel.OnTimedReading();
    EXPECT_EQ(app.m_bAutoUpdate, 1);
}
