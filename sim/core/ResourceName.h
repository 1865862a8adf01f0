#pragma once

#include <cstdint>
#include <string>

namespace sim {

// A VISA resource name taken apart: "VXI0::24::INSTR", "GPIB::9", "TCPIP0::host::5025::SOCKET".
struct ResourceName {
    std::uint16_t interfaceType = 0;  // VI_INTF_...
    std::uint16_t board = 0;
    std::string resourceClass;  // INSTR, BACKPLANE, MEMACC, INTFC, SERVANT, SOCKET, RAW
    std::string canonical;      // the unaliased, fully expanded name
    int address = -1;           // GPIB primary address or VXI logical address; -1: none
    int secondary = -1;         // GPIB secondary address
};

// Names longer than this are refused before they are looked at.
constexpr std::size_t kMaxResourceNameLength = 255;

// Parses a name case-insensitively; false when it is not a resource name VISA knows.
bool ParseResourceName(const std::string& text, ResourceName* name);

// The text in capitals: resource names match without regard to case, every part of them.
std::string UpperCase(std::string text);

}  // namespace sim
