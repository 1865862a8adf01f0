#pragma once
// The formatted I/O read buffer and the reader that hands its bytes out, shared by the input
// conversions (viScanf) and the buffer's own reads (viBufRead).

#include "sim/visa/FormattedIo.h"

namespace sim {

// Hands out the bytes of the current message one by one, reading more through the port only
// when the buffer is used up and the message has not ended.
class CReader {
public:
    CReader(IFormattedPort& port, ReadBuffer& buffer) : m_port(port), m_buffer(buffer) {}

    // *c: the next byte, or -1 when the message has ended.
    ViStatus Peek(int* c);
    void Advance() { ++m_buffer.position; }
    ViStatus SkipSpace();

private:
    ViStatus Fill();

    IFormattedPort& m_port;
    ReadBuffer& m_buffer;
};

}  // namespace sim
