#pragma once

#include <cstdint>
#include <string>

#include "recording/RecordingWriters.h"

// Where a recording goes: a file, a FIFO, a device, or standard output for "-". Checked before
// a module is looked for, without touching it; opened only once there is something to record,
// so that a run that finds no module leaves whatever the name held as it was. Nothing is ever
// removed: what was written stays, even when the disk fills.
class CRecOutput final : public ITextSink {
public:
    explicit CRecOutput(std::string path) : m_path(std::move(path)) {}
    ~CRecOutput() override;
    CRecOutput(const CRecOutput&) = delete;
    CRecOutput& operator=(const CRecOutput&) = delete;

    // Empty when the path can be written, else "cannot write PATH: why".
    std::string Check() const;
    // Empty when opened, else "cannot write PATH: why". A FIFO waits here for its reader.
    std::string Open();
    bool Write(const char* data, std::size_t size) override;
    // The text on to the disk; a stream needs nothing more.
    bool Flush() override;
    // Empty, or what stopped the writing ("cannot write PATH: No space left on device").
    std::string Failure() const;
    std::uint64_t Written() const { return m_written; }
    // How the user named it: the path, or "standard output".
    std::string Name() const { return m_path == "-" ? "standard output" : m_path; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_regular = false;
    int m_error = 0;
    std::uint64_t m_written = 0;
};
