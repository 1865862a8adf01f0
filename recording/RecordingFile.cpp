#include "recording/RecordingFile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "recording/Recording.h"
#include "recording/RecordingWriters.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Keeps the first error's errno, which later calls would overwrite.
class CFileSink final : public ITextSink {
public:
    explicit CFileSink(std::FILE* file) : m_file(file) {}
    bool Write(const char* data, std::size_t size) override {
        if (std::fwrite(data, 1, size, m_file) != size) {
            Fail();
            return false;
        }
        return true;
    }
    void Fail() {
        if (m_error == 0) {
            m_error = errno != 0 ? errno : EIO;
        }
    }
    int Error() const { return m_error; }

private:
    std::FILE* m_file;
    int m_error = 0;
};

}  // namespace

bool ParseRecordingFormat(const std::string& name, RecordingFormat* format) {
    const std::string lower = Lower(name);
    if (lower == "vcd") {
        *format = RecordingFormat::Vcd;
    } else if (lower == "csv") {
        *format = RecordingFormat::Csv;
    } else {
        return false;
    }
    return true;
}

RecordingFormat FormatOfFileName(const std::string& path) {
    const std::string lower = Lower(path);
    const bool csv = lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".csv") == 0;
    return csv ? RecordingFormat::Csv : RecordingFormat::Vcd;
}

std::string SaveRecording(const CRecording& recording, const std::string& path,
                          RecordingFormat format, const VcdOptions& vcd) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return "cannot write " + path + ": " + std::strerror(errno != 0 ? errno : EIO);
    }
    CFileSink sink(file);
    const bool written =
        format == RecordingFormat::Vcd ? WriteVcd(recording, vcd, sink) : WriteCsv(recording, sink);
    errno = 0;
    if (written && std::fflush(file) != 0) {
        sink.Fail();
    }
    errno = 0;
    if (std::fclose(file) != 0 && written) {
        sink.Fail();
    }
    if (sink.Error() == 0) {
        return std::string();
    }
    // Never a device or anything else that is not a plain file of ours.
    std::error_code ignored;
    if (std::filesystem::is_regular_file(path, ignored)) {
        std::filesystem::remove(path, ignored);
    }
    return "cannot write " + path + ": " + std::strerror(sink.Error());
}
