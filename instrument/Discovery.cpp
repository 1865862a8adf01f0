#include "instrument/Discovery.h"

#include <algorithm>
#include <cstring>

#include "instrument/Identification.h"

namespace {

constexpr ViUInt32 kReplySize = 100;

bool IdentifiesOverGpib(const CVisaApi& visa, ViSession vi) {
    static const char kQuery[] = "*IDN?";
    ViUInt32 written = 0;
    // Exactly the five bytes, with no line feed.
    if (visa.viWrite(vi, reinterpret_cast<const ViByte*>(kQuery), 5, &written) < 0) {
        return false;
    }
    ViByte reply[kReplySize] = {};
    ViUInt32 received = 0;
    if (visa.viRead(vi, reply, kReplySize, &received) < 0) {
        return false;
    }
    return MatchesModuleIdentity(reinterpret_cast<const char*>(reply),
                                 std::min(received, kReplySize));
}

bool IdentifiesOverVxi(const CVisaApi& visa, ViSession vi) {
    ViUInt16 manufacturer = 0;
    ViUInt16 model = 0;
    return GetAttribute16(visa, vi, VI_ATTR_MANF_ID, &manufacturer) == VI_SUCCESS &&
           GetAttribute16(visa, vi, VI_ATTR_MODEL_CODE, &model) == VI_SUCCESS &&
           IsModuleVxiIdentity(manufacturer, model);
}

}  // namespace

bool ExamineResource(const CVisaApi& visa, ViSession rm, const std::string& name, bool acceptAny) {
    CViSession session(visa.viClose);
    ViSession vi = VI_NULL;
    const ViStatus opened = visa.viOpen(rm, name.c_str(), 0, 0, &vi);
    if (opened >= 0) {
        session.Adopt(vi);  // a warning still leaves a session to close
    }
    if (opened != VI_SUCCESS) {
        return false;
    }
    ViUInt16 type = 0;
    if (GetAttribute16(visa, vi, VI_ATTR_INTF_TYPE, &type) != VI_SUCCESS) {
        return false;
    }
    if (acceptAny) {
        return true;
    }
    switch (type) {
        case VI_INTF_GPIB:
            return IdentifiesOverGpib(visa, vi);
        case VI_INTF_VXI:
        case VI_INTF_GPIB_VXI:
            return IdentifiesOverVxi(visa, vi);
        default:
            return false;
    }
}

ViStatus FindModules(const CVisaApi& visa, ViSession rm, bool acceptAny,
                     std::vector<std::string>* accepted) {
    ViChar name[VI_FIND_BUFLEN] = {};
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    const ViStatus status = visa.viFindRsrc(rm, "?*INSTR", &list, &count, name);
    if (status < 0) {
        return status;
    }
    CViSession listOwner(visa.viClose, list);
    for (ViUInt32 i = 0; i < count; ++i) {
        if (i > 0 && visa.viFindNext(list, name) < 0) {
            break;
        }
        const std::string current(name, ::strnlen(name, VI_FIND_BUFLEN));
        if (ExamineResource(visa, rm, current, acceptAny)) {
            accepted->push_back(current);
        }
    }
    return status;
}

int ReadSlot(const CVisaApi& visa, ViSession rm, const std::string& name) {
    CViSession session(visa.viClose);
    ViSession vi = VI_NULL;
    if (visa.viOpen(rm, name.c_str(), 0, 0, &vi) < 0) {
        return -1;
    }
    session.Adopt(vi);
    ViUInt16 bits = 0;
    if (GetAttribute16(visa, vi, VI_ATTR_SLOT, &bits) < 0) {
        return -1;
    }
    return SlotFromAttribute(bits);
}
