#pragma once
// VISA's resource manager: the scenario in force (read again at every viOpenDefaultRM), the
// search for resources and its find lists, and the parsing of resource names.

#include "sim/library/LibraryState.h"

namespace sim {

class CResourceManager {
public:
    explicit CResourceManager(CLibraryState& state) : m_state(state) {}
    ViStatus OpenDefaultRM(ViSession* rm);
    ViStatus FindRsrc(ViSession rm, const ViChar* expression, ViFindList* findList, ViUInt32* count,
                      ViChar* name);
    ViStatus FindNext(ViFindList findList, ViChar* name);
    ViStatus ParseRsrc(ViSession rm, const ViChar* name, ViUInt16* type, ViUInt16* number,
                       ViChar* resourceClass, ViChar* unaliased, ViChar* alias);
    ViStatus StatusDesc(ViStatus status, ViChar* text);

    // The resource of generation that name names, or the status that says why none does.
    static ViStatus FindResource(const Generation& generation, const std::string& name,
                                 std::size_t* index);
    // Copies a text into a caller's 256-byte buffer, cut to fit, always terminated.
    static void CopyOut(const std::string& text, ViChar* out);

private:
    void LoadScenarioIfNeeded();
    static std::shared_ptr<Generation> Load(const std::string& key, const ParseResult& parsed);

    CLibraryState& m_state;
};

}  // namespace sim
