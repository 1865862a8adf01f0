#pragma once

#include <string>

#include "instrument/VisaTypes.h"

class CInstrument;
class IPanelHost;

// Control ids of the panel template that the readings use.
enum : int {
    IDC_PORT_VALUE = 1049,
    IDC_POS_EDGE_REG = 1070,
    IDC_NEG_EDGE_REG = 1071,
    IDC_PORT0 = 1053,
    IDC_PORT3 = 1056,
    IDC_DEC = 1061,
    IDC_HEX = 1063,
};

// "%d" or "0x%x" of the 16-bit value.
std::string FormatReading(unsigned value, bool hex);
// A read-out text parsed back as the radix switch does: "0x" prefix means base 16, otherwise
// base 10, strtoul rules, low 16 bits kept; no digits give 0.
unsigned ParseReadout(const std::string& text);

// The readings of the panel window, written against the state it holds in its controls
// (checked port and radix buttons, three read-out texts), so that they run without a screen.
class CPanelReadings {
public:
    explicit CPanelReadings(IPanelHost& host) : m_host(host) {}
    virtual ~CPanelReadings() = default;

    // The reading the user asked for: a failure is reported and nothing else changes.
    void OnTakeReading();
    // The reading of an Auto Update tick: a failure switches Auto Update off before it is
    // reported, so a module that keeps failing cannot bring its message back on every tick.
    void OnTimedReading();
    void OnPortValue();
    void OnPosEdgeReg();
    void OnNegEdgeReg();
    void OnHex();
    void OnDec();

protected:
    // Id of the checked button among first..last, or 0 when none is checked.
    virtual int GetCheckedRadioButton(int first, int last) const = 0;
    virtual std::string GetReadoutText(int id) const = 0;
    virtual void SetReadoutText(int id, const std::string& text) = 0;
    // A reading failed with a lost connection (true), or a reading succeeded (false).
    virtual void ShowLinkLost(bool lost) { static_cast<void>(lost); }

    IPanelHost& m_host;

private:
    void TakeReading(bool timed);
    int SelectedPort() const;
    bool IsHex() const;
    void RefreshOne(int id, ViUInt16 (*read)(CInstrument& instrument, int port));
    void Reformat(bool hex);
    // What a failed reading shows besides its message.
    void ShowFailure(ViStatus failed);
};
