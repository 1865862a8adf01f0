// The scenario reader, the search expressions and the simulated module, without the C layer.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "sim/core/VisaPattern.h"
#include "sim/module/Device.h"
#include "sim/scenario/DefaultScenario.h"
#include "sim/scenario/Scenario.h"

namespace {

using sim::CDevice;
using sim::ParseScenario;

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(Scenario, BundledScenariosRead) {
    const std::string defaultPath = SFP_SOURCE_DIR "/sim/scenarios/default.yaml";
    const auto builtIn = ParseScenario(ReadFile(defaultPath), defaultPath);
    ASSERT_TRUE(builtIn.scenario.has_value()) << builtIn.error;
    ASSERT_EQ(builtIn.scenario->resources.size(), 1u);
    const auto& module = builtIn.scenario->resources[0];
    EXPECT_EQ(module.name, "VXI0::24::INSTR");
    EXPECT_EQ(module.interfaceType, VI_INTF_VXI);
    EXPECT_EQ(module.slot, 24);
    EXPECT_EQ(module.manufacturer, 0xFFF);
    EXPECT_EQ(module.model, 0x154);
    EXPECT_TRUE(module.module.has_value());

    const std::string path = SFP_SOURCE_DIR "/sim/scenarios/example.yaml";
    const auto example = ParseScenario(ReadFile(path), path);
    ASSERT_TRUE(example.scenario.has_value()) << example.error;
    ASSERT_GE(example.scenario->resources.size(), 3u);
    EXPECT_EQ(example.scenario->resources[1].interfaceType, VI_INTF_GPIB) << "from the name";
    EXPECT_EQ(example.scenario->resources[2].interfaceType, VI_INTF_ASRL);
    EXPECT_FALSE(example.scenario->resources[1].slot.has_value());

    const std::string replayPath = SFP_SOURCE_DIR "/sim/scenarios/replay.yaml";
    const auto replay = ParseScenario(ReadFile(replayPath), replayPath);
    ASSERT_TRUE(replay.scenario.has_value()) << replay.error;
    EXPECT_TRUE(replay.scenario->resources.at(0).module->replay->loop);
}

// The built-in scenario is data, default.yaml its documented form: they must not drift apart,
// and the comparison must see a change in any part.
TEST(Scenario, BuiltInScenarioIsTheBundledFile) {
    const std::string path = SFP_SOURCE_DIR "/sim/scenarios/default.yaml";
    const auto parsed = ParseScenario(ReadFile(path), path);
    ASSERT_TRUE(parsed.scenario.has_value()) << parsed.error;
    const sim::Scenario builtIn = sim::DefaultScenario();
    EXPECT_TRUE(*parsed.scenario == builtIn);

    using Change = void (*)(sim::Scenario&);
    const Change changes[] = {
        [](sim::Scenario& s) { s.findFailAfter = 1; },
        [](sim::Scenario& s) { s.resources[0].slot.reset(); },
        [](sim::Scenario& s) { s.resources[0].idn = sim::kModuleIdn; },
        [](sim::Scenario& s) { s.resources[0].attributeStatus[VI_ATTR_SLOT] = VI_ERROR_IO; },
        [](sim::Scenario& s) { s.resources[0].module->ports[2].mask = 0xFFFF; },
        [](sim::Scenario& s) { s.resources[0].module->ports[3].invert = true; },
        [](sim::Scenario& s) { s.resources[0].module->stepMs = 0; },
        [](sim::Scenario& s) { s.resources[0].module->errorsAfter.push_back({}); },
        [](sim::Scenario& s) { s.resources[0].module->faults.push_back({}); },
        [](sim::Scenario& s) { s.resources[0].module->unterminatedText = true; },
        [](sim::Scenario& s) { s.resources[0].module->replay.emplace(); },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        sim::Scenario changed = builtIn;
        changes[i](changed);
        EXPECT_FALSE(changed == builtIn) << "change " << i;
    }
}

TEST(Scenario, ReadsValuesInEveryForm) {
    const auto parsed = ParseScenario(R"(
default_rm: 0x3FFF007D
search: {status: VI_SUCCESS, fail_after: 2, fail_status: -1073807298}
resources:
  - name: GPIB-VXI0::3::INSTR
    slot: unknown
    manufacturer: 4095
    model: 0x154
    open: VI_ERROR_RSRC_BUSY
    attribute_status: {model: VI_ERROR_IO}
    module:
      step_ms: 50
      ports: [010, {mode: walk, start: 15, invert: yes}, {mode: random, seed: 0xFFFFFFFF}]
      self_test: {result: -1, message: ""}
      errors: [{code: -100, text: "Command error"}]
      errors_after: [{command: "*RST", code: 5, skip: 1, times: 2}]
      fail: [{command: "*TST?"}]
    misbehave: [long_idn, unterminated_text]
)",
                                      "t.yaml");
    ASSERT_TRUE(parsed.scenario.has_value()) << parsed.error;
    const auto& s = *parsed.scenario;
    EXPECT_EQ(s.defaultRmStatus, VI_SUCCESS_DEV_NPRESENT);
    EXPECT_EQ(s.findFailAfter, 2u);
    EXPECT_EQ(s.findFailStatus, VI_ERROR_IO);
    const auto& r = s.resources[0];
    EXPECT_EQ(r.interfaceType, VI_INTF_GPIB_VXI);
    EXPECT_EQ(r.slot, 0xFFFF);
    EXPECT_EQ(r.manufacturer, 0xFFF);
    EXPECT_EQ(r.openStatus, VI_ERROR_RSRC_BUSY);
    EXPECT_EQ(r.attributeStatus.at(VI_ATTR_MODEL_CODE), VI_ERROR_IO);
    EXPECT_TRUE(r.longIdn);
    const auto& m = *r.module;
    EXPECT_EQ(m.stepMs, 50u);
    EXPECT_EQ(m.ports[0].start, 10) << "no octal";
    EXPECT_EQ(m.ports[1].mode, sim::PortStimulus::Mode::Walk);
    EXPECT_TRUE(m.ports[1].invert);
    EXPECT_EQ(m.ports[2].seed, 0xFFFFFFFFu);
    EXPECT_EQ(m.ports[3].mode, sim::PortStimulus::Mode::Fixed);
    EXPECT_EQ(m.selfTestResult, -1);
    EXPECT_EQ(m.errorsAfter[0].skip, 1);
    EXPECT_EQ(m.errorsAfter[0].times, 2);
    EXPECT_EQ(m.faults[0].status, VI_ERROR_TMO) << "a fault times out unless told";
    EXPECT_TRUE(m.unterminatedText);

    const auto empty = ParseScenario("", "empty.yaml");
    ASSERT_TRUE(empty.scenario.has_value());
    EXPECT_TRUE(empty.scenario->resources.empty());
}

TEST(Scenario, MistakesNameFileLineAndProblem) {
    const struct {
        const char* yaml;
        const char* where;
        const char* problem;
    } cases[] = {
        {"resources:\n  - name: VXI0::1::INSTR\n    slott: 3\n",
         "bad.yaml:3:", "unknown key 'slott'"},
        {"resources:\n  - name: [a, b\n", "bad.yaml:", ""},
        {"resources:\n  - interface: vxi\n", "bad.yaml:2:", "without a name"},
        {"resources:\n  - name: FOO0::INSTR\n", "bad.yaml:2:", "give the interface"},
        {"resources:\n  - name: A::INSTR\n    interface: fibre\n",
         "bad.yaml:3:", "unknown interface"},
        {"resources:\n  - name: VXI0::1::INSTR\n    slot: 70000\n", "bad.yaml:3:", "out of range"},
        {"resources:\n  - name: VXI0::1::INSTR\n    open: VI_ERROR_BOGUS\n",
         "bad.yaml:3:", "unknown status"},
        {"resources:\n  - name: VXI0::1::INSTR\n  - name: vxi0::1::instr\n",
         "bad.yaml:3:", "listed twice"},
        {"resources:\n  - name: VXI0::1::INSTR\n    module:\n      ports: [1, 2, 3, 4, 5]\n",
         "bad.yaml:4:", "up to 4 ports"},
        {"resources:\n  - name: VXI0::1::INSTR\n    module:\n      ports: [{mode: zigzag}]\n",
         "bad.yaml:4:", "unknown port mode"},
        {"resources:\n  - name: VXI0::1::INSTR\n    module:\n      errors: [{code: 0}]\n",
         "bad.yaml:4:", "non-zero code"},
        {"resources:\n  - name: VXI0::1::INSTR\n    misbehave: [long_texts]\n",
         "bad.yaml:3:", "needs a module"},
        {"resources:\n  - name: VXI0::1::INSTR\n    idn_end: maybe\n",
         "bad.yaml:3:", "true or false"},
        {"search: {fail_after: 0}\n", "bad.yaml:1:", "fail_after"},
        {"- just a list\n", "bad.yaml:1:", "a scenario is a mapping"},
        {"resources: 3\n", "bad.yaml:1:", "must be a list"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseScenario(c.yaml, "bad.yaml");
        EXPECT_FALSE(parsed.scenario.has_value()) << c.yaml;
        EXPECT_EQ(parsed.error.rfind(c.where, 0), 0u) << parsed.error;
        EXPECT_NE(parsed.error.find(c.problem), std::string::npos) << parsed.error;
    }
}

TEST(Scenario, NamesLongerThanAFindBufferAreRefused) {
    const std::string name255 = "VXI0::" + std::string(249, '1');
    EXPECT_TRUE(ParseScenario("resources: [{name: " + name255 + "}]", "n").scenario);
    EXPECT_FALSE(ParseScenario("resources: [{name: " + name255 + "2}]", "n").scenario);
}

TEST(VisaPattern, MatchesWholeNamesIgnoringCase) {
    using sim::PatternResult;
    const struct {
        const char* pattern;
        const char* name;
        PatternResult result;
    } cases[] = {
        {"?*INSTR", "VXI0::24::INSTR", PatternResult::Match},
        {"?*INSTR", "gpib0::9::instr", PatternResult::Match},
        {"?*INSTR", "VXI0::24::INSTR::BACKPLANE", PatternResult::NoMatch},
        {"?*INSTR", "INSTR", PatternResult::Match},
        {"?+INSTR", "INSTR", PatternResult::NoMatch},
        {"GPIB?*", "GPIB-VXI0::3::INSTR", PatternResult::Match},
        {"VXI[0-9]+::24::INSTR", "VXI12::24::INSTR", PatternResult::Match},
        {"VXI[0-9]+::24::INSTR", "VXI::24::INSTR", PatternResult::NoMatch},
        {"[^G]?*", "GPIB0::1::INSTR", PatternResult::NoMatch},
        {"\\?*", "?", PatternResult::Match},
        {"*INSTR", "INSTR", PatternResult::Invalid},
        {"[abc", "a", PatternResult::Invalid},
        {"abc\\", "abc", PatternResult::Invalid},
        {"", "", PatternResult::Invalid},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sim::MatchVisaPattern(c.pattern, c.name), c.result) << c.pattern << " " << c.name;
    }
    // Many repeats against a long name that almost matches must still end.
    std::string pattern;
    for (int i = 0; i < 60; ++i) {
        pattern += "?*";
    }
    EXPECT_EQ(sim::MatchVisaPattern(pattern + "X", std::string(255, 'A')), PatternResult::NoMatch);
}

sim::ResourceScenario ModuleResource(const std::string& moduleYaml) {
    const auto parsed = ParseScenario(
        "resources:\n  - name: VXI0::1::INSTR\n    module:\n" + moduleYaml, "module.yaml");
    EXPECT_TRUE(parsed.scenario.has_value()) << parsed.error;
    return parsed.scenario ? parsed.scenario->resources[0] : sim::ResourceScenario();
}

std::string Ask(CDevice& device, const std::string& command, long long nowMs = 0) {
    const auto outcome = device.Execute(command, nowMs);
    return outcome.hasReply ? outcome.reply : "<none>";
}

TEST(SimModule, StimuliFollowTheirModes) {
    CDevice device(ModuleResource("      ports: [{mode: count, start: 0xFFFE, step: 1}, "
                                  "{mode: walk, start: 15, invert: true}, {mode: random, seed: 7, "
                                  "mask: 0x00F0}, 0x1234]\n"),
                   0);
    EXPECT_EQ(Ask(device, "MEAS:DIG:PORT? 0"), "65535\n");
    EXPECT_EQ(Ask(device, "MEAS:DIG:PORT? 0"), "0\n") << "wraps round";
    EXPECT_EQ(Ask(device, "meas:dig:port? 1"), std::to_string(0xFFFF & ~(1 << 2)) + "\n");
    for (int i = 0; i < 20; ++i) {
        const int value = std::stoi(Ask(device, "MEAS:DIG:PORT? 2"));
        EXPECT_EQ(value & ~0x00F0, 0) << "only the mask toggles";
        EXPECT_EQ(Ask(device, "MEAS:DIG:PORT? 3"), "4660\n");
    }
    EXPECT_EQ(Ask(device, "MEAS:DIG:PORT? 4"), "<none>");
    EXPECT_EQ(Ask(device, "SYST:ERR?"), "-222,\"Data out of range\"\n");
}

TEST(SimModule, WallClockSteppingCatchesUp) {
    CDevice device(ModuleResource("      step_ms: 100\n      ports: [{mode: count}]\n"), 1000);
    EXPECT_EQ(Ask(device, "MEAS:DIG:PORT? 0", 1050), "0\n");
    EXPECT_EQ(Ask(device, "MEAS:DIG:PORT? 0", 1350), "3\n");
    EXPECT_EQ(Ask(device, "MEAS:DIG:PORT? 0", 1399), "3\n");
    EXPECT_EQ(Ask(device, "SENS:POS:PORT:TRAN? 0", 1400), "7\n");
}

TEST(SimModule, ErrorQueueFaultsAndTexts) {
    CDevice device(
        ModuleResource("      self_test: {result: -1, message: 'say \"hi\"'}\n"
                       "      errors: [{code: -100, text: first}]\n"
                       "      errors_after: [{command: 'MEAS:DIG:PORT?', code: 7, text: late, "
                       "skip: 1, times: 1}]\n"
                       "      fail: [{command: '*tst?', status: VI_ERROR_TMO, times: 1}, "
                       "{command: '*RST', status: VI_ERROR_IO}]\n"),
        0);
    const auto timedOut = device.Execute("*TST?", 0);
    EXPECT_FALSE(timedOut.hasReply);
    EXPECT_EQ(timedOut.readStatus, VI_ERROR_TMO);
    EXPECT_EQ(Ask(device, "*TST?"), "-1,\"say \"\"hi\"\"\"\n") << "fails once only";
    EXPECT_EQ(device.Execute("*RST", 0).writeStatus, VI_ERROR_IO);
    EXPECT_EQ(Ask(device, "MEAS:DIG:PORT? 0"), "0\n");
    EXPECT_EQ(Ask(device, "MEAS:DIG:PORT? 0"), "0\n");
    EXPECT_EQ(Ask(device, "MEAS:DIG:PORT? 0"), "0\n");
    EXPECT_EQ(Ask(device, "SYST:ERR?"), "-100,\"first\"\n");
    EXPECT_EQ(Ask(device, "SYST:ERR?"), "7,\"late\"\n") << "after the second reading only";
    EXPECT_EQ(Ask(device, "BOGUS"), "<none>");
    EXPECT_EQ(Ask(device, "SYST:ERR?"), "-113,\"Undefined header\"\n");
    EXPECT_EQ(Ask(device, "SYST:ERR?"), "0,\"No error\"\n");
}

TEST(SimModule, ScheduledFaultsHitEveryNthAfterTheirSkips) {
    const struct {
        const char* schedule;
        const char* hits;  // of twelve readings, 'x' where the reading fails
    } cases[] = {
        {"", "xxxxxxxxxxxx"},
        {"every: 3", "..x..x..x..x"},
        {"skip: 1, every: 5", ".....x....x."},
        {"skip: 2, every: 4, times: 2", ".....x...x.."},
        {"every: 1, times: 2", "xx.........."},
    };
    for (const auto& c : cases) {
        const std::string fault =
            std::string(c.schedule).empty() ? "" : ", " + std::string(c.schedule);
        CDevice device(
            ModuleResource("      fail: [{command: 'MEAS:DIG:PORT?', status: VI_ERROR_TMO" + fault +
                           "}]\n"),
            0);
        std::string seen;
        for (int i = 0; i < 12; ++i) {
            seen += device.Execute("MEAS:DIG:PORT? 0", 0).readStatus == VI_ERROR_TMO ? 'x' : '.';
        }
        EXPECT_EQ(seen, c.hits) << c.schedule;
    }
    EXPECT_FALSE(ParseScenario("resources:\n  - name: VXI0::1::INSTR\n    module: {fail: "
                               "[{command: X, every: 0}]}\n",
                               "bad.yaml")
                     .scenario.has_value());
}

TEST(SimModule, MisbehaviourForRobustnessTests) {
    auto resource = ModuleResource("      errors: [{code: 1, text: x}]\n");
    resource.module->longTexts = true;
    resource.module->endlessErrorQueue = true;
    resource.longIdn = true;
    CDevice device(resource, 0);
    for (int i = 0; i < 3; ++i) {
        const std::string reply = Ask(device, "SYST:ERR?");
        EXPECT_EQ(reply.rfind("1,\"x ", 0), 0u) << "never empties";
        EXPECT_GT(reply.size(), 256u);
    }
    const auto idn = device.Execute("*IDN?", 0);
    EXPECT_EQ(idn.reply.size(), 100u);
    EXPECT_FALSE(idn.replyEnds);
    EXPECT_EQ(idn.reply.rfind("ZENTRAX-MOLBURY,K3310", 0), 0u);
}

}  // namespace
