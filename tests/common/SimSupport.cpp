#include "common/SimSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "common/TestPlatform.h"

namespace {

int g_nextFile = 0;

std::filesystem::path ScenarioFolder() {
    return std::filesystem::temp_directory_path() /
           ("sfp-scenarios-" + std::to_string(ProcessId()));
}

}  // namespace

CScenarioFile::CScenarioFile(const std::string& yaml) {
    const std::filesystem::path folder = ScenarioFolder();
    std::filesystem::create_directories(folder);
    m_path = (folder / ("scenario-" + std::to_string(g_nextFile++) + ".yaml")).string();
    std::ofstream(m_path, std::ios::binary) << yaml;
    const char* previous = std::getenv(sim::kScenarioVariable);
    m_hadPrevious = previous != nullptr;
    m_previous = m_hadPrevious ? previous : "";
    SetEnvironment(sim::kScenarioVariable, m_path);
}

CScenarioFile::~CScenarioFile() {
    if (m_hadPrevious) {
        SetEnvironment(sim::kScenarioVariable, m_previous);
    } else {
        UnsetEnvironment(sim::kScenarioVariable);
    }
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
    std::filesystem::remove(ScenarioFolder(), ignored);  // only once it is empty
}

CSimHooks::CSimHooks() : m_library(CDynamicLibrary::Load(SimLibrary("visa"))) {
    m_trace = LookupFunction<SimTraceFn>(m_library, "simTrace");
    m_count = LookupFunction<SimOpenSessionCountFn>(m_library, "simOpenSessionCount");
}

std::string CSimHooks::Trace() const {
    const ViUInt32 length = m_trace(nullptr, 0);
    std::vector<ViChar> text(length + 1);
    m_trace(text.data(), length + 1);
    return std::string(text.data(), length);
}
