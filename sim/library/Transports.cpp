// The registry of transports: a new one is its own file and one line here.
#include "sim/library/Transport.h"

namespace sim {

OpenResult OpenSimulated(OpenRequest& request);
OpenResult OpenVxi11(OpenRequest& request);

const TransportKind* Transports(std::size_t* count) {
    static const TransportKind kTransports[] = {
        {"simulated", &OpenSimulated},
        {"vxi11", &OpenVxi11},
    };
    *count = sizeof(kTransports) / sizeof(kTransports[0]);
    return kTransports;
}

}  // namespace sim
