#pragma once

#include <QString>
#include <string>
#include <vector>

#include "instrument/VisaTypes.h"

class CRecording;
class QWidget;

// What a failed status means, for the status line: "the link to the module was lost
// (VI_ERROR_CONN_LOST)", or the status in hex.
QString DescribeStatus(ViStatus status);

// Writes a recording as the monitor saves it (the format follows the extension; a VCD without
// port vectors, so that every reader takes it, dated now). Empty on success, else the reason.
QString WriteRecordingFile(const CRecording& recording, const QString& path,
                           const std::vector<std::string>& comments = {});

// Asks for the name of a VCD or CSV file to save.
QString AskForFile(QWidget* parent, const QString& title, const QString& name);

// Asks, as an editor does about an unsaved file, what becomes of an unsaved recording.
enum class UnsavedChoice { Save, Discard, Cancel };
UnsavedChoice AskAboutUnsaved(QWidget* parent, const QString& text);
