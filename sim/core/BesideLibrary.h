#pragma once
// Linux only: the parts of the substitute VISA library that it loads when first needed.

#include <string>

#include "instrument/VisaTypes.h"

namespace sim {

// A library from the folder this code was itself loaded from, by absolute path: never through
// the search path, which could hand the program someone else's file. It stays mapped after its
// owner goes (RTLD_NODELETE): at exit, objects and threads made by it may still be ending.
class CBesideLibrary {
public:
    explicit CBesideLibrary(const char* fileName);
    ~CBesideLibrary();
    CBesideLibrary(const CBesideLibrary&) = delete;
    CBesideLibrary& operator=(const CBesideLibrary&) = delete;

    // Null when the library or the export is not there.
    void* Lookup(const char* name) const;
    // What the library's entry point, `const Table* entry(ViUInt32 version)`, hands out for
    // version: null when the library, the export or that version is not there.
    template <typename Table>
    const Table* EntryTable(const char* entryName, ViUInt32 version) const {
        using Entry = const Table* (*)(ViUInt32);
        const auto entry = reinterpret_cast<Entry>(Lookup(entryName));
        return entry != nullptr ? entry(version) : nullptr;
    }
    // Why the library could not be loaded; empty when it was.
    const std::string& Error() const { return m_error; }

private:
    void* m_handle = nullptr;
    std::string m_error;
};

}  // namespace sim
