#pragma once

#include <cstdint>

#include "instrument/Instrument.h"
#include "recording/Sample.h"

// Reads one sample through the instrument interface the panel uses: for each port its value,
// then the edges of its positive and negative transition registers since this reader's previous
// sample (the instrument keeps those that another reader of the same program took). The
// instrument's guard is held for the whole sample. Returns VI_SUCCESS, or the status of the
// operation that failed. Never throws.
ViStatus ReadSample(CInstrument& instrument, std::int64_t timeUs, Sample* sample,
                    EdgeReader reader = EdgeReader::Recorder);

// As ReadSample, but gives up at once without touching the instrument when another thread
// holds the guard; then returns false. A caller that must stay responsive retries.
bool TryReadSample(CInstrument& instrument, std::int64_t timeUs, Sample* sample, ViStatus* status,
                   EdgeReader reader = EdgeReader::Recorder);
