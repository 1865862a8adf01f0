#include "common/ModalCloser.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

CModalCloser::CModalCloser(std::function<void(QWidget*)> action) : m_action(std::move(action)) {
    m_timer.setInterval(0);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start();
}

void CModalCloser::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) {
        return;
    }
    titles << modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        texts << box->text();
    }
    if (m_action) {
        m_action(modal);
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->accept();
    } else {
        modal->close();
    }
}
