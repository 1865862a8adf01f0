#pragma once

#include <string>

#include "recording/RecordingWriters.h"

class CRecording;

enum class RecordingFormat { Vcd, Csv };

// "vcd" or "csv" (any case) into format; false for anything else.
bool ParseRecordingFormat(const std::string& name, RecordingFormat* format);
// The format a file name asks for by its extension: ".csv" is CSV, anything else VCD.
RecordingFormat FormatOfFileName(const std::string& path);

// Writes the recording to a file, whole. Returns an empty text on success, otherwise what went
// wrong ("cannot write FILE: No space left on device"); a file that could not be completed is
// removed. The recording itself is untouched either way, so the caller can try again.
std::string SaveRecording(const CRecording& recording, const std::string& path,
                          RecordingFormat format, const VcdOptions& vcd);
