#include "instrument/Instrument.h"

#include <cstddef>

const char* CInstrument::ErrorQuery(int* errorCode) {
    if (errorCode != nullptr) {
        *errorCode = 0;
    }
    m_strMessage.clear();
    return m_strMessage.c_str();
}

const char* CInstrument::ErrorMessage(ViStatus /*status*/) {
    return nullptr;
}

const char* CInstrument::SelfTest(int* result) {
    m_strMessage = "Self Test Passed";
    if (result != nullptr) {
        *result = 0;
    }
    return m_strMessage.c_str();
}

ViUInt16 CInstrument::MeasDigPort(int /*port*/) {
    return 0xFFFF;
}
ViUInt16 CInstrument::SensPosPortTran(int /*port*/) {
    return 0xFFFF;
}
ViUInt16 CInstrument::SensNegPortTran(int /*port*/) {
    return 0xFFFF;
}

ViUInt16 CInstrument::TakeEdges(EdgeReader reader, int port, Direction direction) {
    std::lock_guard<std::recursive_mutex> lock(m_guard);
    const ViUInt16 read = direction == kPositive ? SensPosPortTran(port) : SensNegPortTran(port);
    if (port < 0 || port >= static_cast<int>(m_pendingEdges[0][direction].size())) {
        return read;  // the driver refused it or answered for no port we keep
    }
    const auto taker = static_cast<std::size_t>(reader);
    ViUInt16 taken = read;
    for (std::size_t each = 0; each < m_pendingEdges.size(); ++each) {
        ViUInt16& pending = m_pendingEdges[each][direction][static_cast<std::size_t>(port)];
        if (each == taker) {
            taken = static_cast<ViUInt16>(taken | pending);
            pending = 0;
        } else {
            pending = static_cast<ViUInt16>(pending | read);
        }
    }
    return taken;
}

ViUInt16 CInstrument::TakePosEdges(EdgeReader reader, int port) {
    return TakeEdges(reader, port, kPositive);
}

ViUInt16 CInstrument::TakeNegEdges(EdgeReader reader, int port) {
    return TakeEdges(reader, port, kNegative);
}

void CInstrument::ClearPendingEdges() {
    std::lock_guard<std::recursive_mutex> lock(m_guard);
    m_pendingEdges = {};
}
