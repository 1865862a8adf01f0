#pragma once

// Moved to sim/module/Device.h; this forward stays only until the library's state (Bus*) includes
// the new path, and goes at the merge.
#include "sim/module/Device.h"
