#pragma once

#include <string>

#include "platform/native/DynamicLibrary.h"
#include "sim/visa/SimHooks.h"

// Writes a scenario to a fresh file and names it in SFP_SIM_SCENARIO while the object lives;
// the variable's previous value comes back afterwards. Every file gets a new path, so the
// substitute VISA library loads it afresh at its next viOpenDefaultRM.
class CScenarioFile {
public:
    explicit CScenarioFile(const std::string& yaml);
    ~CScenarioFile();
    CScenarioFile(const CScenarioFile&) = delete;
    CScenarioFile& operator=(const CScenarioFile&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    bool m_hadPrevious = false;
    std::string m_previous;
};

// The substitute VISA library's test hooks, through the library loaded by name (the same copy
// the code under test loads).
class CSimHooks {
public:
    CSimHooks();
    bool IsLoaded() const { return m_trace != nullptr && m_count != nullptr; }
    // The calls the library saw since its scenario was loaded, one a line.
    std::string Trace() const;
    int OpenSessions() const { return m_count(); }

private:
    CDynamicLibrary m_library;
    SimTraceFn m_trace = nullptr;
    SimOpenSessionCountFn m_count = nullptr;
};
