#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

// A signal a recording declares.
struct RecordingSignal {
    std::string name;   // its reference without a bit range: "ch3", "port0", "D5"
    std::string scope;  // the scopes it sits in, outermost first, joined by '.'
    int width = 1;      // bits
};

// A change of a signal the reader was asked to watch.
struct RecordingChange {
    long long timeNs = 0;
    std::size_t signal = 0;   // index into Signals()
    std::uint32_t value = 0;  // the low 32 bits; x and z read as 0
};

// A recording read as it plays: the header at Open, then one change at a time in time order.
class IRecordingReader {
public:
    virtual ~IRecordingReader() = default;
    virtual const std::vector<RecordingSignal>& Signals() const = 0;
    // Changes of this signal are reported by Next; the others are passed over.
    virtual void Watch(std::size_t signal) = 0;
    // The next change of a watched signal. False at the end of the file, or at a line that
    // is not well formed: Error() is then "<line>: <problem>" (empty at a clean end).
    virtual bool Next(RecordingChange* change) = 0;
    virtual const std::string& Error() const = 0;
    // The last time the file named, in nanoseconds: at the end, the length of the recording.
    virtual long long TimeNs() const = 0;
};

// Opens a recording and reads its header: a Value Change Dump (any writer, any timescale) or the
// CSV of aq3310-rec, told apart by their first word. Null and *error (a sentence) when the file
// cannot be read or is neither.
std::unique_ptr<IRecordingReader> OpenRecording(const std::string& path, std::string* error);

}  // namespace sim
