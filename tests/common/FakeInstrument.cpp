#include "common/FakeInstrument.h"

CFakeInstrument::~CFakeInstrument() {
    if (destroyedCounter != nullptr) {
        ++*destroyedCounter;
    }
}

void CFakeInstrument::FailNext(const std::string& op, ViStatus status, const std::string& text) {
    m_failures[op] = {status, text};
}

bool CFakeInstrument::TakeFailure(const std::string& op) {
    auto it = m_failures.find(op);
    if (it == m_failures.end()) {
        return false;
    }
    m_status = it->second.first;
    if (m_status == STATUS_INSTRUMENT_ERROR) {
        m_strLastError = it->second.second;
    }
    m_failures.erase(it);
    return true;
}

ViUInt16 CFakeInstrument::Read(const std::string& op, int port) {
    calls.push_back(op + ":" + std::to_string(port));
    if (TakeFailure(op)) {
        throw CUserException();
    }
    auto it = m_values.find(op);
    return it != m_values.end() ? it->second : 0;
}

void CFakeInstrument::Reset() {
    calls.push_back("reset");
    if (TakeFailure("reset")) {
        throw CUserException();
    }
}

const char* CFakeInstrument::SelfTest(int* result) {
    calls.push_back("selftest");
    if (TakeFailure("selftest")) {
        throw CUserException();
    }
    *result = selfTestResult;
    m_strMessage = selfTestText;
    return m_strMessage.c_str();
}

const char* CFakeInstrument::ErrorQuery(int* errorCode) {
    calls.push_back("errorquery");
    if (queueQueryFails) {
        return nullptr;
    }
    if (queueNeverEmpty) {
        *errorCode = -350;
        m_strLastError = "Queue overflow";
    } else if (queue.empty()) {
        *errorCode = 0;
        m_strLastError = "No error";
    } else {
        *errorCode = queue.front().first;
        m_strLastError = queue.front().second;
        queue.pop_front();
    }
    m_strMessage = m_strLastError;
    return m_strMessage.c_str();
}

const char* CFakeInstrument::ErrorMessage(ViStatus status) {
    calls.push_back("errormessage");
    auto it = messages.find(status);
    if (it == messages.end()) {
        return nullptr;
    }
    m_strMessage = it->second;
    return m_strMessage.c_str();
}
