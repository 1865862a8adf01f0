#pragma once

// For the test and benchmark programs, which run without a display: the offscreen platform
// unless another was asked for, and a private runtime folder when the session has none (Qt
// warns without one).
void PrepareHeadlessEnvironment();
