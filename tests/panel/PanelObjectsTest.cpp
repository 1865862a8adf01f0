#include <gtest/gtest.h>

#include "app/SfpApp.h"
#include "common/FakeInstrument.h"
#include "common/RecordingPlatform.h"
#include "panel/PanelObjects.h"

namespace {

// A panel that notes when it is deleted, to check the exit order.
class CNotingPanel : public CPanel {
public:
    CNotingPanel(const std::string& name, std::vector<std::string>& log)
        : CPanel(name), m_log(log) {}
    ~CNotingPanel() override { m_log.push_back("panel " + m_strName); }
    void OnTimerTick() override { m_log.push_back("tick " + m_strName); }

private:
    std::vector<std::string>& m_log;
};

class CNotingInstrument : public CFakeInstrument {
public:
    explicit CNotingInstrument(std::vector<std::string>& log) : m_log(log) {}
    ~CNotingInstrument() override { m_log.push_back("instrument"); }

private:
    std::vector<std::string>& m_log;
};

}  // namespace

TEST(PanelObjects, MainPanelIsNamedFromTheStringTableAndFoundCaseSensitively) {
    // The log outlives the list: the panels write to it when the list deletes them.
    std::vector<std::string> log;
    CSfpApp app;
    PanelList list;
    list.push_back(std::make_unique<CNotingPanel>("Other", log));
    list.push_back(std::make_unique<CPan1Obj>(app));
    list.push_back(std::make_unique<CNotingPanel>("Main Panel", log));

    CSFPObject* found = FindObject(list, "Main Panel");
    ASSERT_NE(found, nullptr);
    EXPECT_NE(dynamic_cast<CPan1Obj*>(found), nullptr) << "the first match wins";
    EXPECT_EQ(FindObject(list, "main panel"), nullptr);
    EXPECT_EQ(FindObject(list, "Main Panel "), nullptr);
    EXPECT_EQ(FindObject(list, ""), nullptr);
}

TEST(PanelObjects, TickWithoutWindowOrAutoUpdateDoesNothing) {
    CRecordingPlatform platform;
    CSfpApp app;
    auto fake = std::make_unique<CFakeInstrument>();
    CFakeInstrument* instrument = fake.get();
    app.m_pInstrument = std::move(fake);
    CPan1Obj panel(app);
    app.m_bAutoUpdate = 1;
    panel.OnTimerTick();      // no window
    panel.DestroyPanelWnd();  // no window: only clears
    EXPECT_EQ(panel.m_pWnd, nullptr);
    EXPECT_TRUE(instrument->calls.empty());
}

TEST(PanelObjects, ExitDeletesPanelsInListOrderThenTheInstrument) {
    std::vector<std::string> log;
    CSfpApp app;
    app.m_pInstrument = std::make_unique<CNotingInstrument>(log);
    app.m_panelList.push_back(std::make_unique<CNotingPanel>("A", log));
    app.m_panelList.push_back(std::make_unique<CNotingPanel>("B", log));
    app.ReleaseAll();
    EXPECT_EQ(log, (std::vector<std::string>{"panel A", "panel B", "instrument"}));
    EXPECT_TRUE(app.m_panelList.empty());
    EXPECT_EQ(app.m_pInstrument, nullptr);
    app.ReleaseAll();  // a second call finds nothing left
    EXPECT_EQ(log.size(), 3u);
}

TEST(Application, SlotOnlyForALiveInstrument) {
    CSfpApp app;
    app.m_nSlot = 0;
    EXPECT_EQ(app.GetSlot(), -1) << "no instrument";
    app.m_pInstrument = std::make_unique<CFakeInstrument>(false);
    EXPECT_EQ(app.GetSlot(), -1);
    app.m_pInstrument = std::make_unique<CFakeInstrument>(true);
    EXPECT_EQ(app.GetSlot(), 0);
    app.m_nSlot = -1;
    EXPECT_EQ(app.GetSlot(), -1);
}

TEST(Application, ConnectionEndsOnTheEmulatedInstrumentOnce) {
    CRecordingPlatform platform;
    CSfpApp app;
    EXPECT_TRUE(app.ConnectInstrument());
    ASSERT_NE(app.m_pInstrument, nullptr);
    EXPECT_FALSE(app.m_pInstrument->IsLive());
    EXPECT_EQ(app.m_strResourceName, "Emulated");
    EXPECT_EQ(app.m_crStatus, MakeRgb(64, 64, 64));
    EXPECT_EQ(platform.waitDepth, 0);
    CInstrument* first = app.m_pInstrument.get();
    app.m_strResourceName = "changed";
    EXPECT_FALSE(app.ConnectInstrument());
    EXPECT_EQ(app.m_pInstrument.get(), first);
    EXPECT_EQ(app.m_strResourceName, "Emulated");
}
