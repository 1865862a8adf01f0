#include "sim/driver/DriverSessions.h"

#include <map>

namespace aqk3310 {

namespace {

std::mutex g_mutex;
std::map<ViSession, DriverSession> g_sessions;

}  // namespace

bool FindSession(ViSession vi, DriverSession* session) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_sessions.find(vi);
    if (it == g_sessions.end()) {
        return false;
    }
    *session = it->second;
    return true;
}

void AddSession(ViSession vi, const DriverSession& session) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_sessions[vi] = session;
}

bool TakeSession(ViSession vi, DriverSession* session) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_sessions.find(vi);
    if (it == g_sessions.end()) {
        return false;
    }
    *session = it->second;
    g_sessions.erase(it);
    return true;
}

}  // namespace aqk3310
