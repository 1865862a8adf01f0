#include "sim/replay/RecordingReader.h"

#include "sim/replay/CsvReader.h"
#include "sim/replay/VcdReader.h"

namespace sim {

std::unique_ptr<IRecordingReader> OpenRecording(const std::string& path, std::string* error) {
    CTokenReader peek;
    std::string_view first;
    if (!peek.Open(path, error)) {
        return nullptr;
    }
    if (!peek.Next(&first)) {
        *error = peek.Error().empty() ? "the recording is empty" : peek.Error();
        return nullptr;
    }
    const bool vcd = first[0] == '$';
    const bool csv = first.rfind("time_s,", 0) == 0;
    if (!vcd && !csv) {
        *error = "is neither a VCD file nor aq3310-rec's CSV";
        return nullptr;
    }
    CTokenReader tokens;
    if (!tokens.Open(path, error)) {
        return nullptr;
    }
    if (vcd) {
        auto reader = std::make_unique<CVcdReader>();
        return reader->Start(std::move(tokens), error) ? std::move(reader) : nullptr;
    }
    auto reader = std::make_unique<CCsvReader>();
    return reader->Start(std::move(tokens), error) ? std::move(reader) : nullptr;
}

}  // namespace sim
