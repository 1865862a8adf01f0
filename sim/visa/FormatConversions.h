#pragma once
// The conversions of formatted I/O, apart from the engine that owns a session's buffers:
// output (printf's directives to bytes) and input (bytes of a message to scanf's arguments).

#include <cstdarg>
#include <string>
#include <vector>

#include "sim/visa/FormatReader.h"
#include "sim/visa/FormattedIo.h"

namespace sim {

// Appends what the directives make of the arguments to *out; nothing is sent.
ViStatus FormatDirectives(const std::vector<Directive>& directives, va_list& list,
                          std::string* out);

// Matches the directives against the reader's message, storing into the arguments. Input that
// does not fit ends the scan with VI_SUCCESS, as with C's scanf.
ViStatus ScanDirectives(CReader& reader, const std::vector<Directive>& directives, va_list& list);

}  // namespace sim
