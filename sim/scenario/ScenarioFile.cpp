// The parts of scenario handling that need no YAML reader: in every build of the library.
#include <filesystem>
#include <fstream>

#include "sim/scenario/Scenario.h"

namespace sim {

const char* const kModuleIdn = "ZENTRAX-MOLBURY,K3310,0,1.0";

std::string EscapeControls(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

bool ReadScenarioFile(const std::string& path, std::string* text, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code code;
    // Looked at before it is opened: opening a FIFO would wait for a writer.
    const fs::file_status status = fs::status(path, code);
    if (code) {
        *error = path + ":0: cannot read the scenario file (" + code.message() + ")";
        return false;
    }
    if (fs::is_directory(status)) {
        *error = path + ":0: is a folder, not a scenario file";
        return false;
    }
    if (!fs::is_regular_file(status)) {
        *error = path + ":0: is not a regular file";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = path + ":0: cannot read the scenario file";
        return false;
    }
    // Read at most one byte past the limit: a file that grows meanwhile is still refused.
    text->assign(kMaxScenarioBytes + 1, '\0');
    file.read(text->data(), static_cast<std::streamsize>(text->size()));
    text->resize(static_cast<std::size_t>(file.gcount()));
    if (text->size() > kMaxScenarioBytes) {
        text->clear();
        text->shrink_to_fit();
        *error = path + ":0: a scenario file holds at most " + std::to_string(kMaxScenarioBytes) +
                 " bytes";
        return false;
    }
    text->shrink_to_fit();
    return true;
}

}  // namespace sim
