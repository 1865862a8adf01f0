#pragma once
// A byte port for the formatted I/O engine's tests: records what is written and hands out
// scripted reads.

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

#include "sim/visa/FormattedIo.h"

// Records what is written; hands out scripted reads, splitting a chunk when the reader asks
// for fewer bytes. With nothing scripted a read times out, as an idle device would.
class CFakePort : public sim::IFormattedPort {
public:
    struct Chunk {
        std::string bytes;
        bool end;
        ViStatus status;
    };

    ViStatus Write(const ViByte* data, std::size_t count, bool end) override {
        written.append(reinterpret_cast<const char*>(data), count);
        lastEnd = end;
        ++writes;
        return writeStatus;
    }
    ViStatus Read(ViByte* data, std::size_t count, std::size_t* got, bool* end) override {
        ++reads;
        if (script.empty()) {
            *got = 0;
            *end = false;
            return VI_ERROR_TMO;
        }
        Chunk& chunk = script.front();
        const ViStatus status = chunk.status;
        *got = std::min(count, chunk.bytes.size());
        std::memcpy(data, chunk.bytes.data(), *got);
        chunk.bytes.erase(0, *got);
        *end = chunk.bytes.empty() && chunk.end;
        if (chunk.bytes.empty()) {
            script.pop_front();
        }
        return status;
    }

    void Message(const std::string& bytes) { script.push_back({bytes, true, VI_SUCCESS}); }

    std::string written;
    bool lastEnd = false;
    int writes = 0;
    int reads = 0;
    ViStatus writeStatus = VI_SUCCESS;
    std::deque<Chunk> script;
};
