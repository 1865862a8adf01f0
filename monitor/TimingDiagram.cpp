#include "monitor/TimingDiagram.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "monitor/TimeRuler.h"
#include "monitor/TraceNames.h"
#include "recording/Recording.h"

namespace {

// A view that shows less than this is widened: an empty or one-sample recording still shows
// some time.
constexpr double kMinSpanUs = 1e6;

const QColor kBackground(16, 20, 24);
const QColor kCursorA(255, 220, 0);
const QColor kCursorB(80, 200, 255);
const QColor kGrid(60, 66, 72);
const QColor kTrigger(255, 80, 220);

}  // namespace

CTimingDiagram::CTimingDiagram(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("timingDiagram"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 160);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_ruler = new CTimeRuler(this);
    m_scroll = new QScrollBar(Qt::Vertical, this);
    m_scroll->setObjectName(QStringLiteral("traceScroll"));
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_names = new CTraceNames(*this);
    connect(m_scroll, &QScrollBar::valueChanged, this, [this] {
        update();
        m_names->update();
    });
    for (int channel = 0; channel < kChannelCount; ++channel) {
        m_channels.push_back(channel);
    }
    Relayout();
}

void CTimingDiagram::SetRecording(const CRecording* recording) {
    m_recording = recording;
    ZoomToAll();
}

void CTimingDiagram::SetChannels(std::vector<int> channels) {
    m_channels = std::move(channels);
    if (std::find(m_channels.begin(), m_channels.end(), m_selected) == m_channels.end()) {
        m_selected = m_channels.empty() ? -1 : m_channels.front();
    }
    Relayout();
    update();
}

int CTimingDiagram::RowHeight() const {
    return std::max(14, fontMetrics().height() + 4);
}

int CTimingDiagram::RulerHeight() const {
    return m_ruler->sizeHint().height();
}

int CTimingDiagram::TraceWidth() const {
    return std::max(1, width() - m_labelWidth - m_scroll->sizeHint().width());
}

void CTimingDiagram::Relayout() {
    // Wide enough for the longest name with its value at the cursor.
    m_labelWidth = fontMetrics().horizontalAdvance(QStringLiteral("P3 0xFFFF")) + 12;
    m_rows = LayoutTraceRows(m_channels, RowHeight(), RowHeight() / 2);
    const int top = RulerHeight();
    const int scrollWidth = m_scroll->sizeHint().width();
    m_ruler->setGeometry(m_labelWidth, 0, TraceWidth(), top);
    m_names->setGeometry(0, top, m_labelWidth, std::max(0, height() - top));
    m_scroll->setGeometry(width() - scrollWidth, top, scrollWidth, std::max(0, height() - top));
    const int visible = std::max(0, height() - top);
    m_scroll->setRange(0, std::max(0, TraceRowsHeight(m_rows) - visible));
    m_scroll->setPageStep(visible);
    m_scroll->setSingleStep(RowHeight());
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
    if (m_fit) {
        m_usPerPixel = MaxUsPerPixel();
    }
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

void CTimingDiagram::ViewChanged() {
    Clamp();
    const std::int64_t origin = m_recording != nullptr ? m_recording->StartUs() : 0;
    m_ruler->SetView(static_cast<double>(m_startUs), m_usPerPixel, static_cast<double>(origin));
    auto mark = [this](CTimeCursors::Which which) {
        return m_cursors.Has(which) ? XOf(m_cursors.At(which)) - m_labelWidth : -1;
    };
    m_ruler->SetCursorMarks(mark(CTimeCursors::A), mark(CTimeCursors::B));
    update();
    m_names->update();
}

void CTimingDiagram::RecordingChanged() {
    ViewChanged();
}

int CTimingDiagram::XOf(std::int64_t us) const {
    return m_labelWidth +
           static_cast<int>(std::llround(static_cast<double>(us - m_startUs) / m_usPerPixel));
}

std::int64_t CTimingDiagram::TimeAt(int x) const {
    return m_startUs + static_cast<std::int64_t>(std::llround((x - m_labelWidth) * m_usPerPixel));
}

void CTimingDiagram::ZoomAt(double factor, int x) {
    const int offset = std::clamp(x - m_labelWidth, 0, TraceWidth());
    const double anchor = static_cast<double>(m_startUs) + offset * m_usPerPixel;
    m_fit = false;
    m_usPerPixel /= factor;
    Clamp();
    m_startUs = static_cast<std::int64_t>(std::llround(anchor - offset * m_usPerPixel));
    // Zooming in leaves the newest sample; zooming fully out fits again.
    m_follow = m_usPerPixel >= MaxUsPerPixel() * 0.999 || (m_follow && offset >= TraceWidth() - 1);
    m_fit = m_usPerPixel >= MaxUsPerPixel() * 0.999;
    ViewChanged();
}

void CTimingDiagram::PanByPixels(int dx) {
    m_startUs -= static_cast<std::int64_t>(std::llround(dx * m_usPerPixel));
    m_follow = false;
    m_fit = false;
    Clamp();
    if (m_recording != nullptr && VisibleEndUs() >= DataEndUs() && dx < 0) {
        m_follow = true;  // dragged back to the newest
    }
    ViewChanged();
}

void CTimingDiagram::ZoomToAll() {
    m_follow = true;
    m_fit = true;
    ViewChanged();
}

void CTimingDiagram::SetCursor(CTimeCursors::Which which, std::int64_t us) {
    m_cursors.Set(which, us);
    ViewChanged();
    emit CursorsChanged();
}

void CTimingDiagram::SetCursorX(int x) {
    if (x < m_labelWidth) {
        m_cursors.Clear(CTimeCursors::A);
        ViewChanged();
        emit CursorsChanged();
        return;
    }
    SetCursor(CTimeCursors::A, TimeAt(x));
}

QString CTimingDiagram::CursorText() const {
    if (!m_cursors.Has(CTimeCursors::A) || m_recording == nullptr || m_recording->IsEmpty()) {
        return QString();
    }
    QString text = m_cursors.Text(m_recording->StartUs());
    const std::int64_t at = CursorUs();
    for (int port = 0; port < kPortCount; ++port) {
        unsigned value = 0;
        for (int bit = 0; bit < 16; ++bit) {
            value |= static_cast<unsigned>(m_recording->Track(port * 16 + bit).LevelAt(at)) << bit;
        }
        text += QStringLiteral("  P%1 0x%2").arg(port).arg(value, 4, 16, QLatin1Char('0'));
    }
    return text;
}

void CTimingDiagram::SetTriggerUs(std::int64_t us) {
    m_hasTrigger = true;
    m_triggerUs = us;
    update();
}

void CTimingDiagram::ClearTrigger() {
    m_hasTrigger = false;
    update();
}

void CTimingDiagram::SelectChannel(int channel) {
    m_selected = channel;
    EnsureVisible(channel);
    m_names->update();
}

bool CTimingDiagram::JumpToEdge(bool forward) {
    if (m_recording == nullptr || m_selected < 0) {
        return false;
    }
    const std::vector<std::int64_t>& edges = m_recording->Track(m_selected).Edges();
    const std::int64_t from =
        m_cursors.Has(CTimeCursors::A) ? m_cursors.At(CTimeCursors::A) : m_startUs;
    auto it = forward ? std::upper_bound(edges.begin(), edges.end(), from)
                      : std::lower_bound(edges.begin(), edges.end(), from);
    if (forward ? it == edges.end() : it == edges.begin()) {
        return false;
    }
    const std::int64_t edge = forward ? *it : *std::prev(it);
    if (edge < m_startUs || edge > VisibleEndUs()) {
        // Brought to the middle of the view, at the same zoom.
        m_fit = false;
        m_follow = false;
        m_startUs = edge - (VisibleEndUs() - m_startUs) / 2;
    }
    SetCursor(CTimeCursors::A, edge);
    return true;
}

QRect CTimingDiagram::RowRectAt(const TraceRow& row) const {
    return QRect(m_labelWidth, RulerHeight() + row.top - m_scroll->value(), TraceWidth(),
                 row.height);
}

QRect CTimingDiagram::RowRect(int channel) const {
    const TraceRow* row = FindTraceRow(m_rows, channel, -1);
    return row != nullptr ? RowRectAt(*row) : QRect();
}

QRect CTimingDiagram::BusRect(int port) const {
    const TraceRow* row = FindTraceRow(m_rows, -1, port);
    return row != nullptr ? RowRectAt(*row) : QRect();
}

void CTimingDiagram::EnsureVisible(int channel) {
    const TraceRow* row = FindTraceRow(m_rows, channel, -1);
    if (row == nullptr) {
        return;
    }
    const int visible = m_scroll->pageStep();
    if (row->top < m_scroll->value()) {
        m_scroll->setValue(row->top);
    } else if (row->top + row->height > m_scroll->value() + visible) {
        m_scroll->setValue(row->top + row->height - visible);
    }
}

void CTimingDiagram::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    const int top = RulerHeight();
    const bool haveData = m_recording != nullptr && !m_recording->IsEmpty();
    TraceView view;
    if (haveData) {
        view =
            TraceView{m_startUs, m_usPerPixel, TraceWidth(), m_recording->StartUs(), DataEndUs()};
    }
    painter.setClipRect(QRect(m_labelWidth, top, TraceWidth(), height() - top));
    for (const TraceRow& row : m_rows) {
        const QRect area = RowRectAt(row);
        if (area.bottom() < top || area.top() > height()) {
            continue;
        }
        painter.setPen(kGrid);
        painter.drawLine(area.left(), area.bottom(), area.right(), area.bottom());
        if (!haveData) {
            continue;
        }
        if (row.channel < 0) {
            m_painter.DrawBus(painter, area, *m_recording, row.port, view);
        } else {
            m_painter.DrawChannel(painter, area, m_recording->Track(row.channel), view);
        }
    }
    const int trigger = XOf(m_triggerUs);
    if (m_hasTrigger && trigger >= m_labelWidth && trigger < m_labelWidth + TraceWidth()) {
        painter.setPen(QPen(kTrigger, 1, Qt::DashLine));
        painter.drawLine(trigger, top, trigger, height());
    }
    for (const auto& [which, colour] :
         {std::pair{CTimeCursors::A, kCursorA}, std::pair{CTimeCursors::B, kCursorB}}) {
        const int x = XOf(m_cursors.At(which));
        if (m_cursors.Has(which) && x >= m_labelWidth && x < m_labelWidth + TraceWidth()) {
            painter.setPen(colour);
            painter.drawLine(x, top, x, height());
        }
    }
}

void CTimingDiagram::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (event->modifiers() & Qt::ShiftModifier) {
        m_scroll->setValue(m_scroll->value() - steps * 3 * RowHeight());
    } else if (steps != 0) {
        ZoomAt(std::pow(1.5, steps), static_cast<int>(event->position().x()));
    }
    event->accept();
}

void CTimingDiagram::keyPressEvent(QKeyEvent* event) {
    const int centre = m_labelWidth + TraceWidth() / 2;
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    const auto shown = std::find(m_channels.begin(), m_channels.end(), m_selected);
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomAt(2.0, centre);
            break;
        case Qt::Key_Minus:
            ZoomAt(0.5, centre);
            break;
        case Qt::Key_Left:
            ctrl ? static_cast<void>(JumpToEdge(false)) : PanByPixels(TraceWidth() / 8);
            break;
        case Qt::Key_Right:
            ctrl ? static_cast<void>(JumpToEdge(true)) : PanByPixels(-TraceWidth() / 8);
            break;
        case Qt::Key_Home:
            ZoomToAll();
            break;
        case Qt::Key_Up:
            if (shown != m_channels.end() && shown != m_channels.begin()) {
                SelectChannel(*std::prev(shown));
            }
            break;
        case Qt::Key_Down:
            if (shown != m_channels.end() && std::next(shown) != m_channels.end()) {
                SelectChannel(*std::next(shown));
            }
            break;
        case Qt::Key_PageUp:
            m_scroll->triggerAction(QAbstractSlider::SliderPageStepSub);
            break;
        case Qt::Key_PageDown:
            m_scroll->triggerAction(QAbstractSlider::SliderPageStepAdd);
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

void CTimingDiagram::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        SetCursor(CTimeCursors::B, TimeAt(at.x()));
    } else if (event->button() == Qt::LeftButton) {
        m_dragX = at.x();
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
            const int x = static_cast<int>(event->position().x());
            if (event->modifiers() & Qt::ShiftModifier) {
                SetCursor(CTimeCursors::B, TimeAt(x));
            } else {
                SetCursorX(x);
            }
        }
        m_dragX = -1;
    }
}

void CTimingDiagram::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
    ViewChanged();
}

void CTimingDiagram::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        Relayout();
        update();
    }
}
