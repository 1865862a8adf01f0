#pragma once

#include <csignal>
#include <string>
#include <vector>

#include "recording/RecordingWriters.h"
#include "tools/rec/RecOptions.h"

class CInstrument;
class CRecOutput;

// Samples each instrument (names: their resources, for messages) on a thread of its own and writes
// the samples, merged in time order, to output as they come, flushed every half second: a kill
// loses at most that much. With a trigger the file begins --pre seconds before it. Ends at the
// duration, when *stop is set, or when a reading or the output fails; returns the program's exit
// status.
int RunRecording(const RecOptions& options, const VcdOptions& file,
                 const std::vector<std::string>& names,
                 const std::vector<CInstrument*>& instruments,
                 const std::vector<std::vector<std::string>>& visaNames, CRecOutput& output,
                 volatile std::sig_atomic_t* stop, bool progress);
