#pragma once

#include <string>
#include <utility>
#include <vector>

namespace sim {

// How a recording drives a module's inputs (the scenario's module: replay: key).
struct ReplayScenario {
    std::string file;  // the path to open: relative to the scenario's folder already resolved
    std::vector<std::pair<std::string, int>> channels;  // signal name -> input 0..63; empty:
                                                        // ch<N>, D<N> and port<P> by name
    double speed = 1.0;                                 // 10: ten times faster
    bool loop = false;    // at the end start again, or hold the last values
    double startS = 0.0;  // seconds into the file to begin at
    std::string scope;    // only the signals inside a scope of this name
};

bool operator==(const ReplayScenario& a, const ReplayScenario& b);

}  // namespace sim
