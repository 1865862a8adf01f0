#include "instrument/EmulatedInstrument.h"

#include "platform/native/Platform.h"

void CEmulatedInstrument::Reset() {
    GetPlatform().MessageBox("This is my NON LIVE RESET");
}
