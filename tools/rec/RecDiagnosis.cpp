#include "tools/rec/RecDiagnosis.h"

#include <cstdio>

#include "instrument/VisaApi.h"
#include "platform/native/DynamicLibrary.h"

std::string VisaStatusText(ViStatus status) {
    static const struct {
        ViStatus status;
        const char* name;
    } kNames[] = {
        {VI_ERROR_SYSTEM_ERROR, "VI_ERROR_SYSTEM_ERROR"},
        {VI_ERROR_INV_OBJECT, "VI_ERROR_INV_OBJECT"},
        {VI_ERROR_RSRC_LOCKED, "VI_ERROR_RSRC_LOCKED"},
        {VI_ERROR_RSRC_NFOUND, "VI_ERROR_RSRC_NFOUND"},
        {VI_ERROR_INV_RSRC_NAME, "VI_ERROR_INV_RSRC_NAME"},
        {VI_ERROR_TMO, "VI_ERROR_TMO"},
        {VI_ERROR_IO, "VI_ERROR_IO"},
        {VI_ERROR_ALLOC, "VI_ERROR_ALLOC"},
        {VI_ERROR_NSUP_OPER, "VI_ERROR_NSUP_OPER"},
        {VI_ERROR_RSRC_BUSY, "VI_ERROR_RSRC_BUSY"},
        {VI_ERROR_LIBRARY_NFOUND, "VI_ERROR_LIBRARY_NFOUND"},
        {VI_ERROR_CONN_LOST, "VI_ERROR_CONN_LOST"},
    };
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
    for (const auto& entry : kNames) {
        if (entry.status == status) {
            return std::string(entry.name) + " (" + hex + ")";
        }
    }
    return std::string("status ") + hex;
}

std::string WhyNoModule(const std::string& resource, const std::vector<std::string>& visaNames,
                        const std::vector<std::string>& panelMessages) {
    std::string names;
    for (const std::string& name : visaNames) {
        names += (names.empty() ? "" : ", ") + name;
    }
    const CDynamicLibrary library = CDynamicLibrary::LoadFirst(visaNames);
    CVisaApi visa;
    if (!library || !visa.Bind(library)) {
        return std::string(library ? "the VISA library found lacks VISA's functions"
                                   : "no VISA library found") +
               " (looked for " + names +
               " on the library path); to record from the bundled simulated module, run "
               "aq3310-rec-sim";
    }
    if (!CDynamicLibrary::Load(DriverLibraryName())) {
        return "no instrument driver library (" + DriverLibraryName() +
               ") found on the library path; to record from the bundled simulated module, run "
               "aq3310-rec-sim";
    }
    CViSession rm(visa.viClose);
    ViSession session = VI_NULL;
    const ViStatus rmStatus = visa.viOpenDefaultRM(&session);
    if (rmStatus < 0) {
        return "opening VISA's resource manager (" + library.Path() +
               ") failed: " + VisaStatusText(rmStatus);
    }
    rm.Adopt(session);
    if (!resource.empty()) {
        CViSession vi(visa.viClose);
        ViSession opened = VI_NULL;
        const ViStatus status = visa.viOpen(rm.Get(), resource.c_str(), 0, 2000, &opened);
        if (status < 0) {
            return "opening " + resource + " failed: " + VisaStatusText(status);
        }
        vi.Adopt(opened);
        return resource + " opens in VISA, but its instrument driver (" + DriverLibraryName() +
               ") could not start it";
    }
    // A search that found nothing, or found several: the procedure's own words say which.
    for (const std::string& message : panelMessages) {
        if (message.find("several modules") != std::string::npos) {
            return message;
        }
    }
    return "no AQ K3310 module answered a search through " + library.Path() +
           "; name one with -a RESOURCE";
}
