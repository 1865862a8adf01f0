#include "monitor/TimingDiagram.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "recording/Recording.h"

namespace {

constexpr int kLabelWidth = 64;
constexpr int kRulerHeight = 18;
constexpr int kMinRow = 6;
// A view that shows less than this is widened: an empty or one-sample recording still shows
// some time.
constexpr double kMinSpanUs = 1e6;

const QColor kBackground(16, 20, 24);
const QColor kTrace(60, 230, 90);
const QColor kBusy(34, 130, 52);  // opaque: no blending per column
const QColor kPulse(255, 70, 70);
const QColor kCursor(255, 220, 0);
const QColor kGrid(60, 66, 72);

QString TimeText(std::int64_t us) {
    return QStringLiteral("%1 s").arg(static_cast<double>(us) / 1e6, 0, 'f', 6);
}

}  // namespace

CTimingDiagram::CTimingDiagram(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("timingDiagram"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 160);
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int channel = 0; channel < kChannelCount; ++channel) {
        m_channels.push_back(channel);
    }
}

void CTimingDiagram::SetRecording(const CRecording* recording) {
    m_recording = recording;
    ZoomToAll();
}

void CTimingDiagram::SetChannels(std::vector<int> channels) {
    m_channels = std::move(channels);
    update();
}

int CTimingDiagram::TraceAreaLeft() const {
    return kLabelWidth;
}

int CTimingDiagram::TraceWidth() const {
    return std::max(1, width() - kLabelWidth);
}

std::int64_t CTimingDiagram::VisibleEndUs() const {
    return m_startUs + static_cast<std::int64_t>(std::llround(m_usPerPixel * TraceWidth()));
}

std::int64_t CTimingDiagram::DataEndUs() const {
    if (m_recording == nullptr || m_recording->IsEmpty()) {
        return 0;
    }
    return std::max(m_recording->EndUs(), m_nowUs);
}

void CTimingDiagram::SetNowUs(std::int64_t nowUs) {
    m_nowUs = nowUs;
    RecordingChanged();
}

double CTimingDiagram::MaxUsPerPixel() const {
    double span = kMinSpanUs;
    if (m_recording != nullptr && !m_recording->IsEmpty()) {
        span = std::max(span, static_cast<double>(DataEndUs() - m_recording->StartUs()));
    }
    return span / TraceWidth();
}

void CTimingDiagram::Clamp() {
    m_usPerPixel =
        std::clamp(m_usPerPixel, kMinUsPerPixel, std::max(kMinUsPerPixel, MaxUsPerPixel()));
    if (m_recording == nullptr || m_recording->IsEmpty()) {
        m_startUs = 0;
        return;
    }
    const std::int64_t span = VisibleEndUs() - m_startUs;
    const std::int64_t first = m_recording->StartUs();
    const std::int64_t last = std::max(DataEndUs(), first + span);
    if (m_follow) {
        m_startUs = last - span;
    }
    m_startUs = std::clamp(m_startUs, first, last - span);
}

void CTimingDiagram::RecordingChanged() {
    Clamp();
    update();
}

void CTimingDiagram::ZoomAt(double factor, int x) {
    const int offset = std::clamp(x - kLabelWidth, 0, TraceWidth());
    const double anchor = static_cast<double>(m_startUs) + offset * m_usPerPixel;
    m_usPerPixel /= factor;
    Clamp();
    m_startUs = static_cast<std::int64_t>(std::llround(anchor - offset * m_usPerPixel));
    // Zooming in leaves the newest sample; zooming fully out follows again.
    m_follow = m_usPerPixel >= MaxUsPerPixel() * 0.999 || (m_follow && offset >= TraceWidth() - 1);
    Clamp();
    update();
}

void CTimingDiagram::PanByPixels(int dx) {
    m_startUs -= static_cast<std::int64_t>(std::llround(dx * m_usPerPixel));
    m_follow = false;
    Clamp();
    if (m_recording != nullptr && VisibleEndUs() >= DataEndUs() && dx < 0) {
        m_follow = true;  // dragged back to the newest
    }
    update();
}

void CTimingDiagram::ZoomToAll() {
    m_follow = true;
    m_usPerPixel = MaxUsPerPixel();
    Clamp();
    update();
}

void CTimingDiagram::SetCursorX(int x) {
    m_cursorX = x < kLabelWidth ? -1 : x;
    update();
}

std::int64_t CTimingDiagram::CursorUs() const {
    return m_startUs +
           static_cast<std::int64_t>(std::llround((m_cursorX - kLabelWidth) * m_usPerPixel));
}

QString CTimingDiagram::CursorText() const {
    if (m_cursorX < kLabelWidth || m_recording == nullptr || m_recording->IsEmpty()) {
        return QString();
    }
    const std::int64_t at = CursorUs();
    QString text = QStringLiteral("cursor %1").arg(TimeText(at));
    for (int port = 0; port < kPortCount; ++port) {
        unsigned value = 0;
        for (int bit = 0; bit < 16; ++bit) {
            value |= static_cast<unsigned>(m_recording->Track(port * 16 + bit).LevelAt(at)) << bit;
        }
        text += QStringLiteral("  P%1 0x%2").arg(port).arg(value, 4, 16, QLatin1Char('0'));
    }
    return text;
}

QRect CTimingDiagram::RowRect(int channel) const {
    const auto it = std::find(m_channels.begin(), m_channels.end(), channel);
    if (it == m_channels.end() || m_channels.empty()) {
        return QRect();
    }
    const int rows = static_cast<int>(m_channels.size());
    const int rowHeight = std::max(kMinRow, (height() - kRulerHeight) / rows);
    const int index = static_cast<int>(it - m_channels.begin());
    return QRect(kLabelWidth, kRulerHeight + index * rowHeight, TraceWidth(), rowHeight);
}

void CTimingDiagram::DrawTrace(QPainter& painter, const QRect& row, int channel) {
    const CChannelTrack& track = m_recording->Track(channel);
    const int columns = TraceWidth();
    // Columns after the last sample stay empty: nothing is known there yet.
    const int known = static_cast<int>(std::min<double>(
        columns, std::ceil(static_cast<double>(DataEndUs() - m_startUs) / m_usPerPixel)));
    const int firstKnown = static_cast<int>(std::max<double>(
        0, std::floor(static_cast<double>(m_recording->StartUs() - m_startUs) / m_usPerPixel)));
    if (known <= firstKnown) {
        return;
    }
    m_columns.resize(static_cast<std::size_t>(columns));
    track.Decimate(m_startUs, m_usPerPixel, known, m_columns.data());
    const int high = row.top() + 2;
    const int low = row.bottom() - 1;
    std::vector<QLine>& lines = m_lines;
    lines.clear();
    int runStart = firstKnown;
    int busyStart = -1;  // first column of a run of columns with several edges each
    int level = track.LevelAt(m_startUs + static_cast<std::int64_t>(firstKnown * m_usPerPixel));
    auto flush = [&](int end) {
        if (end > runStart) {
            const int y = level != 0 ? high : low;
            lines.emplace_back(row.left() + runStart, y, row.left() + end - 1, y);
        }
    };
    auto flushBusy = [&](int end) {
        if (busyStart >= 0) {
            painter.fillRect(QRect(row.left() + busyStart, high, end - busyStart, low - high + 1),
                             kBusy);
            busyStart = -1;
        }
    };
    for (int i = firstKnown; i < known; ++i) {
        const ColumnState& column = m_columns[static_cast<std::size_t>(i)];
        if (column.edges >= 2) {
            flush(i);
            if (busyStart < 0) {
                busyStart = i;
            }
        } else {
            flushBusy(i);
            if (column.edges == 0 && column.level == level) {
                continue;
            }
            flush(i);
            if (column.edges == 1) {
                lines.emplace_back(row.left() + i, high, row.left() + i, low);
            }
        }
        level = column.level;
        runStart = i + 1;
    }
    flushBusy(known);
    flush(known);
    painter.setPen(kTrace);
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
    // Pulses caught between samples: a red diamond at their sample, drawn over the trace.
    painter.setBrush(kPulse);
    painter.setPen(Qt::NoPen);
    const int mid = (high + low) / 2;
    const int r = std::max(2, std::min(4, (low - high) / 2));
    for (int i = firstKnown; i < known; ++i) {
        if (m_columns[static_cast<std::size_t>(i)].pulse) {
            const int x = row.left() + i;
            const QPoint diamond[4] = {{x, mid - r}, {x + r, mid}, {x, mid + r}, {x - r, mid}};
            painter.drawPolygon(diamond, 4);
        }
    }
}

void CTimingDiagram::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setPen(Qt::lightGray);
    const QRect ruler(kLabelWidth, 0, TraceWidth(), kRulerHeight);
    painter.drawText(ruler.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     TimeText(m_startUs));
    painter.drawText(ruler.adjusted(4, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter,
                     TimeText(VisibleEndUs()));
    const bool haveData = m_recording != nullptr && !m_recording->IsEmpty();
    const bool cursor = m_cursorX >= kLabelWidth && haveData;
    if (!m_channels.empty()) {
        // Labels as large as the rows allow: all 64 fit in a window of ordinary height.
        QFont small = font();
        small.setPixelSize(std::max(6, std::min(RowRect(m_channels.front()).height() - 1, 12)));
        painter.setFont(small);
    }
    for (int channel : m_channels) {
        const QRect row = RowRect(channel);
        if (row.top() >= height()) {
            break;
        }
        painter.setPen(kGrid);
        painter.drawLine(0, row.bottom(), width(), row.bottom());
        if (row.height() >= 7) {
            QString label = QStringLiteral("ch%1").arg(channel);
            if (cursor) {
                label += QStringLiteral(" %1").arg(m_recording->Track(channel).LevelAt(CursorUs()));
            }
            painter.setPen(Qt::lightGray);
            painter.drawText(QRect(2, row.top(), kLabelWidth - 4, row.height()),
                             Qt::AlignLeft | Qt::AlignVCenter, label);
        }
        if (haveData) {
            DrawTrace(painter, row, channel);
        }
    }
    if (cursor) {
        painter.setPen(kCursor);
        painter.drawLine(m_cursorX, kRulerHeight, m_cursorX, height());
        painter.setFont(font());
        painter.drawText(QRect(kLabelWidth, 0, TraceWidth(), kRulerHeight), Qt::AlignCenter,
                         CursorText());
    }
}

void CTimingDiagram::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) {
        ZoomAt(std::pow(1.5, steps), static_cast<int>(event->position().x()));
    }
    event->accept();
}

void CTimingDiagram::keyPressEvent(QKeyEvent* event) {
    const int centre = kLabelWidth + TraceWidth() / 2;
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomAt(2.0, centre);
            break;
        case Qt::Key_Minus:
            ZoomAt(0.5, centre);
            break;
        case Qt::Key_Left:
            PanByPixels(TraceWidth() / 8);
            break;
        case Qt::Key_Right:
            PanByPixels(-TraceWidth() / 8);
            break;
        case Qt::Key_Home:
            ZoomToAll();
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

void CTimingDiagram::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragX = static_cast<int>(event->position().x());
        m_dragged = false;
    }
}

void CTimingDiagram::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragX < 0) {
        return;
    }
    const int x = static_cast<int>(event->position().x());
    if (x != m_dragX) {
        PanByPixels(x - m_dragX);
        m_dragX = x;
        m_dragged = true;
    }
}

void CTimingDiagram::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_dragX >= 0) {
        if (!m_dragged) {
            SetCursorX(static_cast<int>(event->position().x()));
        }
        m_dragX = -1;
    }
}

void CTimingDiagram::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Clamp();
}
