#pragma once

// The VISA functions the driver calls, from the substitute VISA library it is linked to.
#include "instrument/VisaTypes.h"
#include "sim/visa/SimExport.h"

extern "C" {
ViStatus SFP_VI_CALL viOpenDefaultRM(ViSession* rm);
ViStatus SFP_VI_CALL viOpen(ViSession rm, const ViChar* name, ViAccessMode mode,
                            ViUInt32 openTimeout, ViSession* vi);
ViStatus SFP_VI_CALL viClose(ViObject vi);
ViStatus SFP_VI_CALL viGetAttribute(ViObject vi, ViAttr attribute, void* value);
ViStatus SFP_VI_CALL viSetAttribute(ViObject vi, ViAttr attribute, ViAttrState value);
ViStatus SFP_VI_CALL viWrite(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written);
ViStatus SFP_VI_CALL viRead(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read);
ViStatus SFP_VI_CALL viStatusDesc(ViObject vi, ViStatus status, ViChar* text);
}
