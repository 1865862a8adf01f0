#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzTargets.h"
#include "sim/replay/RecordingReader.h"

namespace {

void Require(bool property) {
    if (!property) {
        std::abort();
    }
}

}  // namespace

// Any file gives a reader or a reason; a reader's changes come in time order, name declared
// signals, and end cleanly or with "<line>: <problem>".
void FuzzRecording(const std::uint8_t* data, std::size_t size) {
    // The readers take a file, as a replay does: one per process, written anew for each input.
    static const std::string path = "/tmp/sfp-fuzz-recording-" + std::to_string(::getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    Require(file != nullptr);
    Require(std::fwrite(data, 1, size, file) == size || size == 0);
    std::fclose(file);
    std::string error;
    const auto reader = sim::OpenRecording(path, &error);
    Require((reader != nullptr) == error.empty());
    if (reader) {
        const std::size_t signals = reader->Signals().size();
        for (std::size_t i = 0; i < signals; ++i) {
            reader->Watch(i);
        }
        sim::RecordingChange change;
        long long last = 0;
        while (reader->Next(&change)) {
            Require(change.timeNs >= last && change.signal < signals);
            last = change.timeNs;
        }
        const std::string& problem = reader->Error();
        Require(problem.empty() || (problem[0] >= '1' && problem[0] <= '9'));
    }
    std::remove(path.c_str());
}
