#pragma once

#include "instrument/Instrument.h"

// The "non live panel": fixed answers, never fails; only Reset says something.
class CEmulatedInstrument : public CInstrument {
public:
    void Reset() override;
};
