#include "sim/module/Device.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace sim {

namespace {

// Long enough that no 256-byte buffer holds it.
constexpr std::size_t kLongTextLength = 300;
// The length an identification is stretched to, with no terminator, to test readers that must
// not look past the bytes they were given.
constexpr std::size_t kLongIdnLength = 100;

std::string Trim(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

}  // namespace

CDevice::CDevice(const ResourceScenario& resource, long long nowMs)
    : m_resource(resource),
      m_isModule(resource.module.has_value()),
      m_module(resource.module.value_or(ModuleScenario())),
      m_inputs(m_module) {
    if (m_isModule) {
        for (const ErrorEntry& entry : m_module.errors) {
            PushError(entry.code, entry.text);
        }
        if (!m_resource.idn.has_value()) {
            m_resource.idn = kModuleIdn;
        }
        QueueReplayStop();
    }
    ResetInputs(nowMs);
}

CDevice::~CDevice() = default;

void CDevice::QueueReplayStop() {
    // The line alone: a path would not fit the texts a driver's buffer holds.
    if (const std::optional<long> line = m_inputs.TakeStop()) {
        PushError(kReplayStoppedCode,
                  "Replay stopped at line " + std::to_string(*line) + " of the recording");
    }
}

std::vector<std::string> CDevice::TakeNotes() {
    return m_inputs.TakeNotes();
}

void CDevice::ResetInputs(long long nowMs) {
    m_inputs.Reset(nowMs);
    QueueReplayStop();
}

void CDevice::PushError(std::int32_t code, const std::string& text) {
    if (m_errors.size() >= kErrorQueueSize) {
        m_errors.back() = {-350, "Queue overflow"};
        return;
    }
    m_errors.push_back({code, text});
}

std::uint8_t CDevice::StatusByte() const {
    unsigned byte = m_inputs.HasEdges() ? 0x01 : 0;
    if (!m_errors.empty()) {
        byte |= 0x04;
    }
    if ((byte & m_serviceEnable) != 0) {
        byte |= 0x40;
    }
    return static_cast<std::uint8_t>(byte);
}

long long CDevice::NextStepMs() const {
    return m_isModule ? m_inputs.NextStepMs() : -1;
}

// The VXI configuration registers: ID (manufacturer in the low 12 bits, an A16-only
// register-based device above), device type (model code) and status (passed, ready).
std::uint16_t CDevice::Register(std::size_t offset) const {
    switch (offset) {
        case 0x00:
            return static_cast<std::uint16_t>(0xC000 |
                                              (m_resource.manufacturer.value_or(0xFFF) & 0x0FFF));
        case 0x02:
            return static_cast<std::uint16_t>(0xF000 | (m_resource.model.value_or(0) & 0x0FFF));
        case 0x04:
            return 0xFFFC;
        default:
            return 0xFFFF;
    }
}

void CDevice::CatchUp(long long nowMs) {
    if (m_isModule && m_inputs.MovesWithTime()) {
        Advance(nowMs);
    }
}

void CDevice::Advance(long long nowMs) {
    m_inputs.Advance(nowMs);
    QueueReplayStop();
}

std::string CDevice::Text(const std::string& text) const {
    if (!m_module.longTexts) {
        return text;
    }
    std::string padded = text.empty() ? std::string("Long text") : text;
    padded += ' ';
    while (padded.size() < kLongTextLength) {
        padded += static_cast<char>('0' + padded.size() % 10);
    }
    return padded;
}

namespace {

// Whether an entry of the scenario that names a command applies to this one now; counts its
// skips, its spacing and its repeats down when it does.
template <typename Scheduled>
bool Due(const std::string& header, Scheduled* entry) {
    if (Upper(entry->command) != header || entry->times == 0) {
        return false;
    }
    if (entry->skip > 0) {
        --entry->skip;
        return false;
    }
    entry->seen = (entry->seen + 1) % std::max(entry->every, 1);
    if (entry->seen != 0) {
        return false;
    }
    if (entry->times > 0) {
        --entry->times;
    }
    return true;
}

}  // namespace

bool CDevice::TakeFault(const std::string& header, ViStatus* status) {
    for (auto& fault : m_module.faults) {
        if (Due(header, &fault)) {
            *status = fault.status;
            return true;
        }
    }
    return false;
}

void CDevice::QueueAfter(const std::string& header) {
    for (auto& queued : m_module.errorsAfter) {
        if (Due(header, &queued)) {
            PushError(queued.entry.code, queued.entry.text);
        }
    }
}

std::string CDevice::RunModuleCommand(const std::string& header, const std::string& argument,
                                      bool* hasReply) {
    *hasReply = true;
    if (header == "*TST?") {
        return std::to_string(m_module.selfTestResult) + "," +
               Quoted(Text(m_module.selfTestMessage));
    }
    if (header == "SYST:ERR?") {
        if (m_errors.empty()) {
            if (!m_module.endlessErrorQueue) {
                return "0," + Quoted("No error");
            }
            PushError(-350, "Queue overflow");
        }
        const ErrorEntry entry = m_errors.front();
        if (!m_module.endlessErrorQueue) {
            m_errors.pop_front();
        }
        return std::to_string(entry.code) + "," + Quoted(Text(entry.text));
    }
    const bool value = header == "MEAS:DIG:PORT?";
    const bool positive = header == "SENS:POS:PORT:TRAN?";
    const bool negative = header == "SENS:NEG:PORT:TRAN?";
    if (value || positive || negative) {
        char* end = nullptr;
        const long port = std::strtol(argument.c_str(), &end, 10);
        if (argument.empty() || *end != '\0' || port < 0 || port > 3) {
            *hasReply = false;
            PushError(-222, "Data out of range");
            return std::string();
        }
        const auto index = static_cast<std::size_t>(port);
        const std::uint16_t reading = positive   ? m_inputs.TakeRising(index)
                                      : negative ? m_inputs.TakeFalling(index)
                                                 : m_inputs.Value(index);
        return std::to_string(reading);
    }
    if (header == "*STB?") {
        return std::to_string(StatusByte());
    }
    if (header == "*SRE?") {
        return std::to_string(m_serviceEnable);
    }
    *hasReply = false;
    if (header == "*SRE") {
        char* end = nullptr;
        const long mask = std::strtol(argument.c_str(), &end, 10);
        if (argument.empty() || *end != '\0' || mask < 0 || mask > 255) {
            PushError(-222, "Data out of range");
        } else {
            // Bit 6 is the summary itself and cannot enable anything.
            m_serviceEnable = static_cast<std::uint8_t>(mask & ~0x40);
        }
    } else if (header == "*CLS") {
        m_errors.clear();
        m_inputs.ClearEdges();
    } else if (header != "*RST") {
        PushError(-113, "Undefined header");
    }
    return std::string();
}

CDevice::Outcome CDevice::Execute(const std::string& message, long long nowMs) {
    Outcome outcome;
    const std::string command = Trim(message);
    const std::string::size_type space = command.find_first_of(" \t");
    const std::string header = Upper(command.substr(0, space));
    const std::string argument = space == std::string::npos ? "" : Trim(command.substr(space));
    const bool query = !header.empty() && header.back() == '?';

    if (m_isModule) {
        Advance(nowMs);
        ViStatus fault = VI_SUCCESS;
        if (TakeFault(header, &fault)) {
            if (query) {
                outcome.readStatus = fault;
                return outcome;
            }
            outcome.writeStatus = fault;
            if (fault < 0) {
                return outcome;
            }
        }
    }

    if (header == "*IDN?" && m_resource.idn.has_value()) {
        outcome.hasReply = true;
        outcome.reply = *m_resource.idn;
        if (m_resource.longIdn) {
            outcome.reply.resize(kLongIdnLength, '9');
            outcome.replyEnds = false;
        } else if (m_resource.idnEnd) {
            outcome.reply += '\n';
        } else {
            outcome.replyEnds = false;
        }
    } else if (header == "*RST" && m_isModule) {
        ResetInputs(nowMs);
    } else if (m_isModule) {
        outcome.reply = RunModuleCommand(header, argument, &outcome.hasReply);
        if (outcome.hasReply) {
            outcome.reply += '\n';
        }
    }
    if (m_isModule) {
        QueueAfter(header);
    }
    return outcome;
}

}  // namespace sim
