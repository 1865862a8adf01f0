// The shared state's few operations: the session table's look-ups and numbering.
#include "sim/library/LibraryState.h"

namespace sim {

Session* CLibraryState::Find(ViObject vi) {
    auto it = sessions.find(vi);
    return it != sessions.end() ? &it->second : nullptr;
}

Session* CLibraryState::Find(ViObject vi, Session::Kind kind) {
    Session* session = Find(vi);
    return session != nullptr && session->kind == kind ? session : nullptr;
}

ViSession CLibraryState::NewSession(Session session) {
    // A number still in use is never handed out again, even after the counter wraps.
    while (nextSession == VI_NULL || sessions.count(nextSession) != 0) {
        ++nextSession;
    }
    const ViSession vi = nextSession++;
    sessions.emplace(vi, std::move(session));
    return vi;
}

long long CLibraryState::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace sim
