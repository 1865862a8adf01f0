#pragma once

#include <memory>
#include <string>

#include "app/options/CommandLine.h"
#include "instrument/Instrument.h"
#include "platform/native/Color.h"

// What the connection procedure leaves for the rest of the program: the one instrument, the
// status colour, the slot and the resource name. The application object is one of these.
class CConnectionState {
public:
    explicit CConnectionState(const std::string& commandLine) : m_commandLine(commandLine) {}
    virtual ~CConnectionState() = default;
    CConnectionState(const CConnectionState&) = delete;
    CConnectionState& operator=(const CConnectionState&) = delete;

    // Finds, identifies and opens the module, or falls back to the emulated instrument.
    // False only when an instrument already existed.
    bool ConnectInstrument();
    void CreateEmulatedInstrument();

    const CCommandLine& CommandLine() const { return m_commandLine; }

    std::unique_ptr<CInstrument> m_pInstrument;
    COLORREF m_crStatus = 0;
    int m_nSlot = 0;
    std::string m_strResourceName;

private:
    CCommandLine m_commandLine;
};
