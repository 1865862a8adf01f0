#include "monitor/TimeRuler.h"

#include <QPainter>
#include <cmath>

namespace {

const QColor kRulerBackground(28, 32, 38);
const QColor kRulerText(210, 210, 210);
const QColor kCursorA(255, 220, 0);
const QColor kCursorB(80, 200, 255);

}  // namespace

CTimeRuler::CTimeRuler(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("timeRuler"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

std::vector<RulerTick> CTimeRuler::CalculateTickPositions(double startUs, double usPerPixel,
                                                          int width, double originUs,
                                                          int minSpacing) {
    std::vector<RulerTick> ticks;
    if (usPerPixel <= 0 || width <= 0) {
        return ticks;
    }
    // The smallest 1-2-5 step that keeps the labels minSpacing apart.
    const double least = usPerPixel * std::max(1, minSpacing);
    double decade = std::pow(10.0, std::floor(std::log10(least)));
    double step = decade;
    int minors = 5;
    for (;;) {
        if (decade >= least) {
            step = decade;
            minors = 5;
            break;
        }
        if (2 * decade >= least) {
            step = 2 * decade;
            minors = 4;
            break;
        }
        if (5 * decade >= least) {
            step = 5 * decade;
            minors = 5;
            break;
        }
        decade *= 10;
    }
    step = std::max(step, 1.0);
    const double minorStep = step / minors;
    const double endUs = startUs + usPerPixel * width;
    // Counted from the origin, so that the labels are round offsets.
    long long index = static_cast<long long>(std::ceil((startUs - originUs) / minorStep));
    for (;; ++index) {
        const double t = originUs + static_cast<double>(index) * minorStep;
        if (t > endUs) {
            break;
        }
        RulerTick tick;
        tick.x = static_cast<int>(std::lround((t - startUs) / usPerPixel));
        tick.major = index % minors == 0;
        if (tick.major) {
            tick.label = OffsetText(t - originUs, step);
        }
        ticks.push_back(tick);
    }
    return ticks;
}

QString CTimeRuler::OffsetText(double offsetUs, double stepUs) {
    double scale = 1.0;
    QString unit = QStringLiteral("µs");
    // The unit of the step, or the next when the step is half of it or more: "+1.5 s".
    if (stepUs >= 5e5) {
        scale = 1e6;
        unit = QStringLiteral("s");
    } else if (stepUs >= 500) {
        scale = 1e3;
        unit = QStringLiteral("ms");
    }
    // Digits after the point only when the step is not a whole number of the unit.
    const double inUnit = stepUs / scale;
    int decimals = 0;
    while (decimals < 6 && std::fabs(inUnit * std::pow(10.0, decimals) -
                                     std::round(inUnit * std::pow(10.0, decimals))) > 1e-6) {
        ++decimals;
    }
    const double value = offsetUs / scale;
    return QStringLiteral("%1%2 %3")
        .arg(value < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(std::fabs(value), 0, 'f', decimals)
        .arg(unit);
}

void CTimeRuler::SetView(double startUs, double usPerPixel, double originUs) {
    m_startUs = startUs;
    m_usPerPixel = usPerPixel;
    m_originUs = originUs;
    Recalculate();
}

void CTimeRuler::SetCursorMarks(int a, int b) {
    m_cursorA = a;
    m_cursorB = b;
    update();
}

void CTimeRuler::Recalculate() {
    const int spacing = fontMetrics().horizontalAdvance(QStringLiteral("+000.000 ms")) + 8;
    m_ticks = CalculateTickPositions(m_startUs, m_usPerPixel, width(), m_originUs, spacing);
    update();
}

QSize CTimeRuler::sizeHint() const {
    return QSize(200, fontMetrics().height() + 8);
}

void CTimeRuler::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Recalculate();
}

void CTimeRuler::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), kRulerBackground);
    painter.setPen(kRulerText);
    const int bottom = height() - 1;
    for (const RulerTick& tick : m_ticks) {
        painter.drawLine(tick.x, bottom - (tick.major ? 6 : 3), tick.x, bottom);
        if (tick.major) {
            painter.drawText(tick.x + 3, bottom - 6 - fontMetrics().descent(), tick.label);
        }
    }
    for (const auto& [x, colour] : {std::pair<int, QColor>{m_cursorA, kCursorA},
                                    std::pair<int, QColor>{m_cursorB, kCursorB}}) {
        if (x >= 0) {
            painter.setPen(colour);
            painter.setBrush(colour);
            const QPoint mark[3] = {{x - 4, 0}, {x + 4, 0}, {x, 6}};
            painter.drawPolygon(mark, 3);
        }
    }
}
