// The connection procedure over the substitute libraries, one scenario per case.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/options/CommandLine.h"
#include "common/RecordingPlatform.h"
#include "common/SimSupport.h"
#include "common/TestPlatform.h"
#include "instrument/Connection.h"
#include "resources/StringTable.h"

namespace {

const char* const kOneModule = R"(
resources:
  - {name: VXI0::24::INSTR, slot: 24, manufacturer: 0xFFF, model: 0x154,
     module: {ports: [0x1234]}}
)";

std::string Box(unsigned id) {
    return LoadString(id);
}

class Connection : public ::testing::Test {
protected:
    void SetUp() override { g_hDriverLib.Release(); }

    // Runs the procedure on a scenario with a command line; other libraries may be named (by
    // their stems, see SimLibrary).
    std::unique_ptr<CConnectionState> Connect(const std::string& yaml,
                                              const std::string& commandLine = "",
                                              const std::string& visa = "visa",
                                              const std::string& driver = "aqk3310") {
        platform.events.clear();
        CScenarioFile scenario(yaml);
        auto state =
            std::make_unique<CConnectionState>(ConnectionOptionsFrom(CCommandLine(commandLine)));
        state->m_visaLibraryNames = {SimLibrary(visa)};
        state->m_strDriverLibraryName = SimLibrary(driver);
        EXPECT_TRUE(state->ConnectInstrument());
        EXPECT_NE(state->m_pInstrument, nullptr);
        EXPECT_EQ(platform.waitDepth, 0) << "the busy cursor is taken away again";
        EXPECT_EQ(platform.Count("wait+"), 1);
        trace = hooks.IsLoaded() ? hooks.Trace() : "";
        return state;
    }
    static bool IsLiveAt(const CConnectionState& state, const std::string& name, int slot) {
        return state.m_pInstrument->IsLive() && state.m_crStatus == kColorGreen &&
               state.m_strResourceName == name && state.m_nSlot == slot;
    }
    static bool IsEmulated(const CConnectionState& state) {
        return !state.m_pInstrument->IsLive() && state.m_crStatus == kColorDarkGrey;
    }
    // A whole line of the trace, or a part of one.
    bool Traced(const std::string& line) const {
        return trace.find(line + "\n") != std::string::npos;
    }
    bool TraceHas(const std::string& part) const { return trace.find(part) != std::string::npos; }
    std::vector<std::string> Dialogs() const {
        std::vector<std::string> dialogs;
        for (const auto& event : platform.events) {
            if (event.rfind("select:", 0) == 0) {
                dialogs.push_back(event);
            }
        }
        return dialogs;
    }

    CRecordingPlatform platform;
    CSimHooks hooks;
    std::string trace;
};

TEST_F(Connection, OneModuleOpensWithoutAsking) {
    auto state = Connect(kOneModule);
    EXPECT_TRUE(IsLiveAt(*state, "VXI0::24", 24));
    EXPECT_EQ(platform.events, (std::vector<std::string>{"wait+", "wait-"}));
    EXPECT_EQ(state->m_pInstrument->MeasDigPort(0), 0x1234);
    EXPECT_TRUE(Traced("set VXI0::24::INSTR timeout 500"));
    EXPECT_FALSE(TraceHas("*RST"));
    EXPECT_FALSE(TraceHas("*IDN?")) << "VXI is never asked to identify";
    EXPECT_EQ(hooks.OpenSessions(), 2) << "only the driver's session and its manager stay open";
}

TEST_F(Connection, MissingOrIncompleteLibrariesEndEmulated) {
    const struct {
        const char* visa;
        const char* driver;
        unsigned message;
    } cases[] = {
        {"sfp_absent_visa", "aqk3310", IDS_NO_VISA_DLL},
        {"visa", "sfp_absent_driver", IDS_NO_DRIVER_DLL},
        {"visa_no_viFindNext", "aqk3310", IDS_NO_VISA_DLL},
        {"visa", "aqk3310_no_init", IDS_BAD_DRIVER_DLL},
        {"visa", "aqk3310_no_timeOut", IDS_BAD_DRIVER_DLL},
        {"visa", "aqk3310_no_measDigPort_Q", IDS_BAD_DRIVER_DLL},
        {"visa", "aqk3310_no_sensPosPortTran_Q", IDS_BAD_DRIVER_DLL},
    };
    for (const auto& c : cases) {
        g_hDriverLib.Release();
        auto state = Connect(kOneModule, "", c.visa, c.driver);
        EXPECT_TRUE(IsEmulated(*state)) << c.visa << " " << c.driver;
        EXPECT_EQ(platform.Boxes(), std::vector<std::string>{Box(c.message)}) << c.driver;
        if (c.message == IDS_NO_VISA_DLL && std::string(c.visa) == "sfp_absent_visa") {
            EXPECT_EQ(state->m_strResourceName, "Emulated");
            EXPECT_FALSE(g_hDriverLib.IsLoaded()) << "the driver is not looked for";
        }
        if (c.message == IDS_BAD_DRIVER_DLL) {
            EXPECT_EQ(state->m_strResourceName, "VXI0::24") << "what was tried stays shown";
            EXPECT_EQ(state->m_nSlot, 24);
        }
    }
}

TEST_F(Connection, FailuresBeforeAChoiceEndEmulatedWithTheirMessage) {
    const struct {
        const char* yaml;
        unsigned message;
    } cases[] = {
        {"default_rm: VI_ERROR_SYSTEM_ERROR\n", IDS_DEFAULT_RM_FAILED},
        {"resources: [{name: VXI0::1::INSTR, slott: 1}]\n", IDS_DEFAULT_RM_FAILED},
        {"resources: []\n", IDS_INSTRUMENT_NOT_FOUND},
        {"search: {status: VI_ERROR_IO}\nresources: [{name: VXI0::24::INSTR, manufacturer: "
         "0xFFF, model: 0x154}]\n",
         IDS_INSTRUMENT_NOT_FOUND},
        {"resources: [{name: VXI0::24::INSTR, manufacturer: 0xFFF, model: 0x155}]\n",
         IDS_INSTRUMENT_NOT_FOUND},
        {"resources: [{name: VXI0::24::INSTR, manufacturer: 0xFFF}]\n", IDS_INSTRUMENT_NOT_FOUND},
        {"resources: [{name: VXI0::24::INSTR, manufacturer: 0xFFF, model: 0x154, open: "
         "VI_SUCCESS_DEV_NPRESENT}]\n",
         IDS_INSTRUMENT_NOT_FOUND},
        {"resources: [{name: VXI0::24::INSTR, manufacturer: 0xFFF, model: 0x154, "
         "attribute_status: {interface: VI_WARN_NSUP_ATTR_STATE}}]\n",
         IDS_INSTRUMENT_NOT_FOUND},
        {"resources: [{name: GPIB-VXI0::24::INSTR, manufacturer: 0xFFF, model: 0x154, "
         "attribute_status: {model: VI_WARN_NSUP_ATTR_STATE}}]\n",
         IDS_INSTRUMENT_NOT_FOUND},
    };
    testing::internal::CaptureStderr();  // the malformed scenario's message
    for (const auto& c : cases) {
        auto state = Connect(c.yaml);
        EXPECT_TRUE(IsEmulated(*state)) << c.yaml;
        EXPECT_EQ(state->m_strResourceName, "Emulated") << c.yaml;
        EXPECT_EQ(platform.Boxes(), std::vector<std::string>{Box(c.message)}) << c.yaml;
        EXPECT_EQ(hooks.OpenSessions(), 0) << "every session examined was closed: " << c.yaml;
    }
    testing::internal::GetCapturedStderr();
}

TEST_F(Connection, ChoiceFollowsTheVxiRuleAndTheDialog) {
    const std::string vxi24 =
        "  - {name: VXI0::24::INSTR, slot: 24, manufacturer: 0xFFF, model: 0x154, module: {}}\n";
    const std::string vxi25 =
        "  - {name: VXI0::25::INSTR, slot: 25, manufacturer: 0xFFF, model: 0x154, module: {}}\n";
    const std::string gpib9 =
        "  - {name: GPIB0::9::INSTR, idn: 'ZENTRAX-MOLBURY,K3310,1,1.0', module: {}}\n";
    const struct {
        std::string resources;
        std::string commandLine;
        std::string dialog;  // empty: no dialog
        std::string opened;
    } cases[] = {
        {gpib9 + vxi24, "", "", "VXI0::24"},
        {vxi24 + vxi25, "", "select:VXI0::24::INSTR|VXI0::25::INSTR", "VXI0::25"},
        {vxi24, "/n", "select:VXI0::24::INSTR", "VXI0::24"},
        {vxi24, "-N", "select:VXI0::24::INSTR", "VXI0::24"},
        {gpib9, "", "", "GPIB0::9"},
    };
    for (const auto& c : cases) {
        g_hDriverLib.Release();
        platform.onSelect = [](const std::vector<std::string>& names, std::string& selection) {
            selection = names.back();
            return true;
        };
        auto state = Connect("resources:\n" + c.resources, c.commandLine);
        EXPECT_EQ(Dialogs(), c.dialog.empty() ? std::vector<std::string>{}
                                              : std::vector<std::string>{c.dialog});
        EXPECT_TRUE(state->m_pInstrument->IsLive()) << c.resources;
        EXPECT_EQ(state->m_strResourceName, c.opened);
        EXPECT_TRUE(platform.Boxes().empty());
    }
}

TEST_F(Connection, CancelInTheDialogEndsEmulated) {
    auto state = Connect(R"(
resources:
  - {name: VXI0::24::INSTR, manufacturer: 0xFFF, model: 0x154}
  - {name: GPIB-VXI0::3::INSTR, manufacturer: 0xFFF, model: 0x154}
)");
    EXPECT_EQ(Dialogs(), std::vector<std::string>{"select:VXI0::24::INSTR|GPIB-VXI0::3::INSTR"});
    EXPECT_EQ(platform.Boxes(), std::vector<std::string>{Box(IDS_SELECT_CANCELLED)});
    EXPECT_TRUE(IsEmulated(*state));
    EXPECT_EQ(state->m_strResourceName, "Emulated");
}

TEST_F(Connection, GpibIsIdentifiedByTheExactStartOfItsReply) {
    const struct {
        std::string idn;
        bool accepted;
    } cases[] = {
        {"idn: 'ZENTRAX-MOLBURY,K3310'", true},
        {"idn: 'ZENTRAX-MOLBURY,K3310,12345,A.02.01,extra,fields'", true},
        {"idn: 'zentrax-molbury,k3310,1,1.0'", false},
        {"idn: 'ZENTRAX-MOLBURY,K331'", false},
        {"idn: 'ZENTRAX-MOLBURY,K3310', misbehave: [long_idn]", true},
        {"idn: 'ZENTRAX-MOLBURY', misbehave: [long_idn]", false},
        {"idn: 'ZENTRAX-MOLBURY,K3310', idn_end: false", false},  // the read times out
        {"open: VI_ERROR_RSRC_BUSY, idn: 'ZENTRAX-MOLBURY,K3310'", false},
    };
    for (const auto& c : cases) {
        g_hDriverLib.Release();
        auto state = Connect("resources: [{name: GPIB0::9::INSTR, module: {}, " + c.idn + "}]\n");
        EXPECT_EQ(state->m_pInstrument->IsLive(), c.accepted) << c.idn;
        EXPECT_EQ(platform.Boxes().empty(), c.accepted) << c.idn;
        if (c.idn.find("open:") == std::string::npos) {
            EXPECT_TRUE(Traced("write GPIB0::9::INSTR *IDN?")) << "exactly the five bytes";
        }
        EXPECT_EQ(trace.find("attr GPIB0::9::INSTR manufacturer"), std::string::npos);
        EXPECT_EQ(trace.find("attr GPIB0::9::INSTR model"), std::string::npos);
    }
}

TEST_F(Connection, OtherInterfacesOnlyWithNoIdentify) {
    const std::string yaml = "resources: [{name: ASRL1::INSTR}, {name: TCPIP0::host::INSTR}]\n";
    auto rejected = Connect(yaml);
    EXPECT_TRUE(IsEmulated(*rejected));
    EXPECT_EQ(platform.Boxes(), std::vector<std::string>{Box(IDS_INSTRUMENT_NOT_FOUND)});
    EXPECT_FALSE(TraceHas("*IDN?"));

    auto offered = Connect(yaml, "/n");
    EXPECT_EQ(Dialogs(), std::vector<std::string>{"select:ASRL1::INSTR|TCPIP0::host::INSTR"});
    EXPECT_EQ(trace.find("write"), std::string::npos) << "nothing is asked with /n";
}

TEST_F(Connection, FindNextFailingPartWayKeepsWhatWasFound) {
    auto state = Connect(R"(
search: {fail_after: 1, fail_status: VI_ERROR_IO}
resources:
  - {name: VXI0::24::INSTR, slot: 24, manufacturer: 0xFFF, model: 0x154, module: {}}
  - {name: VXI0::25::INSTR, slot: 25, manufacturer: 0xFFF, model: 0x154, module: {}}
)");
    EXPECT_TRUE(IsLiveAt(*state, "VXI0::24", 24));
    EXPECT_TRUE(Dialogs().empty()) << "one name, so no dialog";
}

TEST_F(Connection, DirectOpenSkipsSearchAndIdentification) {
    auto state =
        Connect(std::string(kOneModule) + "  - {name: VXI0::7::INSTR}\n", "-a vxi0::24::instr");
    EXPECT_TRUE(IsLiveAt(*state, "VXI0::24", 24));
    EXPECT_EQ(trace.find("find "), std::string::npos);
    EXPECT_EQ(trace.find("VXI0::7"), std::string::npos);
    EXPECT_TRUE(Traced("open VXI0::24::INSTR")) << "the driver gets the upper-case name";
    EXPECT_TRUE(platform.Boxes().empty());
}

TEST_F(Connection, DirectOpenOfNothingFailsAtInit) {
    auto state = Connect(kOneModule, "/a");
    EXPECT_TRUE(IsEmulated(*state));
    EXPECT_EQ(state->m_strResourceName, "");
    EXPECT_EQ(state->m_nSlot, -1);
    EXPECT_EQ(platform.Boxes(), std::vector<std::string>{Box(IDS_INIT_FAILED)});
}

TEST_F(Connection, InitFailureKeepsTheTriedNameAndSlot) {
    auto state = Connect(R"(
resources:
  - {name: VXI0::24::INSTR, slot: 3, manufacturer: 0xFFF, model: 0x154,
     module: {fail: [{command: "*RST", status: VI_ERROR_IO}]}}
)",
                         "/r");
    EXPECT_TRUE(TraceHas("write VXI0::24::INSTR *RST")) << "/r asks the driver to reset";
    EXPECT_TRUE(IsEmulated(*state));
    EXPECT_EQ(state->m_strResourceName, "VXI0::24");
    EXPECT_EQ(state->m_nSlot, 3);
    EXPECT_EQ(platform.Boxes(), std::vector<std::string>{Box(IDS_INIT_FAILED)});
}

TEST_F(Connection, SlotIsRecordedOrHidden) {
    const struct {
        const char* slot;
        int recorded;
    } cases[] = {
        {"slot: 5", 5},
        {"slot: 0", 0},
        {"slot: 0xFFFE", 65534},
        {"slot: unknown", -1},
        {"slot: unsupported", -1},
        {"slot: 5, attribute_status: {slot: VI_ERROR_IO}", -1},
        {"slot: 5, attribute_status: {slot: VI_WARN_NSUP_ATTR_STATE}", 5},
    };
    for (const auto& c : cases) {
        g_hDriverLib.Release();
        auto state = Connect(std::string("resources: [{name: VXI0::24::INSTR, manufacturer: 0xFFF, "
                                         "model: 0x154, module: {}, ") +
                             c.slot + "}]\n");
        EXPECT_EQ(state->m_nSlot, c.recorded) << c.slot;
    }
}

TEST_F(Connection, ResourceNamesAreCutOnlyInTheirFirstHundredCharacters) {
    const std::string long100 = "VXI0::" + std::string(94, '1');
    const struct {
        std::string name;
        std::string recorded;
    } cases[] = {
        {"::INSTR", "::INSTR"},
        {long100 + "::INSTR", long100 + "::INSTR"},
        {long100.substr(1) + "::INSTR", long100.substr(1)},
    };
    for (const auto& c : cases) {
        g_hDriverLib.Release();
        auto state =
            Connect("resources: [{name: '" + c.name +
                    "', interface: vxi, manufacturer: 0xFFF, model: 0x154, module: {}}]\n");
        EXPECT_TRUE(state->m_pInstrument->IsLive()) << c.name;
        EXPECT_EQ(state->m_strResourceName, c.recorded);
    }
}

TEST_F(Connection, ASecondConnectionChangesNothing) {
    auto state = Connect(kOneModule);
    CInstrument* first = state->m_pInstrument.get();
    EXPECT_FALSE(state->ConnectInstrument());
    EXPECT_EQ(state->m_pInstrument.get(), first);
    EXPECT_EQ(state->m_strResourceName, "Emulated");
    EXPECT_EQ(platform.Count("wait+"), 1);
}

}  // namespace
