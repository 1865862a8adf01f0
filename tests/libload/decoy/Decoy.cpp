// A library that must never be loaded: it marks the process as soon as it is.
#include <cstdlib>

namespace {

__attribute__((constructor)) void MarkLoaded() {
#if defined(_WIN32)
    ::_putenv_s("SFP_DECOY_LOADED", "1");
#else
    ::setenv("SFP_DECOY_LOADED", "1", 1);
#endif
}

}  // namespace

#if defined(_WIN32)
extern "C" __attribute__((dllexport)) int sfpDecoy() {
    return 1;
}
#else
extern "C" __attribute__((visibility("default"))) int sfpDecoy() {
    return 1;
}
#endif
