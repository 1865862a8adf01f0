// The formatted I/O read buffer's reader: fills the buffer one low-level read at a time.
#include "sim/visa/FormatReader.h"

#include "sim/visa/FormatChars.h"

namespace sim {

ViStatus CReader::Peek(int* c) {
    if (m_buffer.Empty()) {
        if (m_buffer.ended) {
            *c = -1;
            return VI_SUCCESS;
        }
        const ViStatus status = Fill();
        if (status < VI_SUCCESS) {
            return status;
        }
        if (m_buffer.bytes.empty()) {  // an empty message
            *c = -1;
            return VI_SUCCESS;
        }
    }
    *c = m_buffer.bytes[m_buffer.position];
    return VI_SUCCESS;
}

ViStatus CReader::SkipSpace() {
    for (;;) {
        int c = 0;
        const ViStatus status = Peek(&c);
        if (status < VI_SUCCESS || c < 0 || !IsSpace(c)) {
            return status;
        }
        Advance();
    }
}

ViStatus CReader::Fill() {
    const std::size_t size = m_buffer.size;
    m_buffer.bytes.resize(size);
    m_buffer.position = 0;
    std::size_t got = 0;
    bool end = false;
    const ViStatus status = m_port.Read(m_buffer.bytes.data(), size, &got, &end);
    if (status < VI_SUCCESS) {
        m_buffer.bytes.clear();
        return status;
    }
    m_buffer.bytes.resize(got < size ? got : size);
    m_buffer.ended = end;
    m_buffer.endStatus = status == VI_SUCCESS_TERM_CHAR ? status : VI_SUCCESS;
    // Neither data nor an end: the port broke its contract, and asking again could spin.
    return got == 0 && !end ? VI_ERROR_IO : VI_SUCCESS;
}

}  // namespace sim
