#include <cstdlib>
#include <optional>

#include "FuzzTargets.h"
#include "sim/scenario/DefaultScenario.h"
#include "sim/scenario/Scenario.h"
#include "vxi11/Vxi11Server.h"

namespace {

void Require(bool property) {
    if (!property) {
        std::abort();
    }
}

std::uint32_t Word(const vxi11::Bytes& bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

}  // namespace

// The input is what one connection sends: records, each as one channel byte (odd: the abort
// channel), a two-byte length and the record. Every record is answered with a reply to its own
// call or costs the connection; the connection's end leaves no link behind. Nothing waits:
// time-outs are cut to zero and no interrupt channel is made.
void FuzzVxi11Request(const std::uint8_t* data, std::size_t size) {
    static const sim::Scenario scenario = sim::DefaultScenario();
    vxi11::CVxi11Server server(scenario);
    server.SetWaitLimits(0, -1);
    std::size_t at = 0;
    while (at + 3 <= size) {
        const auto channel = (data[at] & 1) != 0 ? vxi11::Channel::Abort : vxi11::Channel::Core;
        const std::size_t length = (std::size_t{data[at + 1]} << 8) | data[at + 2];
        at += 3;
        const vxi11::Bytes record(data + at, data + std::min(size, at + length));
        at += length;
        const std::optional<vxi11::Bytes> reply = server.HandleRecord(1, channel, record);
        if (!reply) {
            break;
        }
        Require(reply->size() >= 24 && reply->size() % 4 == 0 &&
                reply->size() <= vxi11::kMaxRecord);
        Require(record.size() >= 4 && Word(*reply) == Word(record));
    }
    server.ConnectionClosed(1);
    Require(server.LinkCount() == 0);
}
