#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "instrument/Identification.h"

namespace {

void Require(bool property) {
    if (!property) {
        std::abort();
    }
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start <= text.size()) {
        const std::string::size_type end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

// The input is taken as a GPIB reply, as a resource name, and as a list of accepted names.
void FuzzIdentification(const std::uint8_t* data, std::size_t size) {
    const char* reply = reinterpret_cast<const char*>(data);
    // Exactly the bytes given, so that a read past them is caught; only the first 21 decide.
    const bool matches = MatchesModuleIdentity(reply, size);
    const std::size_t idLength = std::strlen("ZENTRAX-MOLBURY,K3310");
    Require(matches == (size >= idLength && MatchesModuleIdentity(reply, idLength)));
    Require(!matches || std::memcmp(reply, "ZENTRAX-MOLBURY,K3310", idLength) == 0);
    Require(!MatchesModuleIdentity(nullptr, size));

    const std::string text(reply, size);
    const std::string recorded = RecordedResourceName(text);
    // Upper case, a prefix of the name, and cut at most once.
    Require(recorded.size() <= text.size());
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        Require(recorded[i] ==
                static_cast<char>(std::toupper(static_cast<unsigned char>(text[i]))));
    }
    Require(RecordedResourceName(recorded) == recorded);
    Require(recorded.size() == text.size() || recorded.size() <= 99);

    const std::vector<std::string> names = Lines(text);
    const auto chosen = ChooseWithoutDialog(names, false);
    Require(!chosen || *chosen < names.size());
    Require(!chosen || names.size() == 1 || names[*chosen].find("VXI") != std::string::npos);
    Require(names.size() != 1 || chosen == std::size_t{0});
    Require(!ChooseWithoutDialog(names, true));

    if (size >= 2) {
        const auto bits = static_cast<ViUInt16>(data[0] | (data[1] << 8));
        const int slot = SlotFromAttribute(bits);
        Require(slot >= -1 && slot <= 0xFFFE && (slot == -1) == (bits == 0xFFFF));
        Require(IsModuleVxiIdentity(bits, 0x154) == (bits == 0xFFF));
    }
}
