#include "instrument/Instrument.h"

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
