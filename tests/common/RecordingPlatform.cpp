#include "common/RecordingPlatform.h"

#include <algorithm>

CRecordingPlatform::CRecordingPlatform() : m_pPrevious(SetPlatform(this)) {}

CRecordingPlatform::~CRecordingPlatform() {
    SetPlatform(m_pPrevious);
}

void CRecordingPlatform::MessageBox(const std::string& text) {
    events.push_back("box:" + text);
    if (onBox) {
        onBox(text);
    }
}

void CRecordingPlatform::BeginWaitCursor() {
    ++waitDepth;
    events.push_back("wait+");
}

void CRecordingPlatform::EndWaitCursor() {
    --waitDepth;
    events.push_back("wait-");
}

void CRecordingPlatform::SetTimer(unsigned id, unsigned periodMs) {
    timerRunning = true;
    events.push_back("timer+" + std::to_string(id) + ":" + std::to_string(periodMs));
}

void CRecordingPlatform::KillTimer(unsigned id) {
    timerRunning = false;
    events.push_back("timer-" + std::to_string(id));
}

std::vector<std::string> CRecordingPlatform::Boxes() const {
    std::vector<std::string> boxes;
    for (const auto& e : events) {
        if (e.rfind("box:", 0) == 0) {
            boxes.push_back(e.substr(4));
        }
    }
    return boxes;
}

int CRecordingPlatform::Count(const std::string& event) const {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
}

bool CRecordingPlatform::SelectInstrument(const std::vector<std::string>& names,
                                          std::string& selection) {
    std::string event = "select:";
    for (size_t i = 0; i < names.size(); ++i) {
        event += (i > 0 ? "|" : "") + names[i];
    }
    events.push_back(event);
    return onSelect ? onSelect(names, selection) : false;
}
