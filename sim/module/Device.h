#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/module/ModuleInputs.h"
#include "sim/scenario/Scenario.h"

namespace sim {

// What answers on one resource: a K3310 module when the scenario gives one, otherwise at most
// an identification reply. It speaks the module's message protocol:
//   *IDN?  *RST  *CLS  *TST?  SYST:ERR?  *STB?  *SRE <n>  *SRE?
//   MEAS:DIG:PORT? <p>  SENS:POS:PORT:TRAN? <p>  SENS:NEG:PORT:TRAN? <p>   (p = 0..3)
// Its status byte: bit 0 while a transition register holds a latched edge, bit 2 while the
// error queue is not empty, bit 6 while (status byte & service request enable) is not zero.
class CDevice {
public:
    CDevice(const ResourceScenario& resource, long long nowMs);
    ~CDevice();
    CDevice(const CDevice&) = delete;
    CDevice& operator=(const CDevice&) = delete;

    // What a write of one command leads to.
    struct Outcome {
        ViStatus writeStatus = VI_SUCCESS;  // returned by the write itself
        ViStatus readStatus = VI_SUCCESS;   // returned by the next read when negative
        bool hasReply = false;
        std::string reply;  // complete message, terminator included when the device sends one
        bool replyEnds = true;
    };
    Outcome Execute(const std::string& message, long long nowMs);

    // Steps the inputs up to this time; nothing when they step on commands.
    void CatchUp(long long nowMs);
    // When the inputs step next; -1 when they step only on commands.
    long long NextStepMs() const;
    std::uint8_t StatusByte() const;
    // Whether the module asks for service: (status byte & enable mask) is not zero.
    bool RequestsService() const { return (StatusByte() & 0x40) != 0; }
    std::uint16_t Register(std::size_t offset) const;

    // The error queue keeps this many entries; the last becomes -350 "Queue overflow".
    static constexpr std::size_t kErrorQueueSize = 32;
    // Queued once when a replay stops before its end: a line of the recording is not well
    // formed, or the file cannot be read any more. The inputs hold their last values.
    static constexpr std::int32_t kReplayStoppedCode = 301;

    // Lines for the library's trace (what a replay passed over or where it stopped), each
    // handed out once.
    std::vector<std::string> TakeNotes();

    bool IsModule() const { return m_isModule; }
    bool UnterminatedText() const { return m_module.unterminatedText; }
    std::uint16_t Port(int port) const { return m_inputs.Value(static_cast<std::size_t>(port)); }

private:
    void Advance(long long nowMs);
    void PushError(std::int32_t code, const std::string& text);
    void ResetInputs(long long nowMs);
    std::string Text(const std::string& text) const;
    std::string RunModuleCommand(const std::string& header, const std::string& argument,
                                 bool* hasReply);
    bool TakeFault(const std::string& header, ViStatus* status);
    void QueueAfter(const std::string& header);
    // Queues the replay's stop, if it stopped, as an error entry.
    void QueueReplayStop();

    ResourceScenario m_resource;
    bool m_isModule = false;
    ModuleScenario m_module;
    std::deque<ErrorEntry> m_errors;
    std::uint8_t m_serviceEnable = 0;
    CModuleInputs m_inputs;
};

}  // namespace sim
