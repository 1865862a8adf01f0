#include "instrument/Connection.h"

#include "instrument/Discovery.h"
#include "instrument/DriverApi.h"
#include "instrument/DriverInstrument.h"
#include "instrument/EmulatedInstrument.h"
#include "instrument/Identification.h"
#include "instrument/VisaApi.h"
#include "platform/native/Platform.h"
#include "resources/StringTable.h"

CDynamicLibrary g_hDriverLib;

namespace {

// VISA stays loaded once it has been loaded, as the driver library does.
CDynamicLibrary g_hVisaLib;

}  // namespace

bool CConnectionState::ConnectInstrument() {
    m_strResourceName = "Emulated";
    if (m_pInstrument != nullptr) {
        return false;
    }
    GetPlatform().BeginWaitCursor();

    g_hVisaLib = CDynamicLibrary::LoadFirst(m_visaLibraryNames);
    if (!g_hVisaLib) {
        FallBack(IDS_NO_VISA_DLL);
        return true;
    }
    g_hDriverLib = CDynamicLibrary::Load(m_strDriverLibraryName);
    if (!g_hDriverLib) {
        FallBack(IDS_NO_DRIVER_DLL);
        return true;
    }
    // A VISA library without all eight entry points is as good as none.
    CVisaApi visa;
    if (!visa.Bind(g_hVisaLib)) {
        FallBack(IDS_NO_VISA_DLL);
        return true;
    }
    // Nothing uses the resource manager after the procedure, so it is closed on the way out.
    CViSession rm(visa.viClose);
    ViSession rmSession = VI_NULL;
    const ViStatus rmStatus = visa.viOpenDefaultRM(&rmSession);
    if (rmStatus < 0) {
        FallBack(IDS_DEFAULT_RM_FAILED);
        return true;
    }
    rm.Adopt(rmSession);

    const bool noIdentify = m_options.noIdentify;
    if (m_options.directOpen) {
        RecordAndOpen(visa, rm.Get(), m_options.directOpenName);
        return true;
    }
    std::vector<std::string> accepted;
    if (FindModules(visa, rm.Get(), noIdentify, &accepted) < 0 || accepted.empty()) {
        FallBack(IDS_INSTRUMENT_NOT_FOUND);
        return true;
    }
    std::string chosen;
    if (const auto index = ChooseWithoutDialog(accepted, noIdentify)) {
        chosen = accepted[*index];
    } else if (!GetPlatform().SelectInstrument(accepted, chosen)) {
        FallBack(IDS_SELECT_CANCELLED);
        return true;
    }
    RecordAndOpen(visa, rm.Get(), chosen);
    return true;
}

void CConnectionState::RecordAndOpen(const CVisaApi& visa, ViSession rm, const std::string& name) {
    m_nSlot = ReadSlot(visa, rm, name);
    m_strResourceName = RecordedResourceName(name);
    OpenLiveInstrument(name, g_hDriverLib);
}

void CConnectionState::OpenLiveInstrument(const std::string& name, CDynamicLibrary& library) {
    const auto init = LookupFunction<Aqk3310InitFn>(library, "aqk3310_init");
    const auto timeOut = LookupFunction<Aqk3310TimeOutFn>(library, "aqk3310_timeOut");
    // A driver that cannot open a session is a bad driver, like one that lacks an operation.
    if (init == nullptr || timeOut == nullptr) {
        FallBack(IDS_BAD_DRIVER_DLL);
        return;
    }
    const ViBoolean reset = m_options.resetOnOpen ? 1 : 0;
    ViSession session = VI_NULL;
    if (init(name.c_str(), 0, reset, &session) < 0) {
        FallBack(IDS_INIT_FAILED);
        return;
    }
    m_crStatus = kColorGreen;
    static_cast<void>(timeOut(session, kDriverTimeoutMs));
    try {
        auto instrument = std::make_unique<CDriverInstrument>(session, library);
        instrument->SetResourceName(name);
        m_pInstrument = std::move(instrument);
    } catch (const CUserException&) {
        FallBack(IDS_BAD_DRIVER_DLL);
        return;
    }
    GetPlatform().EndWaitCursor();
}

void CConnectionState::FallBack(unsigned messageId) {
    GetPlatform().MessageBox(LoadString(messageId));
    CreateEmulatedInstrument();
}

void CConnectionState::CreateEmulatedInstrument() {
    m_crStatus = kColorDarkGrey;
    m_pInstrument = std::make_unique<CEmulatedInstrument>();
    GetPlatform().EndWaitCursor();
}
