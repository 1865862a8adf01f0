#pragma once

#include <string>

#include "instrument/VisaTypes.h"

class CInstrument;

// A module whose error queue never reports empty would otherwise keep the user clicking
// forever: this many entries get a box each, the rest are read and only counted, and the
// read-out stops after kMaxErrorQueueMessages entries in all.
constexpr int kMaxErrorBoxes = 10;
constexpr int kMaxErrorQueueMessages = 100;

// Shows the user what a failed status means: the module's queued errors one by one with a
// beep each, the time-out message, or the driver's text for the status. The main frame's tick
// is stopped while the messages are open and restarted on every path.
void ReportInstrumentStatus(ViStatus status, CInstrument& instrument);

// The closing box after kMaxErrorBoxes: how many entries were not shown, and whether the
// queue was still not empty when the read-out stopped.
std::string ComposeErrorsNotShown(int count, bool stillQueued);

// "Instrument reports error: %s" with the whole text in place of "%s".
std::string ComposeInstrumentError(const std::string& text);
