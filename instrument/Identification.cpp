#include "instrument/Identification.h"

#include <cctype>
#include <cstring>

#include "resources/StringTable.h"

namespace {

constexpr std::string::size_type kLastCutPosition = 99;

}  // namespace

bool MatchesModuleIdentity(const char* reply, std::size_t length) {
    const std::string& identity = LoadString(IDS_INSTRUMENT_ID);
    return reply != nullptr && length >= identity.size() &&
           std::memcmp(reply, identity.data(), identity.size()) == 0;
}

bool IsModuleVxiIdentity(ViUInt16 manufacturer, ViUInt16 modelCode) {
    return manufacturer == 0xFFF && modelCode == 0x154;
}

int SlotFromAttribute(ViUInt16 bits) {
    return bits == static_cast<ViUInt16>(VI_UNKNOWN_SLOT) ? -1 : static_cast<int>(bits);
}

std::string RecordedResourceName(const std::string& name) {
    std::string upper(name);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const std::string::size_type cut = upper.find("::INSTR");
    if (cut != std::string::npos && cut >= 1 && cut <= kLastCutPosition) {
        upper.erase(cut);
    }
    return upper;
}

std::optional<std::size_t> ChooseWithoutDialog(const std::vector<std::string>& names,
                                               bool noIdentify) {
    if (noIdentify) {
        return std::nullopt;
    }
    if (names.size() == 1) {
        return 0;
    }
    std::optional<std::size_t> vxi;
    int count = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].find("VXI") != std::string::npos) {
            vxi = i;
            ++count;
        }
    }
    return count == 1 ? vxi : std::nullopt;
}
