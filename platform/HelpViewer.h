#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class QTextBrowser;

// The help viewer: opens a help file at its contents page in a help window on behalf of an
// owner window. The classic help file name is looked up in its native form here (an HTML page
// of the same base name) by the viewer's own search rules: beside the executable, then the
// installed data folders. When it cannot find the file it says so in a window of its own.
class CHelpViewer {
public:
    // The folders searched, in order.
    static QStringList SearchPath();
    // The full path of the native help page for helpFile ("name.hlp" -> "name.html"), or empty.
    static QString Locate(const QString& helpFile);
    // Shows the contents page; returns the help window (owned by owner), or null when the file
    // was not found (after telling the user).
    static QTextBrowser* ShowContents(QWidget* owner, const QString& helpFile);
};
