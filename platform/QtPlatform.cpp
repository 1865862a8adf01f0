#include "platform/QtPlatform.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>

#include "platform/SelectInstrumentDlg.h"
#include "resources/StringTable.h"

namespace {

// A busy cursor over a box that waits for the user would say the opposite of the truth: lift
// it while a modal runs, and put it back afterwards.
class CWaitCursorLift {
public:
    explicit CWaitCursorLift(int depth) : m_depth(depth) {
        for (int i = 0; i < m_depth; ++i) {
            QApplication::restoreOverrideCursor();
        }
    }
    ~CWaitCursorLift() {
        for (int i = 0; i < m_depth; ++i) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
    }
    CWaitCursorLift(const CWaitCursorLift&) = delete;
    CWaitCursorLift& operator=(const CWaitCursorLift&) = delete;

private:
    int m_depth;
};

// A text of more lines than this (a long list of queued errors) scrolls inside the box, so that
// the box and its button stay on the screen.
constexpr int kMaxBoxLines = 20;

void ScrollLongText(QMessageBox& box) {
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (label == nullptr || label->text().count(QLatin1Char('\n')) < kMaxBoxLines ||
        box.layout() == nullptr) {
        return;
    }
    auto* scroll = new QScrollArea(&box);
    scroll->setObjectName(QStringLiteral("messageScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    delete box.layout()->replaceWidget(label, scroll);
    label->setWordWrap(false);
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    const int lineHeight = label->fontMetrics().lineSpacing();
    scroll->setFixedHeight(kMaxBoxLines * lineHeight);
    scroll->setMinimumWidth(label->sizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width());
}

}  // namespace

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
    ScrollLongText(box);
    CWaitCursorLift lift(m_waitDepth);
    box.exec();
}

void CQtPlatform::MessageBeep() {
    QApplication::beep();
}

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

bool CQtPlatform::SelectInstrument(const std::vector<std::string>& names, std::string& selection) {
    // The main window is still hidden while the connection runs; it parents the dialog anyway.
    QWidget* parent = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String("mainFrame")) {
            parent = top;
        }
    }
    CSelectInstrumentDlg dialog(parent, names);
    bool ok = false;
    {
        CWaitCursorLift lift(m_waitDepth);
        ok = dialog.exec() == QDialog::Accepted;
    }
    if (ok) {
        selection = dialog.Selection();
    }
    return ok;
}
