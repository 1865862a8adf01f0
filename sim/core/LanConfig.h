#pragma once

#include <string>
#include <vector>

#include "instrument/VisaTypes.h"

namespace sim {

// The LAN instruments a search includes, from a small text file:
//   # a comment; blank lines are skipped
//   timeout 1000                          (ms each host may take to answer; default 1000)
//   TCPIP0::192.168.1.20::inst0::INSTR    (one VXI-11 instrument a line)
struct LanConfig {
    std::vector<std::string> instruments;  // canonical names, in the file's order, no repeats
    ViUInt32 timeoutMs = 1000;
    std::string error;  // the first line not understood (the others still count)
};

constexpr const char* kLanConfigVariable = "SFP_VISA_CONF";

LanConfig ParseLanConfig(const std::string& text);
// SFP_VISA_CONF, else $XDG_CONFIG_HOME/aq3310-sfp/visa.conf, else
// $HOME/.config/aq3310-sfp/visa.conf; empty when none of them can be named.
std::string LanConfigPath();
// The configuration in force; an unreadable or missing file lists nothing, and so does one
// that is not a regular file (a FIFO, a device), with the reason in its error.
LanConfig ReadLanConfig();

}  // namespace sim
