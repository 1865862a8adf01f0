#include "panel/PanelReadings.h"

#include <cstdio>
#include <cstdlib>

#include "instrument/Instrument.h"
#include "panel/PanelHost.h"

std::string FormatReading(unsigned value, bool hex) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, hex ? "0x%x" : "%u", value & 0xFFFFu);
    return buffer;
}

unsigned ParseReadout(const std::string& text) {
    const char* begin = text.c_str();
    int base = 10;
    if (text.size() >= 2 && text[0] == '0' && text[1] == 'x') {
        begin += 2;
        base = 16;
    }
    return static_cast<unsigned>(std::strtoul(begin, nullptr, base)) & 0xFFFFu;
}

int CPanelReadings::SelectedPort() const {
    const int id = GetCheckedRadioButton(IDC_PORT0, IDC_PORT3);
    // The port buttons form an exclusive group that set-up checks, so none checked cannot
    // happen; should it, port 0 keeps every call in range.
    return id >= IDC_PORT0 && id <= IDC_PORT3 ? id - IDC_PORT0 : 0;
}

bool CPanelReadings::IsHex() const {
    return GetCheckedRadioButton(IDC_DEC, IDC_HEX) != IDC_DEC;
}

void CPanelReadings::OnTakeReading() {
    TakeReading(false);
}

void CPanelReadings::OnTimedReading() {
    TakeReading(true);
}

void CPanelReadings::TakeReading(bool timed) {
    CInstrument& instrument = m_host.Instrument();
    const int port = SelectedPort();
    const bool hex = IsHex();
    ViUInt16 value = 0;
    ViUInt16 pos = 0;
    ViUInt16 neg = 0;
    bool threw = false;
    ViStatus failed = VI_SUCCESS;
    {
        // The three registers of one reading belong together: no other reader comes between.
        std::lock_guard<std::recursive_mutex> lock(instrument.Guard());
        try {
            value = instrument.MeasDigPort(port);
            pos = instrument.TakePosEdges(EdgeReader::Panel, port);
            neg = instrument.TakeNegEdges(EdgeReader::Panel, port);
        } catch (const CUserException&) {
            threw = true;
            failed = instrument.GetLastStatus();
        }
    }
    if (threw) {
        if (timed) {
            m_host.StopAutoUpdate();
        }
        ShowFailure(failed);
        m_host.ReportStatus(failed);
        return;
    }
    ShowLinkLost(false);
    SetReadoutText(IDC_PORT_VALUE, FormatReading(value, hex));
    SetReadoutText(IDC_POS_EDGE_REG, FormatReading(pos, hex));
    SetReadoutText(IDC_NEG_EDGE_REG, FormatReading(neg, hex));
}

void CPanelReadings::RefreshOne(int id, ViUInt16 (*read)(CInstrument& instrument, int port)) {
    CInstrument& instrument = m_host.Instrument();
    const int port = SelectedPort();
    const bool hex = IsHex();
    ViUInt16 value = 0;
    bool threw = false;
    ViStatus failed = VI_SUCCESS;
    {
        std::lock_guard<std::recursive_mutex> lock(instrument.Guard());
        try {
            value = read(instrument, port);
        } catch (const CUserException&) {
            threw = true;
            failed = instrument.GetLastStatus();
        }
    }
    if (threw) {
        ShowFailure(failed);
        m_host.ReportStatus(failed);
        return;
    }
    ShowLinkLost(false);
    SetReadoutText(id, FormatReading(value, hex));
}

void CPanelReadings::ShowFailure(ViStatus failed) {
    // Any other failure says nothing about the link: the lamp stays as the last reading left it.
    if (failed == VI_ERROR_CONN_LOST) {
        ShowLinkLost(true);
    }
}

void CPanelReadings::OnPortValue() {
    RefreshOne(IDC_PORT_VALUE,
               [](CInstrument& instrument, int port) { return instrument.MeasDigPort(port); });
}
void CPanelReadings::OnPosEdgeReg() {
    RefreshOne(IDC_POS_EDGE_REG, [](CInstrument& instrument, int port) {
        return instrument.TakePosEdges(EdgeReader::Panel, port);
    });
}
void CPanelReadings::OnNegEdgeReg() {
    RefreshOne(IDC_NEG_EDGE_REG, [](CInstrument& instrument, int port) {
        return instrument.TakeNegEdges(EdgeReader::Panel, port);
    });
}

void CPanelReadings::Reformat(bool hex) {
    for (int id : {int{IDC_PORT_VALUE}, int{IDC_NEG_EDGE_REG}, int{IDC_POS_EDGE_REG}}) {
        SetReadoutText(id, FormatReading(ParseReadout(GetReadoutText(id)), hex));
    }
}

void CPanelReadings::OnHex() {
    Reformat(true);
}
void CPanelReadings::OnDec() {
    Reformat(false);
}
