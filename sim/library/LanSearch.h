#pragma once
// The network side of a resource search: the LAN instruments of the configuration file that
// match an expression and answer.

#include <string>
#include <vector>

namespace sim {

// Asks each configured instrument that matches expression; the ones that answer, in order.
std::vector<std::string> FindLan(const std::string& expression);

// "TCPIP0::host::device::INSTR" -> host, device.
void SplitTcpipName(const std::string& canonical, std::string* host, std::string* device);

}  // namespace sim
