#include "monitor/LampsWidget.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace {

constexpr int kLabelWidth = 52;  // "Port 0"
constexpr int kCell = 26;        // one lamp and its label
constexpr int kLamp = 14;
constexpr int kMargin = 6;

const QColor kLit(40, 220, 60);
const QColor kDark(30, 60, 35);
const QColor kRise(255, 200, 0);
const QColor kFall(80, 160, 255);
const QColor kPulse(255, 60, 60);

}  // namespace

CLampsWidget::CLampsWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("lamps"));
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CLampsWidget::SetStates(const CLampStates& states) {
    m_states = states;
    update();
    // A tip that is open follows the lamp it describes, as a reading that changes under it.
    if (m_tipChannel >= 0 && QToolTip::isVisible()) {
        const QString text = ToolTipText(m_tipChannel);
        if (QToolTip::text() != text) {
            QToolTip::showText(m_tipAt, text, this, LampRect(m_tipChannel));
        }
    }
}

QSize CLampsWidget::sizeHint() const {
    return QSize(kMargin * 2 + kLabelWidth + 16 * kCell, kMargin * 2 + 4 * (kCell + 12));
}

QRect CLampsWidget::LampRect(int channel) const {
    const int column = 15 - ChannelBit(channel);
    const int row = ChannelPort(channel);
    const int x = kMargin + kLabelWidth + column * kCell + (kCell - kLamp) / 2;
    const int y = kMargin + row * (kCell + 12) + 12;
    return QRect(x, y, kLamp, kLamp);
}

int CLampsWidget::ChannelAt(const QPoint& point) const {
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (LampRect(channel).adjusted(-3, -3, 3, 3).contains(point)) {
            return channel;
        }
    }
    return -1;
}

QString CLampsWidget::ToolTipText(int channel) const {
    QString text = QStringLiteral("Channel %1 (port %2, bit %3)")
                       .arg(channel)
                       .arg(ChannelPort(channel))
                       .arg(ChannelBit(channel));
    if (!m_states.HasSample()) {
        return text + QStringLiteral("\nNo sample yet");
    }
    text += m_states.Level(channel) != 0 ? QStringLiteral("\nLevel: high")
                                         : QStringLiteral("\nLevel: low");
    std::int64_t edgeUs = 0;
    if (m_states.LastEdge(channel, &edgeUs)) {
        text +=
            QStringLiteral("\nLast edge: %1 s").arg(static_cast<double>(edgeUs) / 1e6, 0, 'f', 3);
    } else {
        text += QStringLiteral("\nNo edge yet");
    }
    return text;
}

bool CLampsWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int channel = ChannelAt(help->pos());
        m_tipChannel = channel;
        m_tipAt = help->globalPos();
        if (channel >= 0) {
            QToolTip::showText(help->globalPos(), ToolTipText(channel), this, LampRect(channel));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void CLampsWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    for (int port = 0; port < kPortCount; ++port) {
        const QRect first = LampRect(port * 16 + 15);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setFont(font());
        painter.drawText(QRect(kMargin, first.top() - 2, kLabelWidth, kLamp + 4),
                         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Port %1").arg(port));
    }
    painter.setFont(small);
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const QRect lamp = LampRect(channel);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(lamp.center().x() - kCell / 2, lamp.top() - 12, kCell, 11),
                         Qt::AlignCenter, QString::number(channel));
        const bool lit = m_states.HasSample() && m_states.Level(channel) != 0;
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(lit ? kLit : kDark);
        painter.drawEllipse(lamp);
        switch (m_states.MarkOf(channel)) {
            case CLampStates::Mark::Rise:
            case CLampStates::Mark::Fall: {
                const bool rise = m_states.MarkOf(channel) == CLampStates::Mark::Rise;
                const QPointF c = QRectF(lamp).center();
                QPainterPath arrow;
                const double s = kLamp * 0.3;
                arrow.moveTo(c.x(), rise ? c.y() - s : c.y() + s);
                arrow.lineTo(c.x() - s, rise ? c.y() + s * 0.6 : c.y() - s * 0.6);
                arrow.lineTo(c.x() + s, rise ? c.y() + s * 0.6 : c.y() - s * 0.6);
                arrow.closeSubpath();
                painter.setPen(Qt::NoPen);
                painter.setBrush(rise ? kRise : kFall);
                painter.drawPath(arrow);
                break;
            }
            case CLampStates::Mark::Pulse:
                painter.setPen(QPen(kPulse, 2.5));
                painter.setBrush(Qt::NoBrush);
                painter.drawEllipse(QRectF(lamp).adjusted(-2.5, -2.5, 2.5, 2.5));
                break;
            case CLampStates::Mark::None:
                break;
        }
    }
}
