#pragma once

#include "instrument/VisaTypes.h"

// Statuses of the substitute K3310 driver beyond VISA's and the common driver statuses.
constexpr ViStatus AQK3310_ERROR_PARAMETER4 = ViStatusFromBits(0xBFFC0004);
// The session was not opened by aqk3310_init, or was closed.
constexpr ViStatus AQK3310_ERROR_INV_SESSION = ViStatusFromBits(0xBFFC0801);
