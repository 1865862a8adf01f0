// The scenario reader of the library on Linux: loaded from beside it when a file is first read.
#include <new>

#include "sim/core/BesideLibrary.h"
#include "sim/scenario/ScenarioReader.h"

namespace sim {

namespace {

// Null, and *error, when the reader cannot be used.
const SfpScenarioReader* LoadReader(const CBesideLibrary& library, std::string* error) {
    const auto* table = library.EntryTable<SfpScenarioReader>(kSfpScenarioReaderEntryName,
                                                              kSfpScenarioReaderVersion);
    if (table != nullptr && table->scenarioSize == sizeof(Scenario) &&
        table->resultSize == sizeof(ParseResult)) {
        return table;
    }
    *error = !library.Error().empty()
                 ? library.Error()
                 : std::string(kSfpScenarioReaderFile) + " is of another build";
    return nullptr;
}

}  // namespace

ParseResult ReadScenarioText(const std::string& text, const std::string& fileName) {
    static const CBesideLibrary library(kSfpScenarioReaderFile);
    static std::string loadError;
    static const SfpScenarioReader* const reader = LoadReader(library, &loadError);
    ParseResult result;
    if (reader == nullptr) {
        result.error = fileName + ":0: cannot read scenario files: " + loadError;
        return result;
    }
    reader->parse(text.data(), text.size(), fileName.c_str(), &result);
    return result;
}

}  // namespace sim
