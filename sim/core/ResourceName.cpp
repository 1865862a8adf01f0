#include "sim/core/ResourceName.h"

#include <cctype>
#include <vector>

#include "instrument/VisaTypes.h"

namespace sim {

namespace {

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::string::size_type begin = 0;
    for (;;) {
        const std::string::size_type at = text.find("::", begin);
        parts.push_back(text.substr(begin, at == std::string::npos ? at : at - begin));
        if (at == std::string::npos) {
            return parts;
        }
        begin = at + 2;
    }
}

// A decimal number from low to high, with no sign and at most five digits.
bool Number(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    int result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        result = result * 10 + (c - '0');
    }
    if (result < low || result > high) {
        return false;
    }
    *value = result;
    return true;
}

// extra: one more character the field may hold.
bool HostName(const std::string& text, char extra = '.') {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        // No ':' (so no IPv6 literal): a field must never merge with the "::" around it.
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_' &&
            c != extra) {
            return false;
        }
    }
    return true;
}

// VXI and GPIB-VXI: [LA][::INSTR], MEMACC, [LA::]BACKPLANE, SERVANT (VXI only).
bool Vxi(const std::vector<std::string>& parts, const std::string& prefix, ResourceName* name) {
    const std::size_t n = parts.size();
    const std::string last = UpperCase(parts.back());
    int la = 0;
    if (n == 2 && (last == "MEMACC" || (last == "SERVANT" && prefix == "VXI"))) {
        name->resourceClass = last;
        name->canonical = prefix + std::to_string(name->board) + "::" + last;
        return true;
    }
    if (last == "BACKPLANE" && n <= 3) {
        if (n == 3 && !Number(parts[1], 0, 255, &la)) {
            return false;
        }
        name->resourceClass = last;
        name->address = la;
        name->canonical =
            prefix + std::to_string(name->board) + "::" + std::to_string(la) + "::BACKPLANE";
        return true;
    }
    if (n < 2 || n > 3 || (n == 3 && last != "INSTR") || !Number(parts[1], 0, 255, &la)) {
        return false;
    }
    name->resourceClass = "INSTR";
    name->address = la;
    name->canonical = prefix + std::to_string(name->board) + "::" + std::to_string(la) + "::INSTR";
    return true;
}

bool Gpib(const std::vector<std::string>& parts, ResourceName* name) {
    const std::size_t n = parts.size();
    const std::string last = UpperCase(parts.back());
    const std::string board = "GPIB" + std::to_string(name->board);
    if (n == 2 && (last == "INTFC" || last == "SERVANT")) {
        name->resourceClass = last;
        name->canonical = board + "::" + last;
        return true;
    }
    const std::size_t addresses = last == "INSTR" ? n - 2 : n - 1;
    if (addresses < 1 || addresses > 2 || !Number(parts[1], 0, 30, &name->address)) {
        return false;
    }
    name->canonical = board + "::" + std::to_string(name->address);
    if (addresses == 2) {
        if (!Number(parts[2], 0, 30, &name->secondary)) {
            return false;
        }
        name->canonical += "::" + std::to_string(name->secondary);
    }
    name->resourceClass = "INSTR";
    name->canonical += "::INSTR";
    return true;
}

bool Tcpip(const std::vector<std::string>& parts, ResourceName* name) {
    const std::size_t n = parts.size();
    const std::string last = UpperCase(parts.back());
    const std::string board = "TCPIP" + std::to_string(name->board);
    if (n >= 2 && !HostName(parts[1])) {
        return false;
    }
    int port = 0;
    if (n == 4 && last == "SOCKET" && Number(parts[2], 0, 65535, &port)) {
        name->resourceClass = "SOCKET";
        name->canonical = board + "::" + parts[1] + "::" + std::to_string(port) + "::SOCKET";
        return true;
    }
    const std::size_t fields = last == "INSTR" ? n - 2 : n - 1;
    if (fields < 1 || fields > 2) {
        return false;
    }
    // A VXI-11 device name may hold a comma: "gpib0,9", "vxi0,24".
    const std::string device = fields == 2 ? parts[2] : "inst0";
    if (!HostName(device, ',')) {
        return false;
    }
    name->resourceClass = "INSTR";
    name->canonical = board + "::" + parts[1] + "::" + device + "::INSTR";
    return true;
}

bool Usb(const std::vector<std::string>& parts, ResourceName* name) {
    const std::size_t n = parts.size();
    const std::string last = UpperCase(parts.back());
    const bool hasClass = last == "INSTR" || last == "RAW";
    const std::size_t fields = hasClass ? n - 1 : n;
    if (fields < 4 || fields > 5) {
        return false;
    }
    for (std::size_t i = 1; i < fields; ++i) {
        if (!HostName(parts[i])) {
            return false;
        }
    }
    name->resourceClass = hasClass ? last : "INSTR";
    name->canonical = "USB" + std::to_string(name->board);
    for (std::size_t i = 1; i < fields; ++i) {
        name->canonical += "::" + parts[i];
    }
    name->canonical += "::" + name->resourceClass;
    return true;
}

bool ParseParts(const std::string& text, ResourceName* name) {
    *name = ResourceName();
    const std::vector<std::string> parts = Split(text);
    const std::string head = UpperCase(parts.front());
    static const std::pair<const char*, std::uint16_t> kPrefixes[] = {
        {"GPIB-VXI", VI_INTF_GPIB_VXI}, {"GPIB", VI_INTF_GPIB},   {"VXI", VI_INTF_VXI},
        {"ASRL", VI_INTF_ASRL},         {"TCPIP", VI_INTF_TCPIP}, {"USB", VI_INTF_USB}};
    for (const auto& [prefix, type] : kPrefixes) {
        const std::string p = prefix;
        if (head.compare(0, p.size(), p) != 0) {
            continue;
        }
        int board = 0;
        const std::string digits = head.substr(p.size());
        if (!digits.empty() && !Number(digits, 0, 65535, &board)) {
            return false;
        }
        name->interfaceType = type;
        name->board = static_cast<std::uint16_t>(board);
        switch (type) {
            case VI_INTF_VXI:
            case VI_INTF_GPIB_VXI:
                return Vxi(parts, p, name);
            case VI_INTF_GPIB:
                return Gpib(parts, name);
            case VI_INTF_TCPIP:
                return Tcpip(parts, name);
            case VI_INTF_USB:
                return Usb(parts, name);
            default:  // ASRL
                if (parts.size() > 2 || (parts.size() == 2 && UpperCase(parts[1]) != "INSTR")) {
                    return false;
                }
                name->resourceClass = "INSTR";
                name->canonical = "ASRL" + std::to_string(board) + "::INSTR";
                return true;
        }
    }
    return false;
}

}  // namespace

// The expanded name must be a valid name too: no longer than any other.
bool ParseResourceName(const std::string& text, ResourceName* name) {
    return !text.empty() && text.size() <= kMaxResourceNameLength && ParseParts(text, name) &&
           name->canonical.size() <= kMaxResourceNameLength;
}

std::string UpperCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace sim
