#pragma once

// The driver's table of the sessions aqk3310_init opened, and the one way an operation runs on
// one of them. Apart from the exported functions so that the rule "one exchange at a time per
// session" is kept in one place.
#include <memory>
#include <mutex>

#include "instrument/VisaTypes.h"
#include "sim/driver/Aqk3310Status.h"
#include "sim/visa/SimExport.h"

namespace aqk3310 {

struct DriverSession {
    ViSession rm = VI_NULL;
    bool unterminatedText = false;
    // Held across a command and its reply, so that threads sharing the session never take
    // each other's replies.
    std::shared_ptr<std::mutex> exchange = std::make_shared<std::mutex>();
};

// Copies the session out; false when aqk3310_init did not open it or it is closed.
bool FindSession(ViSession vi, DriverSession* session);
void AddSession(ViSession vi, const DriverSession& session);
// Removes the session from the table and hands it out; false when there is none.
bool TakeSession(ViSession vi, DriverSession* session);

// Runs an operation on a session that aqk3310_init opened, as one exchange with the module:
// no other call on the session runs meanwhile. No exception leaves it.
template <typename Call>
ViStatus OnSession(ViSession vi, Call call) noexcept {
    return Guarded([&]() -> ViStatus {
        DriverSession session;
        if (!FindSession(vi, &session)) {
            return AQK3310_ERROR_INV_SESSION;
        }
        std::lock_guard<std::mutex> exchange(*session.exchange);
        return call(session);
    });
}

}  // namespace aqk3310
