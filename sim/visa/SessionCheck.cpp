// The session check of the exports that reach no further into the library's state: asks the
// library what viGetAttribute asks, so that it knows no more about sessions than a caller.
#include "sim/visa/SessionCheck.h"

#include "sim/library/Library.h"

namespace sim {

ViStatus CheckInstrument(ViSession vi) {
    CLibrary& library = CLibrary::Instance();
    if (library.Sessions().IsInstrument(vi)) {
        return VI_SUCCESS;
    }
    // Every open session has this attribute; only one that is not open is refused for itself.
    ViVersion version = 0;
    return library.Attributes().Get(vi, VI_ATTR_RSRC_SPEC_VERSION, &version) == VI_ERROR_INV_OBJECT
               ? VI_ERROR_INV_OBJECT
               : VI_ERROR_NSUP_OPER;
}

}  // namespace sim
