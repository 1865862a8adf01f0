#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class QWidget;

// Closes modal dialogs opened by the code under test, without sleeping: each modal that appears
// while the closer lives is recorded (window title and, for message boxes, text) and answered by
// the given action (default: accept). The test main also runs a watchdog that rejects any modal
// left open for seconds, so a broken test fails instead of hanging.
class CModalCloser {
public:
    explicit CModalCloser(std::function<void(QWidget*)> action = nullptr);

    QStringList texts;
    QStringList titles;

private:
    void Poll();
    std::function<void(QWidget*)> m_action;
    QTimer m_timer;
};
