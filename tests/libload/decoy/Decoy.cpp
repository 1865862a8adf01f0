// A library that must never be loaded: it marks the process as soon as it is.
#include <cstdlib>

namespace {

__attribute__((constructor)) void MarkLoaded() { ::setenv("SFP_DECOY_LOADED", "1", 1); }

}  // namespace

extern "C" __attribute__((visibility("default"))) int sfpDecoy() { return 1; }
