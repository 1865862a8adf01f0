#include "recording/SampleReader.h"

#include <mutex>

#include "instrument/Instrument.h"

namespace {

// The guard is held by the caller.
ViStatus ReadLocked(CInstrument& instrument, EdgeReader reader, std::int64_t timeUs,
                    Sample* sample) {
    Sample read;
    read.timeUs = timeUs;
    try {
        for (int port = 0; port < kPortCount; ++port) {
            read.value[port] = instrument.MeasDigPort(port);
            read.positive[port] = instrument.TakePosEdges(reader, port);
            read.negative[port] = instrument.TakeNegEdges(reader, port);
        }
    } catch (const CUserException&) {
        const ViStatus status = instrument.GetLastStatus();
        return status < 0 ? status : VI_ERROR_SYSTEM_ERROR;
    }
    *sample = read;
    return VI_SUCCESS;
}

}  // namespace

ViStatus ReadSample(CInstrument& instrument, std::int64_t timeUs, Sample* sample,
                    EdgeReader reader) {
    std::lock_guard<std::recursive_mutex> lock(instrument.Guard());
    return ReadLocked(instrument, reader, timeUs, sample);
}

bool TryReadSample(CInstrument& instrument, std::int64_t timeUs, Sample* sample, ViStatus* status,
                   EdgeReader reader) {
    std::unique_lock<std::recursive_mutex> lock(instrument.Guard(), std::try_to_lock);
    if (!lock.owns_lock()) {
        return false;
    }
    *status = ReadLocked(instrument, reader, timeUs, sample);
    return true;
}
