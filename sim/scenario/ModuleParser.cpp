#include "sim/scenario/ModuleParser.h"

#include <filesystem>
#include <limits>
#include <vector>

#include "sim/replay/Replay.h"
#include "sim/scenario/ScenarioChecks.h"

namespace sim {

bool CModuleParser::Module(const YAML::Node& node, ModuleScenario* module) {
    if (node.IsNull()) {
        return true;
    }
    if (!node.IsMap()) {
        return m_checks.Fail(node, "module must be a mapping (it may be empty: {})");
    }
    if (!m_checks.Keys(
            node, {"step_ms", "ports", "self_test", "errors", "errors_after", "fail", "replay"},
            "module")) {
        return false;
    }
    if (const YAML::Node replay = node["replay"]) {
        if (node["ports"] || node["step_ms"]) {
            return m_checks.Fail(replay,
                                 "a replayed module takes its inputs from the recording; "
                                 "leave out ports and step_ms");
        }
        module->replay.emplace();
        if (!Replay(replay, &*module->replay)) {
            return false;
        }
    }
    if (node["step_ms"]) {
        int stepMs = 0;
        if (!m_checks.Count(node["step_ms"], "step_ms", &stepMs)) {
            return false;
        }
        module->stepMs = static_cast<unsigned>(stepMs);
    }
    if (const YAML::Node ports = node["ports"]) {
        if (!ports.IsSequence() || ports.size() > module->ports.size()) {
            return m_checks.Fail(ports, "ports must be a list of up to 4 ports");
        }
        for (std::size_t i = 0; i < ports.size(); ++i) {
            if (!Port(ports[i], &module->ports[i])) {
                return false;
            }
        }
    }
    if (const YAML::Node test = node["self_test"]) {
        if (!test.IsMap()) {
            return m_checks.Fail(test, "self_test must be a mapping");
        }
        if (!m_checks.Keys(test, {"result", "message"}, "self_test")) {
            return false;
        }
        long long result = 0;
        if (test["result"]) {
            if (!m_checks.Integer(test["result"], "result", -32768, 32767, &result)) {
                return false;
            }
            module->selfTestResult = static_cast<std::int16_t>(result);
        }
        if (test["message"] &&
            !m_checks.Scalar(test["message"], "message", &module->selfTestMessage)) {
            return false;
        }
    }
    if (const YAML::Node errors = node["errors"]) {
        if (!m_checks.List(errors, "errors")) {
            return false;
        }
        for (const auto& item : errors) {
            ErrorEntry entry;
            if (!m_checks.Keys(item, {"code", "text"}, "errors") || !Entry(item, &entry)) {
                return false;
            }
            module->errors.push_back(entry);
        }
    }
    if (const YAML::Node after = node["errors_after"]) {
        if (!m_checks.List(after, "errors_after")) {
            return false;
        }
        for (const auto& item : after) {
            QueuedError queued;
            if (!m_checks.Keys(item, {"command", "code", "text", "skip", "every", "times"},
                               "errors_after") ||
                !Command(item, &queued.command) || !Entry(item, &queued.entry) ||
                !Repeat(item, &queued)) {
                return false;
            }
            module->errorsAfter.push_back(queued);
        }
    }
    if (const YAML::Node faults = node["fail"]) {
        if (!m_checks.List(faults, "fail")) {
            return false;
        }
        for (const auto& item : faults) {
            CommandFault fault;
            if (!m_checks.Keys(item, {"command", "status", "skip", "every", "times"}, "fail") ||
                !Command(item, &fault.command) ||
                (item["status"] && !m_checks.Status(item["status"], &fault.status)) ||
                !Repeat(item, &fault)) {
                return false;
            }
            module->faults.push_back(fault);
        }
    }
    return true;
}

bool CModuleParser::Port(const YAML::Node& node, PortStimulus* port) {
    if (node.IsScalar()) {
        port->mode = PortStimulus::Mode::Fixed;
        return m_checks.Bits16(node, "port value", &port->start);
    }
    if (!node.IsMap()) {
        return m_checks.Fail(node, "a port is a value or a mapping with a mode");
    }
    if (!m_checks.Keys(node, {"mode", "value", "start", "step", "invert", "seed", "mask"},
                       "port")) {
        return false;
    }
    std::string mode = "fixed";
    if (node["mode"] && !m_checks.Scalar(node["mode"], "mode", &mode)) {
        return false;
    }
    if (mode == "fixed") {
        port->mode = PortStimulus::Mode::Fixed;
    } else if (mode == "count") {
        port->mode = PortStimulus::Mode::Count;
    } else if (mode == "walk") {
        port->mode = PortStimulus::Mode::Walk;
    } else if (mode == "random") {
        port->mode = PortStimulus::Mode::Random;
    } else {
        return m_checks.Fail(node["mode"],
                             "unknown port mode '" + mode + "' (fixed, count, walk, random)");
    }
    if (node["value"] && !m_checks.Bits16(node["value"], "value", &port->start)) {
        return false;
    }
    if (node["start"] && !m_checks.Bits16(node["start"], "start", &port->start)) {
        return false;
    }
    if (port->mode == PortStimulus::Mode::Walk && port->start > 15) {
        return m_checks.Fail(node, "a walk starts at bit 0 to 15");
    }
    if (node["step"] && !m_checks.Bits16(node["step"], "step", &port->step)) {
        return false;
    }
    if (node["invert"] && !m_checks.Boolean(node["invert"], "invert", &port->invert)) {
        return false;
    }
    if (node["mask"] && !m_checks.Bits16(node["mask"], "mask", &port->mask)) {
        return false;
    }
    if (node["seed"]) {
        long long seed = 0;
        if (!m_checks.Integer(node["seed"], "seed", 0, 0xFFFFFFFFLL, &seed)) {
            return false;
        }
        port->seed = static_cast<std::uint32_t>(seed);
    }
    return true;
}

bool CModuleParser::Entry(const YAML::Node& node, ErrorEntry* entry) {
    long long code = 0;
    if (!node["code"]) {
        return m_checks.Fail(node, "an error entry needs a code");
    }
    if (!m_checks.Integer(node["code"], "code", std::numeric_limits<std::int32_t>::min(),
                          std::numeric_limits<std::int32_t>::max(), &code)) {
        return false;
    }
    if (code == 0) {
        return m_checks.Fail(node["code"], "code 0 means an empty queue; give a non-zero code");
    }
    entry->code = static_cast<std::int32_t>(code);
    return !node["text"] || m_checks.Scalar(node["text"], "text", &entry->text);
}

bool CModuleParser::Command(const YAML::Node& node, std::string* command) {
    if (!node["command"]) {
        return m_checks.Fail(node, "a command is missing");
    }
    if (!m_checks.Scalar(node["command"], "command", command)) {
        return false;
    }
    if (command->empty()) {
        return m_checks.Fail(node["command"], "the command is empty");
    }
    return true;
}

template <typename Scheduled>
bool CModuleParser::Repeat(const YAML::Node& node, Scheduled* entry) {
    if (node["skip"] && !m_checks.Count(node["skip"], "skip", &entry->skip)) {
        return false;
    }
    if (node["every"]) {
        long long every = 1;
        if (!m_checks.Integer(node["every"], "every", 1, std::numeric_limits<int>::max(), &every)) {
            return false;
        }
        entry->every = static_cast<int>(every);
    }
    return !node["times"] || m_checks.Count(node["times"], "times", &entry->times);
}

// module: replay: {file, channels, speed, loop, start, scope}; the file is opened here, so
// that a wrong name or channel is told with the scenario's line.
bool CModuleParser::Replay(const YAML::Node& node, ReplayScenario* replay) {
    if (!node.IsMap()) {
        return m_checks.Fail(node, "replay must be a mapping with at least a file");
    }
    if (!m_checks.Keys(node, {"file", "channels", "speed", "loop", "start", "scope"}, "replay")) {
        return false;
    }
    if (!node["file"]) {
        return m_checks.Fail(node, "replay needs the file of a recording");
    }
    if (!m_checks.Scalar(node["file"], "file", &replay->file)) {
        return false;
    }
    if (replay->file.empty()) {
        return m_checks.Fail(node["file"], "the file of the replay is empty");
    }
    namespace fs = std::filesystem;
    const fs::path named = fs::u8path(replay->file);
    if (named.is_relative()) {
        replay->file = (fs::u8path(m_checks.FileName()).parent_path() / named).u8string();
    }
    if (node["speed"] && !m_checks.Real(node["speed"], "speed", 1e-6, 1e6, &replay->speed)) {
        return false;
    }
    if (node["start"] && !m_checks.Real(node["start"], "start", 0, 1e9, &replay->startS)) {
        return false;
    }
    if (node["loop"] && !m_checks.Boolean(node["loop"], "loop", &replay->loop)) {
        return false;
    }
    if (node["scope"] && !m_checks.Scalar(node["scope"], "scope", &replay->scope)) {
        return false;
    }
    std::vector<YAML::Node> channelNodes;
    if (const YAML::Node channels = node["channels"]) {
        if (!channels.IsMap()) {
            return m_checks.Fail(channels, "channels must be a mapping of signal name to input");
        }
        for (auto it = channels.begin(); it != channels.end(); ++it) {
            std::string name;
            long long input = 0;
            if (!m_checks.Scalar(it->first, "a signal name", &name) ||
                !m_checks.Integer(it->second, "input of " + name, 0, 63, &input)) {
                return false;
            }
            replay->channels.emplace_back(name, static_cast<int>(input));
            channelNodes.push_back(it->first);
        }
    }
    CReplay::Problem problem;
    if (!CReplay::Open(*replay, &problem)) {
        if (problem.channel >= 0) {
            return m_checks.Fail(channelNodes[static_cast<std::size_t>(problem.channel)],
                                 problem.text);
        }
        return m_checks.Fail(node["file"], "replay " + replay->file + ": " + problem.text);
    }
    return true;
}

}  // namespace sim
