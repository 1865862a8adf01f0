#include "instrument/VisaApi.h"

#include <cstring>

#include "platform/native/DynamicLibrary.h"

bool CVisaApi::Bind(const ISymbolSource& library) {
    CVisaApi bound;
    bound.viOpenDefaultRM = LookupFunction<ViOpenDefaultRMFn>(library, "viOpenDefaultRM");
    bound.viFindRsrc = LookupFunction<ViFindRsrcFn>(library, "viFindRsrc");
    bound.viFindNext = LookupFunction<ViFindNextFn>(library, "viFindNext");
    bound.viOpen = LookupFunction<ViOpenFn>(library, "viOpen");
    bound.viGetAttribute = LookupFunction<ViGetAttributeFn>(library, "viGetAttribute");
    bound.viWrite = LookupFunction<ViWriteFn>(library, "viWrite");
    bound.viRead = LookupFunction<ViReadFn>(library, "viRead");
    bound.viClose = LookupFunction<ViCloseFn>(library, "viClose");
    if (bound.viOpenDefaultRM == nullptr || bound.viFindRsrc == nullptr ||
        bound.viFindNext == nullptr || bound.viOpen == nullptr || bound.viGetAttribute == nullptr ||
        bound.viWrite == nullptr || bound.viRead == nullptr || bound.viClose == nullptr) {
        return false;
    }
    *this = bound;
    return true;
}

ViStatus GetAttribute16(const CVisaApi& visa, ViSession vi, ViAttr attribute, ViUInt16* value) {
    alignas(8) unsigned char room[sizeof(ViAttrState)] = {};
    const ViStatus status = visa.viGetAttribute(vi, attribute, room);
    std::memcpy(value, room, sizeof(*value));
    return status;
}
