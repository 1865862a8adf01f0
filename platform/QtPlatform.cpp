#include "platform/QtPlatform.h"

#include <QApplication>
#include <QMessageBox>

#include "resources/StringTable.h"

CQtPlatform::CQtPlatform() {
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_onTick) {
            m_onTick();
        }
    });
}

CQtPlatform::~CQtPlatform() {
    while (m_waitDepth > 0) {
        EndWaitCursor();
    }
}

void CQtPlatform::MessageBox(const std::string& text) {
    // Owned by the active window when there is one, else by the (possibly hidden) main window.
    QWidget* parent = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(LoadString(AFX_IDS_APP_TITLE)),
                    QString::fromStdString(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    // A busy cursor over a box that waits for the user would say the opposite of the truth.
    const int depth = m_waitDepth;
    for (int i = 0; i < depth; ++i) {
        QApplication::restoreOverrideCursor();
    }
    box.exec();
    for (int i = 0; i < depth; ++i) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void CQtPlatform::MessageBeep() { QApplication::beep(); }

void CQtPlatform::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++m_waitDepth;
}

void CQtPlatform::EndWaitCursor() {
    if (m_waitDepth > 0) {
        QApplication::restoreOverrideCursor();
        --m_waitDepth;
    }
}

void CQtPlatform::SetTimer(unsigned id, unsigned periodMs) {
    if (id == kTickTimerId) {
        m_timer.start(static_cast<int>(periodMs));
    }
}

void CQtPlatform::KillTimer(unsigned id) {
    if (id == kTickTimerId) {
        m_timer.stop();
    }
}

bool CQtPlatform::SelectInstrument(const std::vector<std::string>& /*names*/,
                                   std::string& /*selection*/) {
    return false;  // The Select Instrument dialog is not built yet: treated as Cancel.
}
