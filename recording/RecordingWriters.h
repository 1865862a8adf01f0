#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

class CRecording;

// Where a writer's text goes. False from Write means the text could not be kept; the writer
// stops and reports it.
class ITextSink {
public:
    virtual ~ITextSink() = default;
    virtual bool Write(const char* data, std::size_t size) = 0;
    // Hands what was written on towards the disk (or the reader of a pipe).
    virtual bool Flush() { return true; }
};

class CStringSink final : public ITextSink {
public:
    bool Write(const char* data, std::size_t size) override {
        m_text.append(data, size);
        return true;
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

// What goes into a recording file besides the samples. The CSV writer reads channels, modules
// and comments too.
struct VcdOptions {
    VcdOptions(std::string dateText = std::string(), bool withVectors = true)
        : date(std::move(dateText)), vectors(withVectors) {}

    std::string date;           // goes into $date when not empty
    bool vectors = true;        // the 16-bit vector of each port beside its wires
    std::string writer;         // $version: program and version; empty for "aq3310-sfp VERSION"
    std::vector<int> channels;  // the inputs written, sorted; empty for all 64
    std::vector<std::string> modules;   // a scope per module; empty for one named k3310
    std::vector<std::string> comments;  // $comment lines in the header (the trigger)
};

// The program and version named in files whose options name no writer.
std::string DefaultWriterName();

// Value Change Dump with a 1 us timescale, time 0 at the first sample: a scope per port holding
// its 16 one-bit wires ch<port*16+bit> and a 16-bit vector port<p>, the first sample's values
// under $dumpvars, then changes only. A pulse caught between samples is written as the opposite
// level at its sample and the old level again one tick later. Some readers (libsigrok 0.5) stop
// at the first vector value of more than one bit: without vectors they read the whole file.
bool WriteVcd(const CRecording& recording, const VcdOptions& options, ITextSink& sink);

// One row per stored sample (and the last sample): the time in seconds from the first sample,
// then for each port its value and its positive and negative transition registers, in decimal.
bool WriteCsv(const CRecording& recording, ITextSink& sink);
