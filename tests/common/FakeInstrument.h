#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "instrument/Instrument.h"

// A scripted instrument: records every call as "<op>:<port>", answers readings from per-call
// values, fails chosen calls with a status, and serves an error queue.
class CFakeInstrument : public CInstrument {
public:
    explicit CFakeInstrument(bool live = false) { m_bLive = live ? 1 : 0; }
    ~CFakeInstrument() override;

    void Reset() override;
    const char* ErrorQuery(int* errorCode) override;
    const char* ErrorMessage(ViStatus status) override;
    const char* SelfTest(int* result) override;
    ViUInt16 MeasDigPort(int port) override { return Read("meas", port); }
    ViUInt16 SensPosPortTran(int port) override { return Read("pos", port); }
    ViUInt16 SensNegPortTran(int port) override { return Read("neg", port); }

    // The next call of op ("meas", "pos", "neg", "reset", "selftest") fails with status;
    // with STATUS_INSTRUMENT_ERROR the given text becomes the last error text.
    void FailNext(const std::string& op, ViStatus status, const std::string& errorText = "");
    // Readings of op answer value until changed.
    void SetValue(const std::string& op, ViUInt16 value) { m_values[op] = value; }
    void SetLastError(const std::string& text) { m_strLastError = text; }

    std::vector<std::string> calls;
    // Entries ErrorQuery hands out, then code 0 with text "No error".
    std::deque<std::pair<int, std::string>> queue;
    bool queueQueryFails = false;
    bool queueNeverEmpty = false;
    std::map<ViStatus, std::string> messages;  // ErrorMessage texts; none gives null
    std::string selfTestText = "Self test ok";
    int selfTestResult = 0;
    int* destroyedCounter = nullptr;

private:
    ViUInt16 Read(const std::string& op, int port);
    bool TakeFailure(const std::string& op);
    std::map<std::string, ViUInt16> m_values;
    std::map<std::string, std::pair<ViStatus, std::string>> m_failures;
};
