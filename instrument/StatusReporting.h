#pragma once

#include <string>
#include <vector>

#include "instrument/VisaTypes.h"

class CInstrument;

// A module whose error queue never reports empty would otherwise keep the user clicking
// forever: this many entries get a box each, one more box lists every further entry read, and
// the read-out stops after kMaxErrorQueueMessages entries in all.
constexpr int kMaxErrorBoxes = 10;
constexpr int kMaxErrorQueueMessages = 100;

// An entry of the module's error queue as the error query gave it.
struct QueuedError {
    int code = 0;
    std::string text;
};

// Shows the user what a failed status means: the module's queued errors one by one with a
// beep each, the time-out message, or the driver's text for the status. The main frame's tick
// is stopped while the messages are open and restarted on every path.
void ReportInstrumentStatus(ViStatus status, CInstrument& instrument);

// The closing box after kMaxErrorBoxes: every further entry read, one a line with its code,
// and, when the read-out stopped at kMaxErrorQueueMessages, that the queue still was not empty.
std::string ComposeFurtherErrors(const std::vector<QueuedError>& entries, bool stillQueued);

// "Instrument reports error: %s" with the whole text in place of "%s".
std::string ComposeInstrumentError(const std::string& text);
