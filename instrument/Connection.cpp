#include "instrument/Connection.h"

#include "instrument/EmulatedInstrument.h"
#include "platform/native/Platform.h"

bool CConnectionState::ConnectInstrument() {
    m_strResourceName = "Emulated";
    if (m_pInstrument != nullptr) {
        return false;
    }
    GetPlatform().BeginWaitCursor();
    // No VISA search yet: every run is a non live panel.
    CreateEmulatedInstrument();
    return true;
}

void CConnectionState::CreateEmulatedInstrument() {
    m_crStatus = kColorDarkGrey;
    m_pInstrument = std::make_unique<CEmulatedInstrument>();
    GetPlatform().EndWaitCursor();
}
