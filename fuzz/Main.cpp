// libFuzzer entry: the target is chosen at build time.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SFP_FUZZ_TARGET(data, size);
    return 0;
}
