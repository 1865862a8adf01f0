#pragma once

// One exchange with the module over a VISA session: a command written, its reply read whole
// and bounded, and the reply's forms the module uses taken apart. Apart from the exported
// functions, which only check their arguments and choose the command.
#include <string>

#include "instrument/VisaTypes.h"
#include "sim/driver/DriverSessions.h"

namespace aqk3310 {

// A text into a caller's 256-byte buffer: cut to 255 characters and terminated, or, when the
// scenario asks the driver to misbehave, all 256 bytes filled and no terminator.
void PutText(const std::string& text, ViChar* out, bool unterminated);
// Writes the command with its terminator.
ViStatus Send(ViSession vi, const std::string& command);
// Writes the command and reads the whole reply, without its line ending.
ViStatus Query(ViSession vi, const std::string& command, std::string* reply);
// A decimal number within low..high and nothing else.
bool ParseInteger(const std::string& text, long low, long high, long* value);
// "<code>,"<text>"" with doubled quotes inside the text.
bool ParseCodeAndText(const std::string& reply, long low, long high, long* code, std::string* text);
// A query whose reply is <code>,"<text>": the code within low..high, the text into the
// caller's buffer.
ViStatus QueryCodeAndText(ViSession vi, const DriverSession& session, const char* command, long low,
                          long high, long* code, ViChar* message);

}  // namespace aqk3310
