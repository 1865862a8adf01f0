#include "monitor/TraceNames.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "monitor/TimingDiagram.h"
#include "recording/Recording.h"

namespace {

const QColor kNames(36, 40, 46);
const QColor kSelected(70, 76, 90);

}  // namespace

CTraceNames::CTraceNames(CTimingDiagram& diagram) : QWidget(&diagram), m_diagram(diagram) {
    setObjectName(QStringLiteral("traceNames"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CTraceNames::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), kNames);
    const CRecording* recording = m_diagram.Recording();
    const bool cursor =
        m_diagram.Cursors().Has(CTimeCursors::A) && recording != nullptr && !recording->IsEmpty();
    const std::int64_t at = m_diagram.CursorUs();
    const int scrolled = m_diagram.VerticalScrollBar()->value();
    for (const TraceRow& row : m_diagram.Rows()) {
        const QRect area(0, row.top - scrolled, width(), row.height);
        if (area.bottom() < 0 || area.top() > height()) {
            continue;
        }
        QString label;
        if (row.channel < 0) {
            label = QStringLiteral("P%1").arg(row.port);
            if (cursor) {
                label += QStringLiteral(" 0x%1").arg(
                    CTracePainter::PortValueAt(*recording, row.port, at), 4, 16, QLatin1Char('0'));
            }
        } else {
            if (row.channel == m_diagram.SelectedChannel()) {
                painter.fillRect(area, kSelected);
            }
            label = QStringLiteral("ch%1").arg(row.channel);
            if (cursor) {
                label += QStringLiteral(" %1").arg(recording->Track(row.channel).LevelAt(at));
            }
        }
        painter.setPen(Qt::white);
        painter.drawText(area.adjusted(4, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, label);
    }
}

void CTraceNames::mousePressEvent(QMouseEvent* event) {
    const int y = event->position().toPoint().y() + m_diagram.VerticalScrollBar()->value();
    for (const TraceRow& row : m_diagram.Rows()) {
        if (row.channel >= 0 && y >= row.top && y < row.top + row.height) {
            m_diagram.SelectChannel(row.channel);
        }
    }
}

void CTraceNames::wheelEvent(QWheelEvent* event) {
    QScrollBar* scroll = m_diagram.VerticalScrollBar();
    scroll->setValue(scroll->value() - event->angleDelta().y() / 120 * 3 * scroll->singleStep());
    event->accept();
}
