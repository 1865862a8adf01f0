#pragma once

#include <cstddef>
#include <string>

class CRecording;

// Where a writer's text goes. False from Write means the text could not be kept; the writer
// stops and reports it.
class ITextSink {
public:
    virtual ~ITextSink() = default;
    virtual bool Write(const char* data, std::size_t size) = 0;
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

struct VcdOptions {
    std::string date;     // goes into $date when not empty
    bool vectors = true;  // the 16-bit vector of each port beside its wires
};

// Value Change Dump with a 1 us timescale: a scope per port holding its 16 one-bit wires
// ch<port*16+bit> and a 16-bit vector port<p>, the first sample's values under $dumpvars, then
// changes only. A pulse caught between samples is written as the opposite level at its sample
// and the old level again one tick later. Some readers (libsigrok 0.5) stop at the first
// vector value of more than one bit: without vectors they read the whole file.
bool WriteVcd(const CRecording& recording, const VcdOptions& options, ITextSink& sink);

// One row per stored sample (and the last sample): the time in seconds, then for each port its
// value and its positive and negative transition registers, in decimal.
bool WriteCsv(const CRecording& recording, ITextSink& sink);
